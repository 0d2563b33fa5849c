#include "cli/escaping.h"

#include <cstdint>
#include <span>
#include <sstream>

#include "formats/hex_mod.h"
#include "formats/text_encoding.h"

namespace echodelve::cli {

namespace {

// Two hex digits of a code point below U+0100.
std::string Hex2(char32_t cp) {
    const auto byte = static_cast<std::uint8_t>(cp);
    return HexMod::BytesToHex(std::span(&byte, 1));
}

}  // namespace

std::string EscapeControls(std::string_view name) {
    std::string escaped;
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::size_t start = pos;
        const auto cp = NextCodePoint(name, pos);
        if (!cp) {
            escaped += "\\x" + Hex2(static_cast<unsigned char>(name[pos++]));
        } else if (IsControlCharacter(*cp)) {
            escaped += "\\x" + Hex2(*cp);
        } else {
            escaped += name.substr(start, pos - start);
        }
    }
    return escaped;
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const auto cp = NextCodePoint(text, pos);
        if (!cp) {
            ++pos;
            json += "\\uFFFD";
        } else if (*cp == '"' || *cp == '\\') {
            json += '\\';
            json += static_cast<char>(*cp);
        } else if (IsControlCharacter(*cp)) {
            json += "\\u00" + Hex2(*cp);
        } else {
            json += text.substr(start, pos - start);
        }
    }
    return json + "\"";
}

std::string Seconds(double seconds) {
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(3);
    text << seconds;
    return text.str();
}

}  // namespace echodelve::cli
