#include "archive_writers.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <memory>
#include <system_error>

#include "atomic_file.h"
#include "errors.h"
#include "file_io.h"
#include "hex_mod.h"
#include "little_endian.h"
#include "output_names.h"
#include "riff.h"
#include "sfx_decoder.h"
#include "text_encoding.h"
#include "wad_decoder.h"

namespace echodelve {

namespace {

constexpr std::size_t kCopyChunkBytes = std::size_t{1024} * 1024;

struct ClosesFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, ClosesFile>;

FileHandle OpenMemberFile(const std::filesystem::path& file) {
    FileHandle handle(OpenFile(file, "rb"));
    if (!handle) {
        throw ArchiveError("Could not read '" + file.string() + "': " + DescribeErrno(errno) + ".");
    }
    return handle;
}

// The archives kept ranges come from, each opened once for the whole write.
// A range its archive no longer holds (cut short since it was read) is
// refused: it would be written as zeros.
class RangeReaders {
  public:
    ByteReader& For(const SourceRange& range) {
        Opened& opened = open_[range.source.get()];
        if (!opened.reader) {
            opened.reader = range.source->Open();
            opened.size = opened.reader->Size().value_or(0);
        }
        if (opened.size < range.offset + range.size) {
            throw ArchiveError("Could not read '" + range.source->Describe() +
                               "': it is shorter than when it was read.");
        }
        return *opened.reader;
    }

  private:
    struct Opened {
        std::unique_ptr<ByteReader> reader;
        std::int64_t size = 0;  // when opened: a copy reads no further
    };
    std::map<const ByteSource*, Opened> open_;
};

std::uint64_t MemberSize(const PackMember& member) {
    if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&member.content)) {
        return bytes->size();
    }
    if (const auto* range = std::get_if<SourceRange>(&member.content)) {
        return static_cast<std::uint64_t>(range->size);
    }
    const auto& file = std::get<std::filesystem::path>(member.content);
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (ec) {
        throw ArchiveError("Could not read '" + file.string() + "': " + ec.message() + ".");
    }
    return size;
}

// The first bytes of a member, fewer when it is shorter.
std::vector<std::uint8_t> MemberHead(const PackMember& member, std::size_t count,
                                     RangeReaders& readers) {
    if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&member.content)) {
        return {bytes->begin(),
                bytes->begin() + static_cast<std::ptrdiff_t>(std::min(count, bytes->size()))};
    }
    if (const auto* range = std::get_if<SourceRange>(&member.content)) {
        std::vector<std::uint8_t> head(
            std::min(count, static_cast<std::size_t>(std::max<std::int64_t>(range->size, 0))));
        readers.For(*range).ReadAt(range->offset, head);
        return head;
    }
    const auto& file = std::get<std::filesystem::path>(member.content);
    FileHandle handle = OpenMemberFile(file);
    std::vector<std::uint8_t> head(count);
    head.resize(std::fread(head.data(), 1, count, handle.get()));
    return head;
}

// Copies `size` bytes of a kept range, inside the kernel where it can.
void CopyRange(const SourceRange& range, std::uint64_t size, RangeReaders& readers,
               AtomicFile& out) {
    ByteReader& reader = readers.For(range);
    std::uint64_t done = 0;
    if (reader.Handle() != nullptr) {
        done = CopyInKernel(reader.Handle(), range.offset, out.Handle(), size);
    }
    // Bytes the kernel did not copy are read here, where past the end they
    // would read as zeros: the source must still hold them all.
    if (done < size && reader.Size().value_or(0) < range.offset + static_cast<std::int64_t>(size)) {
        throw ArchiveError("Could not read '" + range.source->Describe() +
                           "': it changed while the archive was written.");
    }
    std::vector<std::uint8_t> chunk(
        static_cast<std::size_t>(std::min<std::uint64_t>(size - done, kCopyChunkBytes)));
    while (done < size) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(size - done, chunk.size()));
        reader.ReadAt(range.offset + static_cast<std::int64_t>(done), std::span(chunk.data(), n));
        out.Write(std::span(chunk.data(), n));
        done += n;
    }
}

