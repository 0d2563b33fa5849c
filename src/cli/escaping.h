#pragma once

#include <string>
#include <string_view>

namespace echodelve::cli {

// The name with its control characters (C0, DEL and C1) and bytes that are
// not UTF-8 written as \xNN, for a terminal.
std::string EscapeControls(std::string_view name);

// A quoted JSON string that strict parsers take: controls escaped, and any
// bytes that are not UTF-8 (an archive path may hold some) as U+FFFD.
std::string JsonString(std::string_view text);

// Seconds as every listing writes them: three decimals, "0.500".
std::string Seconds(double seconds);

}  // namespace echodelve::cli
