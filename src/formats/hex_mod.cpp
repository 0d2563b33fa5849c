#include "hex_mod.h"

#include <stdexcept>

namespace echodelve::HexMod {

namespace {
constexpr unsigned kNibbleBits = 4;
constexpr std::uint8_t kLowNibble = 0x0F;
constexpr std::uint32_t kFirstLetterDigit = 10;  // "A" and "a"
}  // namespace

std::string BytesToHex(std::span<const std::uint8_t> bytes) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(8);
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i) {
        hex += kDigits[bytes[i] >> kNibbleBits];
        hex += kDigits[bytes[i] & kLowNibble];
    }
    return hex;
}

std::string ReverseHexBytes(std::string_view hex) {
    std::string reversed;
    reversed.reserve(8);
    for (std::size_t start : {6u, 4u, 2u, 0u}) {
        if (start < hex.size()) {
            reversed += hex.substr(start, 2);
        }
    }
    return reversed;
}

double HexToNumber(std::string_view hex) {
    if (hex.size() > 8) {
        throw std::invalid_argument("a hex number has at most eight digits");
    }
    std::uint32_t value = 0;
    for (char c : hex) {
        std::uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<std::uint32_t>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<std::uint32_t>(c - 'A') + kFirstLetterDigit;
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<std::uint32_t>(c - 'a') + kFirstLetterDigit;
        } else {
            throw std::invalid_argument("not a hex digit in a hex number");
        }
        value = (value << 4) | digit;
    }
    if (hex.size() <= 4) {
        return static_cast<double>(value);
    }
    return static_cast<double>(static_cast<std::int32_t>(value));
}

std::int32_t ReadArchiveNumber(std::span<const std::uint8_t, 4> field) {
    return static_cast<std::int32_t>(HexToNumber(ReverseHexBytes(BytesToHex(field))));
}

}  // namespace echodelve::HexMod