// Copies exactly `size` bytes of the member, failing if a file changed size meanwhile.
void CopyMember(const PackMember& member, std::uint64_t size, RangeReaders& readers,
                AtomicFile& out) {
    if (const auto* bytes = std::get_if<std::vector<std::uint8_t>>(&member.content)) {
        out.Write(*bytes);
        return;
    }
    if (const auto* range = std::get_if<SourceRange>(&member.content)) {
        CopyRange(*range, size, readers, out);
        return;
    }
    const auto& file = std::get<std::filesystem::path>(member.content);
    FileHandle handle = OpenMemberFile(file);
    std::vector<std::uint8_t> chunk(
        static_cast<std::size_t>(std::min<std::uint64_t>(size, kCopyChunkBytes)));
    std::uint64_t left = size;
    while (left > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
        if (std::fread(chunk.data(), 1, n, handle.get()) != n) {
            throw ArchiveError("Could not read '" + file.string() +
                               "': it changed while the archive was written.");
        }
        out.Write(std::span(chunk.data(), n));
        left -= n;
    }
}

// Copies the members in order; kept ranges that lie end to end in one
// archive go as one run, so an edit that keeps most sounds costs about a
// copy of the file.
void CopyMembers(const std::vector<PackMember>& members, const std::vector<std::uint64_t>& sizes,
                 RangeReaders& readers, AtomicFile& out) {
    for (std::size_t i = 0; i < members.size();) {
        const auto* range = std::get_if<SourceRange>(&members[i].content);
        if (range == nullptr) {
            CopyMember(members[i], sizes[i], readers, out);
            ++i;
            continue;
        }
        SourceRange run = *range;
        for (++i; i < members.size(); ++i) {
            const auto* next = std::get_if<SourceRange>(&members[i].content);
            if (next == nullptr || next->source != run.source ||
                next->offset != run.offset + run.size) {
                break;
            }
            run.size += next->size;
        }
        CopyRange(run, static_cast<std::uint64_t>(run.size), readers, out);
    }
}

// Hands the written file to `beforeCommit`, then gives it its name.
void Finish(AtomicFile& out, const BeforeCommit& beforeCommit) {
    if (beforeCommit) {
        if (std::fflush(out.Handle()) != 0) {
            throw ArchiveError("Could not write '" + out.Target().string() +
                               "': " + DescribeErrno(errno) + ".");
        }
        beforeCommit(out.Handle());
    }
    out.Commit();
}

}  // namespace

PackMember PackMember::FromBytes(std::string name, std::vector<std::uint8_t> bytes) {
    return PackMember{std::move(name), std::move(bytes), {}};
}

PackMember PackMember::FromFile(const std::filesystem::path& file) {
    return PackMember{file.filename().string(), file, {}};
}

void WriteSfxArchive(const std::filesystem::path& output, const std::vector<PackMember>& members,
                     const BeforeCommit& beforeCommit) {
    if (members.size() > static_cast<std::size_t>(sfx::kMaxSounds)) {
        throw ArchiveError("An SFX archive holds at most " + std::to_string(sfx::kMaxSounds) +
                           " sounds; " + std::to_string(members.size()) + " were given.");
    }
    std::vector<std::uint64_t> sizes;
    std::uint64_t total = 0;
    RangeReaders readers;
    for (const PackMember& member : members) {
        const std::uint64_t size = MemberSize(member);
        const std::vector<std::uint8_t> head = MemberHead(member, sfx::kChunkHeaderBytes, readers);
        if (head.size() < sfx::kChunkHeaderBytes || !riff::HasTag(head, 0, riff::kRiff)) {
            throw ArchiveError("'" + member.name +
                               "' is not a RIFF file: it does not begin with \"RIFF\".");
        }
        const std::uint64_t declared = riff::DeclaredFileBytes(head);
        if (declared != size) {
            throw ArchiveError(
                "'" + member.name + "' is not a complete RIFF file: its header says " +
                std::to_string(declared) + " bytes, but it holds " + std::to_string(size) + ".");
        }
        if (declared == sfx::kChunkHeaderBytes) {
            // A zero length field is where an SFX archive ends.
            throw ArchiveError("'" + member.name +
                               "' is an empty RIFF file; an SFX archive cannot hold one.");
        }
        total += size;
        // The reader walks with signed 32-bit positions and reads the length
        // field past the last sound.
        if (total + sfx::kLengthField > static_cast<std::uint64_t>(HexMod::kArchiveNumberMax)) {
            throw ArchiveError("The sounds up to '" + member.name +
                               "' pass the 2 GiB an SFX archive can hold.");
        }
        sizes.push_back(size);
    }
    AtomicFile out(output);
    CopyMembers(members, sizes, readers, out);
    Finish(out, beforeCommit);
}

