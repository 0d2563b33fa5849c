#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace echodelve {

// Archive names are bytes in the Windows-1252 code page; the five bytes that
// code page leaves undefined are taken as Latin-1.
std::string Cp1252ToUtf8(std::string_view bytes);

// The reverse, for writing names into archives; nullopt when a character has
// no Windows-1252 byte or the text is not valid UTF-8.
std::optional<std::string> Utf8ToCp1252(std::string_view utf8);

// Decodes the UTF-8 character at `pos` and moves `pos` past it; nullopt, with
// `pos` unchanged, for anything that is not strict UTF-8 (overlong forms,
// surrogates, values past U+10FFFF, cut or stray bytes).
std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& pos);

bool IsValidUtf8(std::string_view text);

// The C0 and C1 control characters and DEL: U+0000-U+001F, U+007F-U+009F.
constexpr bool IsControlCharacter(char32_t cp) {
    constexpr char32_t kLastC0 = 0x1F;
    constexpr char32_t kDelete = 0x7F;
    constexpr char32_t kLastC1 = 0x9F;
    return cp <= kLastC0 || (cp >= kDelete && cp <= kLastC1);
}

}  // namespace echodelve
