#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "little_endian.h"

// The RIFF/WAVE layout, said once: a sound file begins "RIFF", the length of
// what follows, "WAVE", then chunks of a tag, a length and that many bytes
// (padded to an even count).
namespace echodelve::riff {

using Tag = std::array<std::uint8_t, 4>;
inline constexpr std::size_t kTagBytes = 4;
inline constexpr Tag kRiff = {'R', 'I', 'F', 'F'};
inline constexpr Tag kWave = {'W', 'A', 'V', 'E'};
inline constexpr Tag kFormat = {'f', 'm', 't', ' '};
inline constexpr Tag kData = {'d', 'a', 't', 'a'};

inline constexpr std::int64_t kLengthField = 4;  // "RIFF"'s length: the bytes after it
inline constexpr std::int64_t kFieldBytes = 4;
inline constexpr std::int64_t kFormField = 8;         // "WAVE"
inline constexpr std::int64_t kHeaderBytes = 12;      // "RIFF", its length, "WAVE"
inline constexpr std::int64_t kChunkHeaderBytes = 8;  // a chunk's tag and length
// The fields of a "fmt " chunk that are read, from its data's start.
inline constexpr std::size_t kFormatTagField = 0;
inline constexpr std::size_t kChannelsField = 2;
inline constexpr std::size_t kSampleRateField = 4;
inline constexpr std::size_t kBlockAlignField = 12;
inline constexpr std::size_t kBitsPerSampleField = 14;
inline constexpr std::size_t kFormatFieldsBytes = 16;

// Whether `bytes` holds `tag` at `at`.
inline bool HasTag(std::span<const std::uint8_t> bytes, std::size_t at, const Tag& tag) {
    return bytes.size() >= at + kTagBytes &&
           std::equal(tag.begin(), tag.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// The bytes a RIFF file declares it holds, its length field + 8, from at
// least its first 8 bytes: a complete file's size.
inline std::uint64_t DeclaredFileBytes(std::span<const std::uint8_t> head) {
    return LoadLittleEndian(head.subspan(static_cast<std::size_t>(kLengthField),
                                         static_cast<std::size_t>(kFieldBytes))) +
           static_cast<std::uint64_t>(kChunkHeaderBytes);
}

}  // namespace echodelve::riff
