#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Conversions every 4-byte archive number goes through: bytes to hex digits,
// the digit pairs reversed (little-endian to big-endian), then the number.
namespace echodelve::HexMod {

// Up to the first four bytes as upper-case hex, two digits per byte.
std::string BytesToHex(std::span<const std::uint8_t> bytes);

// The two-digit pairs at character positions 7, 5, 3 and 1 (1-based), in that
// order; pieces running past the end are cut, characters after the 8th dropped.
std::string ReverseHexBytes(std::string_view hex);

// Empty gives 0; up to four digits are unsigned; five to eight digits are a
// 32-bit two's-complement value. Throws std::invalid_argument for more than
// eight digits or a character that is not a hex digit.
double HexToNumber(std::string_view hex);

// The range of an archive number: every field is a signed 32-bit value.
inline constexpr std::int64_t kArchiveNumberMin = INT32_MIN;
inline constexpr std::int64_t kArchiveNumberMax = INT32_MAX;

// The whole chain over one 4-byte field: a little-endian signed 32-bit value.
std::int32_t ReadArchiveNumber(std::span<const std::uint8_t, 4> field);

}  // namespace echodelve::HexMod
