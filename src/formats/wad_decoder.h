#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive_decoder.h"

namespace echodelve {

// The WAD format: a directory of fixed records, then the stored files.
namespace wad {
inline constexpr std::int64_t kRecordBytes = 268;  // record k lies at k x 268
inline constexpr std::int64_t kNameField = 0;      // the name, ending at a zero byte if any
inline constexpr std::int64_t kNameBytes = 260;
inline constexpr std::int64_t kSizeField = 260;    // the stored file's size
inline constexpr std::int64_t kOffsetField = 264;  // where its bytes begin in the archive
inline constexpr std::int64_t kFieldBytes = 4;
// A scan that has read a record past this offset stops, keeping what it found.
inline constexpr std::int64_t kDirectoryLimit = 80000;
// The most records a directory can hold without the scan passing that limit:
// the 299th starts at 79,864, within it (and ends at 80,132).
inline constexpr std::size_t kMaxFiles = 299;
}  // namespace wad

// Reads WAD archives. The directory has no count: it ends where the first
// sound's data begin, or at the limit. Only records whose name holds a "."
// are sounds.
class wadDecoder : public ArchiveDecoder {
  public:
    explicit wadDecoder(UiHooks& ui) : ArchiveDecoder(ui) {}

    ArchiveKind Kind() const override { return ArchiveKind::Wad; }
    // A missing archive reads as empty (the scan then runs to the limit).
    // Throws ArchiveError when the archive cannot be read or is not a file.
    DecodeOutcome Decode(std::shared_ptr<const ByteSource> source) override;
    using ArchiveDecoder::Decode;

    // The names the program has always used for these operations.
    DecodeOutcome DecodeWad(const std::filesystem::path& path) { return Decode(path); }
    std::int32_t GetWadCount() const { return Count(); }
    const std::string& GetWadName(std::int64_t number) const { return Entry(number).name; }
    std::int64_t GetWadSize(std::int64_t number) const { return Entry(number).size; }
    bool ExtractWadSound(const std::filesystem::path& output, std::int64_t number) {
        return Extract(output, number);
    }
};

// The name fields of a WAD's listed sounds as they stand (260 bytes each),
// or empty ones where a record cannot be told, for an edit that keeps them.
std::vector<std::vector<std::uint8_t>> WadNameFields(const ArchiveDecoder& archive);

}  // namespace echodelve