void WriteWadArchive(const std::filesystem::path& output, const std::vector<PackMember>& members,
                     const BeforeCommit& beforeCommit) {
    if (members.empty()) {
        throw ArchiveError("A WAD archive needs at least one file.");
    }
    if (members.size() > wad::kMaxFiles) {
        throw ArchiveError("A WAD archive holds at most " + std::to_string(wad::kMaxFiles) +
                           " files; " + std::to_string(members.size()) + " were given.");
    }
    std::vector<std::uint8_t> directory;
    directory.reserve(members.size() * wad::kRecordBytes);
    std::vector<std::uint64_t> sizes;
    std::uint64_t offset = members.size() * wad::kRecordBytes;
    for (const PackMember& member : members) {
        const std::uint64_t size = MemberSize(member);
        if (size > static_cast<std::uint64_t>(HexMod::kArchiveNumberMax) ||
            offset + size > static_cast<std::uint64_t>(HexMod::kArchiveNumberMax)) {
            throw ArchiveError("'" + member.name + "' passes the 2 GiB a WAD archive can hold.");
        }
        if (member.nameField.size() == static_cast<std::size_t>(wad::kNameBytes)) {
            directory.insert(directory.end(), member.nameField.begin(), member.nameField.end());
            AppendLittleEndian(directory, size, wad::kFieldBytes);
            AppendLittleEndian(directory, offset, wad::kFieldBytes);
            sizes.push_back(size);
            offset += size;
            continue;
        }
        if (!IsValidUtf8(member.name)) {
            throw ArchiveError("The name '" + member.name + "' is not valid UTF-8.");
        }
        const std::optional<std::string> name = Utf8ToCp1252(member.name);
        if (!name) {
            throw ArchiveError("The name '" + member.name +
                               "' has characters a WAD archive cannot store (Windows-1252 only).");
        }
        if (name->size() >= static_cast<std::size_t>(wad::kNameBytes)) {
            throw ArchiveError("The name '" + member.name + "' is too long for a WAD archive (" +
                               std::to_string(name->size()) + " bytes; at most 259).");
        }
        if (name->find('.') == std::string::npos) {
            throw ArchiveError("The name '" + member.name +
                               "' has no \".\"; a WAD archive lists only names with one.");
        }
        directory.insert(directory.end(), name->begin(), name->end());
        directory.resize(
            directory.size() + static_cast<std::size_t>(wad::kNameBytes) - name->size(), 0);
        AppendLittleEndian(directory, size, wad::kFieldBytes);
        AppendLittleEndian(directory, offset, wad::kFieldBytes);
        sizes.push_back(size);
        offset += size;
    }
    AtomicFile out(output);
    out.Write(directory);
    RangeReaders readers;
    CopyMembers(members, sizes, readers, out);
    Finish(out, beforeCommit);
}

void WriteParts(const std::filesystem::path& output, const std::vector<PackMember>& parts,
                const BeforeCommit& beforeCommit) {
    std::vector<std::uint64_t> sizes(parts.size());
    std::ranges::transform(parts, sizes.begin(), MemberSize);
    RangeReaders readers;
    AtomicFile out(output);
    CopyMembers(parts, sizes, readers, out);
    Finish(out, beforeCommit);
}

void WriteRangeAsFile(const SourceRange& range, const std::filesystem::path& output) {
    RangeReaders readers;
    AtomicFile out(output);
    CopyRange(range, static_cast<std::uint64_t>(range.size), readers, out);
    out.Commit();
}

std::optional<std::pair<std::size_t, std::size_t>> RepeatedName(
    const std::vector<PackMember>& members) {
    std::map<std::string, std::size_t> first;  // folded name -> the member that took it
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (const auto [taken, isNew] = first.emplace(FoldCase(members[i].name), i); !isNew) {
            return std::pair{i, taken->second};
        }
    }
    return std::nullopt;
}

}  // namespace echodelve
