#include "archive_edit.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <map>
#include <set>
#include <system_error>

#include "archive_check.h"
#include "archive_kinds.h"
#include "archive_writers.h"
#include "atomic_file.h"
#include "errors.h"
#include "file_io.h"
#include "output_names.h"
#include "pcm_converter.h"
#include "sound_encoder.h"
#include "sound_stream.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace echodelve {

namespace {

std::string Subject(const ArchiveDecoder& archive, std::int32_t number) {
    return "Sound " + std::to_string(number) + " '" + archive.Entry(number).name + "'";
}

// A sound as it stands in the archive, copied from there when the edited
// archive is written.
PackMember Kept(const ArchiveDecoder& archive, std::int32_t number) {
    const SoundEntry& entry = archive.Entry(number);
    // Zeros standing for bytes the archive lacks would be written as the sound's own.
    if (const std::string problem =
            PlaceProblem(entry, archive.Catalogue().archiveSize.value_or(0));
        !problem.empty()) {
        throw ArchiveError(Subject(archive, number) + " " + problem +
                           "; it cannot be kept, so remove or replace it.");
    }
    return PackMember{entry.name,
                      SourceRange{archive.Catalogue().source, entry.offset, entry.size}};
}

// A new sound: one that decodes as a RIFF/WAVE file.
std::unique_ptr<SoundStream> OpenNewSound(const std::filesystem::path& file) {
    try {
        return SoundStream::OpenWaveFile(file);
    } catch (const ArchiveError& error) {
        throw ArchiveError("'" + file.string() + "' cannot go into the archive: " + error.what());
    }
}

std::string Describe(const SoundDetails& details) {
    return details.encoding + ", " + std::to_string(details.sampleRate) + " Hz, " +
           (details.channels == 1 ? std::string("mono")
                                  : std::to_string(details.channels) + " channels");
}

bool SameFormat(const SoundDetails& a, const SoundDetails& b) {
    return a.encoding == b.encoding && a.sampleRate == b.sampleRate && a.channels == b.channels &&
           a.bits == b.bits;
}

// `replacement` converted to the encoding, rate and channels of `replaced`,
// with the replaced sound's loop moved to the same place in the new length.
std::vector<std::uint8_t> Matched(std::unique_ptr<SoundStream> replacement,
                                  const SoundStream& replaced, const std::string& target) {
    const double ratio =
        static_cast<double>(replaced.SampleRate()) / static_cast<double>(replacement->SampleRate());
    const auto frames =
        static_cast<std::int64_t>(std::llround(static_cast<double>(replacement->Frames()) * ratio));
    std::optional<SoundLoop> loop;
    if (const auto old = replaced.Loop(); old && replaced.Frames() > 0) {
        const auto scale = [&](std::int64_t at) {
            return std::min(frames, at * frames / replaced.Frames());
        };
        if (const SoundLoop scaled{scale(old->start), scale(old->end)}; scaled.start < scaled.end) {
            loop = scaled;
        }
    }
    PcmConverter converter(std::make_unique<PcmFeeder>(std::move(replacement), false),
                           replaced.SampleRate(), replaced.Channels());
    return EncodeFrames(
        replaced.Format() & (SF_FORMAT_TYPEMASK | SF_FORMAT_SUBMASK), replaced.SampleRate(),
        replaced.Channels(), loop,
        [&converter](std::span<float> out) {
            const std::span<std::uint8_t> bytes(
                reinterpret_cast<std::uint8_t*>(out.data()),  // NOLINT: floats handed on as bytes
                out.size_bytes());
            return converter.Read(bytes) / converter.FrameBytes();
        },
        target);
}

// The sound that replaces sound `number`, converted with `match` to its
// format, or else with a note where the formats differ.
PackMember Replacement(const ArchiveDecoder& archive, std::int32_t number,
                       const std::filesystem::path& file, bool match, EditReport& report) {
    std::unique_ptr<SoundStream> replacement = OpenNewSound(file);
    const SoundEntry& entry = archive.Entry(number);
    std::unique_ptr<SoundStream> replaced;
    try {
        replaced = SoundStream::OpenRange(archive.Catalogue().source, entry.offset, entry.size);
    } catch (const UndecodableSound& error) {
        if (match) {
            throw ArchiveError(Subject(archive, number) + " cannot be decoded (" + error.Reason() +
                               "), so '" + file.string() + "' cannot be matched to it.");
        }
    }
    PackMember member = PackMember::FromFile(file);
    if (!replaced) {
        return member;
    }
    const SoundDetails was = DescribeSound(*replaced);
    const SoundDetails is = DescribeSound(*replacement);
    const bool loopLost = was.loop && !is.loop;
    if (!match) {
        if (!SameFormat(was, is)) {
            report.notes.push_back("'" + file.string() + "' (" + Describe(is) +
                                   ") replaces sound " + std::to_string(number) + " '" +
                                   entry.name + "' (" + Describe(was) +
                                   "), which the game may not expect.");
        }
        return member;
    }
    if (SameFormat(was, is) && !loopLost) {
        return member;
    }
    member.content = Matched(std::move(replacement), *replaced, file.string());
    return member;
}

// Keeps the archive's bytes as `backup` before the edited archive takes its
// name: a second name for the same file where the file system has them,
// else a copy. An older backup is replaced.
void KeepBackup(const std::filesystem::path& archive, const std::filesystem::path& backup) {
    std::error_code ec;
    std::filesystem::remove(backup, ec);
    if (ec) {
        throw ArchiveError("Could not replace the backup '" + backup.string() +
                           "': " + ec.message() + ".");
    }
    std::filesystem::create_hard_link(archive, backup, ec);
    if (!ec) {
        return;
    }
    const auto source = std::make_shared<FileSource>(archive);
    const std::optional<std::int64_t> size = source->Open()->Size();
    WriteRangeAsFile({source, 0, size.value_or(0)}, backup);
}

// Before the edited archive replaces the archive: the archive's permissions,
// its bytes on disk (a crash then finds the old archive or the new one), and
// the backup.
BeforeCommit InPlaceSteps(const std::filesystem::path& archive, bool backup) {
    return [archive, backup](std::FILE* written) {
        struct stat old {};
        if (::stat(archive.c_str(), &old) == 0) {
            ::fchmod(fileno(written), old.st_mode & (S_ISUID | S_ISGID | S_ISVTX | ACCESSPERMS));
        }
        if (::fsync(fileno(written)) != 0) {
            throw ArchiveError("Could not write '" + archive.string() +
                               "': " + DescribeErrno(errno) + ".");
        }
        if (backup) {
            KeepBackup(archive, BackupPath(archive));
        }
    };
}

// A sound in the edited archive: the number it had as read (0 for an added one).
struct Slot {
    std::int32_t number = 0;
    PackMember member;
    bool named = false;  // its name was given by the edit
};

class Edit {
  public:
    Edit(const ArchiveDecoder& archive, const EditOptions& options)
        : archive_(archive), kind_(echodelve::Describe(archive.Kind())), options_(options) {
        for (std::int32_t n = 1; n <= archive.Count(); ++n) {
            order_.push_back({n, Kept(archive, n)});
        }
    }

