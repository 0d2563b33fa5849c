#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Little-endian numbers in byte buffers: the one helper the writers, the
// tools, the tests, the fuzzers and the benchmarks share. (The decoders read
// their fields through HexMod, as the archive formats are defined.)
namespace echodelve {

// The bytes of `field`, first byte lowest, as an unsigned number (up to 8 bytes).
constexpr std::uint64_t LoadLittleEndian(std::span<const std::uint8_t> field) {
    std::uint64_t value = 0;
    for (std::size_t i = field.size(); i > 0; --i) {
        value = (value << 8U) | field[i - 1];
    }
    return value;
}

// Writes the low `field.size()` bytes of `value` into `field`, lowest first.
constexpr void StoreLittleEndian(std::span<std::uint8_t> field, std::uint64_t value) {
    for (std::uint8_t& byte : field) {
        byte = static_cast<std::uint8_t>(value);  // its lowest byte
        value >>= 8U;
    }
}

// Appends the low `width` bytes of `value`, lowest first.
inline void AppendLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value,
                               std::size_t width) {
    const std::size_t at = out.size();
    out.resize(at + width);
    StoreLittleEndian(std::span(out).subspan(at, width), value);
}

}  // namespace echodelve
