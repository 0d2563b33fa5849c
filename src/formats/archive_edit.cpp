#include "archive_edit.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <map>
#include <set>
#include <system_error>

#include "archive_check.h"
#include "archive_kinds.h"
#include "archive_writers.h"
#include "atomic_file.h"
#include "doom_wad.h"
#include "errors.h"
#include "file_io.h"
#include "output_names.h"
#include "pcm_converter.h"
#include "riff.h"
#include "sound_encoder.h"
#include "sound_stream.h"

#include <fcntl.h>
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
    return PackMember{
        entry.name, SourceRange{archive.Catalogue().source, entry.offset, entry.size}, {}};
}

// Refuses to keep a sound the archive does not hold whole: zeros standing
// for the bytes it lacks would be written as the sound's own.
void RefuseToKeepPartly(const ArchiveDecoder& archive, std::int32_t number) {
    if (const std::string problem =
            PlaceProblem(archive.Entry(number), archive.Catalogue().archiveSize.value_or(0));
        !problem.empty()) {
        throw ArchiveError(Subject(archive, number) + ": " + problem +
                           "; it cannot be kept, so remove or replace it.");
    }
}

// A name the edit gives must stand as a file name as it is, or extracting
// the sound would write it under another.
void RefuseUnsafeName(const std::string& name) {
    if (SafeOutputName(name, 0) != name) {
        throw ArchiveError("The name '" + name +
                           "' cannot stand as a file name (it holds a folder part, a control "
                           "character or too many bytes, or is empty, \".\" or \"..\").");
    }
}

// A new sound: a complete RIFF/WAVE file (its RIFF length + 8 its size, as
// the archive's reading and check take it) that decodes.
std::unique_ptr<SoundStream> OpenNewSound(const std::filesystem::path& file) {
    std::unique_ptr<SoundStream> stream;
    try {
        stream = SoundStream::OpenWaveFile(file);
    } catch (const ArchiveError& error) {
        throw ArchiveError("'" + file.string() + "' cannot go into the archive: " + error.what());
    }
    std::array<std::uint8_t, riff::kChunkHeaderBytes> head{};
    const FileSource source(file);
    const std::unique_ptr<ByteReader> reader = source.Open();
    reader->ReadAt(0, head);
    const std::uint64_t declared = riff::DeclaredFileBytes(head);
    if (const std::int64_t size = reader->Size().value_or(0);
        static_cast<std::int64_t>(declared) != size) {
        throw ArchiveError("'" + file.string() +
                           "' cannot go into the archive: it is not a complete RIFF file (its "
                           "header says " +
                           std::to_string(declared) + " bytes, it holds " + std::to_string(size) +
                           ").");
    }
    return stream;
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
    if (!match) {
        // A Doom WAD stores every new sound as 8-bit mono at its own rate:
        // only the rate can differ from what the game had.
        const bool isDoom = archive.Kind() == ArchiveKind::Doom;
        const int stored = doom::StoredRate(is.sampleRate);
        if (isDoom ? was.sampleRate != stored : !SameFormat(was, is)) {
            report.notes.push_back(
                "'" + file.string() + "' (" + DescribeFormat(is) + ") replaces sound " +
                std::to_string(number) + " '" + entry.name + "' (" + DescribeFormat(was) + ")" +
                (isDoom ? "; it is stored as 8-bit mono at " + std::to_string(stored) +
                              " Hz, a rate the game may not expect."
                        : ", which the game may not expect."));
        }
        return member;
    }
    // As it is only when it is in the replaced sound's format with its loop:
    // none where that had none, else at the same place in its length.
    const bool sameLoop =
        was.loop ? is.loop && *is.loop == SoundLoop{was.loop->start * is.frames / was.frames,
                                                    was.loop->end * is.frames / was.frames}
                 : !is.loop;
    if (SameFormat(was, is) && sameLoop) {
        return member;
    }
    member.content = Matched(std::move(replacement), *replaced, file.string());
    return member;
}