    void Apply(const EditOperation& operation) {
        switch (operation.kind) {
            case EditOperation::Kind::Add:
                OpenNewSound(operation.file);
                order_.push_back({0, PackMember::FromFile(operation.file), true});
                break;
            case EditOperation::Kind::Replace:
                for (const std::int32_t number : operation.numbers) {
                    Slot& slot = *Find(number);
                    std::string name = std::move(slot.member.name);  // as renamed before, maybe
                    slot.member =
                        Replacement(archive_, number, operation.file, options_.match, report_);
                    slot.member.name = std::move(name);
                }
                break;
            case EditOperation::Kind::Remove:
                for (const std::int32_t number : operation.numbers) {
                    order_.erase(Find(number));
                    removed_.insert(number);
                }
                break;
            case EditOperation::Kind::Rename:
                Rename(operation);
                break;
            case EditOperation::Kind::Move:
                Move(operation);
                break;
        }
    }

    std::vector<PackMember> Members() && {
        if (kind_.hasDirectory) {
            RefuseRepeatedNames();
        }
        std::vector<PackMember> members;
        for (Slot& slot : order_) {
            members.push_back(std::move(slot.member));
        }
        return members;
    }

    EditReport Report() const { return report_; }

  private:
    std::vector<Slot>::iterator Find(std::int32_t number) {
        if (removed_.contains(number)) {
            throw ArchiveError("Sound " + std::to_string(number) + " was removed already.");
        }
        return std::ranges::find(order_, number, &Slot::number);
    }

