#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "byte_source.h"

namespace echodelve {

// `size` bytes of a source from `offset`: a sound kept from an archive,
// copied inside the kernel where the source is a file.
struct SourceRange {
    std::shared_ptr<const ByteSource> source;
    std::int64_t offset = 0;
    std::int64_t size = 0;
};

// One file to store in an archive: its name (UTF-8) and its bytes, held in
// memory, read from a file or from a range of another archive while the
// archive is written.
struct PackMember {
    std::string name;
    std::variant<std::vector<std::uint8_t>, std::filesystem::path, SourceRange> content;
    // A WAD record's name field as an archive holds it (all 260 bytes), for
    // a sound kept under its name: written as it stands, not made anew.
    std::vector<std::uint8_t> nameField;

    static PackMember FromBytes(std::string name, std::vector<std::uint8_t> bytes);
    // Named after the file's base name.
    static PackMember FromFile(const std::filesystem::path& file);
};

// Called with the finished file just before it takes the target's name: a
// last step that must come after every byte is written (a backup of what the
// name held). What it throws leaves the target as it was.
using BeforeCommit = std::function<void(std::FILE* written)>;

// Lays the members end to end. Each must be one complete RIFF file: it begins
// with "RIFF" and its RIFF length + 8 equals its size. Throws ArchiveError
// naming the first member that is not, before anything is written.
void WriteSfxArchive(const std::filesystem::path& output, const std::vector<PackMember>& members,
                     const BeforeCommit& beforeCommit = {});

// Writes one 268-byte directory record per member (name in Windows-1252,
// size, offset), then the members' bytes, the first at 268 x count. Refuses
// more than 299 members, names that have no "." or take 260 bytes or more
// (a member's own name field aside), and an archive past 2 GiB.
void WriteWadArchive(const std::filesystem::path& output, const std::vector<PackMember>& members,
                     const BeforeCommit& beforeCommit = {});

// Writes the parts end to end as `output`, whole or not at all: a layout a
// kind has worked out itself. Ranges that lie end to end in one source go as
// one copy inside the kernel.
void WriteParts(const std::filesystem::path& output, const std::vector<PackMember>& parts,
                const BeforeCommit& beforeCommit = {});

// Writes a range of a source as the file `output`, whole or not at all.
void WriteRangeAsFile(const SourceRange& range, const std::filesystem::path& output);

// The first member whose name repeats an earlier one's, ignoring case (as
// extraction compares names, renaming the later one), and that earlier one:
// {later, earlier}. An archive that keeps names is not made to hold such a pair.
std::optional<std::pair<std::size_t, std::size_t>> RepeatedName(
    const std::vector<PackMember>& members);

}  // namespace echodelve