// Keeps the archive's bytes as `backup` before the edited archive takes its
// name: a second name for the same file where the file system has them,
// else a copy; made under a temporary name and then put over an older
// backup, so that one stays until the new one is whole. Only a file (or a
// symbolic link) at the backup's name is replaced.
void KeepBackup(const std::filesystem::path& archive, const std::filesystem::path& backup) {
    std::error_code ec;
    const auto there = std::filesystem::symlink_status(backup, ec);
    if (std::filesystem::exists(there) && !std::filesystem::is_regular_file(there) &&
        !std::filesystem::is_symlink(there)) {
        throw ArchiveError("Could not keep the backup '" + backup.string() +
                           "': something other than a file has that name.");
    }
    const std::filesystem::path temporary = backup.parent_path() / AtomicFile::RandomTempName();
    std::filesystem::create_hard_link(archive, temporary, ec);
    if (!ec) {
        std::filesystem::rename(temporary, backup, ec);
        if (ec) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw ArchiveError("Could not keep the backup '" + backup.string() +
                               "': " + ec.message() + ".");
        }
        return;
    }
    const auto source = std::make_shared<FileSource>(archive);
    const std::optional<std::int64_t> size = source->Open()->Size();
    WriteRangeAsFile({source, 0, size.value_or(0)}, backup);
}

// Before the edited archive replaces the archive: the archive's owner and
// permissions (a set-id bit only where the owner is kept), its bytes on disk
// (a crash then finds the old archive or the new one), and the backup.
BeforeCommit InPlaceSteps(const std::filesystem::path& archive, bool backup) {
    return [archive, backup](std::FILE* written) {
        const int fd = fileno(written);
        struct stat old {};
        if (::stat(archive.c_str(), &old) == 0) {
            const bool owned = ::fchown(fd, old.st_uid, old.st_gid) == 0;
            const mode_t setIds = owned ? (S_ISUID | S_ISGID) : 0;
            ::fchmod(fd, old.st_mode & (setIds | S_ISVTX | ACCESSPERMS));
        }
        if (::fsync(fd) != 0) {
            throw ArchiveError("Could not write '" + archive.string() +
                               "': " + DescribeErrno(errno) + ".");
        }
        if (backup) {
            KeepBackup(archive, BackupPath(archive));
        }
    };
}

// The folder's entry for a file just renamed into it, on disk.
void SyncFolderOf(const std::filesystem::path& file) {
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);  // the archive is whole either way; this only makes the rename last
        ::close(fd);
    }
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
        std::vector<std::vector<std::uint8_t>> fields = kind_.nameFields(archive);
        for (std::int32_t n = 1; n <= archive.Count(); ++n) {
            order_.push_back({n, Kept(archive, n)});
            if (!fields.empty()) {
                order_.back().member.nameField = std::move(fields[static_cast<std::size_t>(n - 1)]);
            }
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
                    PackMember replaced = std::move(slot.member);  // renamed before, maybe
                    slot.member =
                        Replacement(archive_, number, operation.file, options_.match, report_);
                    slot.member.name = std::move(replaced.name);
                    slot.member.nameField = std::move(replaced.nameField);
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
        for (const Slot& slot : order_) {
            if (slot.number != 0 && std::holds_alternative<SourceRange>(slot.member.content)) {
                RefuseToKeepPartly(archive_, slot.number);
            }
            if (slot.named) {
                RefuseUnsafeName(slot.member.name);
            }
        }
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
        if (number < 1 || number > archive_.Count()) {
            throw ArchiveError("There is no sound " + std::to_string(number) +
                               "; the archive holds " + std::to_string(archive_.Count()) + ".");
        }
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
        slot.member.nameField.clear();
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
    kind.write(output, members, replacing ? InPlaceSteps(output, options.backup) : BeforeCommit{},
               &archive.Catalogue());
    if (replacing) {
        SyncFolderOf(output);
    }
    return report;
}

}  // namespace echodelve
