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

}  // namespace echodelve