    // A name given by the edit (an added sound's, a new one) that another
    // sound has too, ignoring case. Names the archive already repeats stay:
    // refusing them would leave such an archive with no edit at all.
    void RefuseRepeatedNames() const {
        std::map<std::string, std::vector<const Slot*>> byName;  // in the archive's order
        for (const Slot& slot : order_) {
            byName[FoldCase(slot.member.name)].push_back(&slot);
        }
        for (const Slot& slot : order_) {
            const Slot& first = *byName.at(FoldCase(slot.member.name)).front();
            if (&first != &slot && (slot.named || first.named)) {
                throw ArchiveError(
                    "Two sounds would be called '" + slot.member.name + "'" +
                    (first.member.name == slot.member.name ? "" : " (ignoring case)") + ".");
            }
        }
    }

    void Rename(const EditOperation& operation) {
        if (!kind_.hasDirectory) {
            throw ArchiveError("An archive of this kind (" + std::string(kind_.name) +
                               ") names its sounds by their place; they cannot be renamed.");
        }
        if (operation.numbers.size() != 1) {
            throw ArchiveError("A new name is for one sound, not " +
                               std::to_string(operation.numbers.size()) + ".");
        }
        Slot& slot = *Find(operation.numbers.front());
        slot.member.name = operation.name;
        slot.named = true;
    }

    // The sounds picked keep their order among themselves and go, together,
    // to the place given among the sounds as they stand.
    void Move(const EditOperation& operation) {
        std::vector<Slot> moving;
        for (const std::int32_t number : operation.numbers) {
            Find(number);  // refuses a removed one
        }
        std::erase_if(order_, [&](Slot& slot) {
            if (std::ranges::find(operation.numbers, slot.number) == operation.numbers.end() ||
                slot.number == 0) {
                return false;
            }
            moving.push_back(std::move(slot));
            return true;
        });
        const auto places = static_cast<std::int32_t>(order_.size()) + 1;
        if (operation.position < 1 || operation.position > places) {
            throw ArchiveError("Sounds cannot move to place " + std::to_string(operation.position) +
                               ": the places are 1 to " + std::to_string(places) + ".");
        }
        order_.insert(order_.begin() + (operation.position - 1),
                      std::make_move_iterator(moving.begin()),
                      std::make_move_iterator(moving.end()));
    }

    const ArchiveDecoder& archive_;
    const ArchiveKindInfo& kind_;
    EditOptions options_;
    std::vector<Slot> order_;
    std::set<std::int32_t> removed_;
    EditReport report_;
};

}  // namespace

std::filesystem::path BackupPath(const std::filesystem::path& archive) {
    std::filesystem::path backup = archive;
    backup += ".bak";
    return backup;
}

EditReport WriteEditedArchive(const ArchiveDecoder& archive,
                              std::span<const EditOperation> operations,
                              const std::filesystem::path& output, const EditOptions& options) {
    const std::filesystem::path& archivePath = archive.Catalogue().ArchivePath();
    std::error_code same;
    const bool overItself =
        !archivePath.empty() && std::filesystem::equivalent(output, archivePath, same);
    if (overItself && !options.inPlace) {
        throw ArchiveError("'" + output.string() +
                           "' is the archive being edited; write the edited one elsewhere.");
    }
    Edit edit(archive, options);
    for (const EditOperation& operation : operations) {
        edit.Apply(operation);
    }
    EditReport report = edit.Report();
    const std::vector<PackMember> members = std::move(edit).Members();
    const ArchiveKindInfo& kind = Describe(archive.Kind());
    std::error_code ec;
    const bool replacing = options.inPlace && std::filesystem::exists(output, ec);
    kind.write(output, members, replacing ? InPlaceSteps(output, options.backup) : BeforeCommit{});
    return report;
}

}  // namespace echodelve
