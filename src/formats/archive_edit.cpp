#include "archive_edit.h"

#include <optional>
#include <system_error>

#include "archive_check.h"
#include "archive_kinds.h"
#include "archive_writers.h"
#include "errors.h"
#include "sound_extractor.h"
#include "sound_stream.h"

namespace echodelve {

namespace {

// A sound as it stands in the archive, its bytes read whole (an archive of
// sounds each of which a game loads whole fits in memory).
PackMember Kept(const ArchiveDecoder& archive, std::int32_t number) {
    const SoundEntry& entry = archive.Entry(number);
    // Zeros standing for bytes the archive lacks would be written as the sound's own.
    if (const std::string problem =
            PlaceProblem(entry, archive.Catalogue().archiveSize.value_or(0));
        !problem.empty()) {
        throw ArchiveError("Sound " + std::to_string(number) + " '" + entry.name + "' " + problem +
                           "; it cannot be kept, so remove or replace it.");
    }
    std::vector<std::uint8_t> bytes;
    try {
        CopyCataloguedSound(archive.Catalogue(), number,
                            [&bytes](std::span<const std::uint8_t> piece) {
                                bytes.insert(bytes.end(), piece.begin(), piece.end());
                            });
    } catch (const ArchiveError& error) {
        throw ArchiveError(std::string(error.what()) + " It cannot be kept; remove or replace it.");
    }
    return PackMember::FromBytes(archive.Entry(number).name, std::move(bytes));
}

// A new sound: one that decodes as a RIFF/WAVE file.
PackMember NewSound(const std::filesystem::path& file, std::string name) {
    try {
        SoundStream::OpenWaveFile(file);
    } catch (const ArchiveError& error) {
        throw ArchiveError("'" + file.string() + "' cannot go into the archive: " + error.what());
    }
    PackMember member = PackMember::FromFile(file);
    member.name = std::move(name);
    return member;
}

}  // namespace

void WriteEditedArchive(const ArchiveDecoder& archive, std::span<const EditOperation> operations,
                        const std::filesystem::path& output) {
    std::error_code same;
    if (std::filesystem::equivalent(output, archive.Catalogue().ArchivePath(), same)) {
        throw ArchiveError("'" + output.string() +
                           "' is the archive being edited; write the edited one elsewhere.");
    }
    const ArchiveKindInfo& kind = Describe(archive.Kind());
    // Slots 1..count as read, then the added sounds.
    std::vector<std::optional<PackMember>> sounds;
    for (std::int32_t n = 1; n <= archive.Count(); ++n) {
        sounds.emplace_back(Kept(archive, n));
    }
    for (const EditOperation& operation : operations) {
        for (const std::int32_t number : operation.numbers) {
            auto& slot = sounds.at(static_cast<std::size_t>(number - 1));
            if (!slot) {
                throw ArchiveError("Sound " + std::to_string(number) + " was removed already.");
            }
            switch (operation.kind) {
                case EditOperation::Kind::Replace:
                    slot = NewSound(operation.file, slot->name);
                    break;
                case EditOperation::Kind::Remove:
                    slot.reset();
                    break;
                case EditOperation::Kind::Rename:
                    if (!kind.hasDirectory) {
                        throw ArchiveError("An archive of this kind (" + std::string(kind.name) +
                                           ") names its sounds by their place; they cannot be "
                                           "renamed.");
                    }
                    if (operation.numbers.size() != 1) {
                        throw ArchiveError("A new name is for one sound, not " +
                                           std::to_string(operation.numbers.size()) + ".");
                    }
                    slot->name = operation.name;
                    break;
                case EditOperation::Kind::Add:
                    break;
            }
        }
        if (operation.kind == EditOperation::Kind::Add) {
            sounds.emplace_back(NewSound(operation.file, operation.file.filename().string()));
        }
    }
    std::vector<PackMember> members;
    for (auto& sound : sounds) {
        if (sound) {
            members.push_back(std::move(*sound));
        }
    }
    if (const auto repeat = RepeatedName(members); repeat && kind.hasDirectory) {
        const std::string& later = members[repeat->first].name;
        throw ArchiveError("Two sounds would be called '" + later + "'" +
                           (members[repeat->second].name == later ? "" : " (ignoring case)") + ".");
    }
    kind.write(output, members);
}

}  // namespace echodelve
