#include "output_names.h"

namespace echodelve {

namespace {

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

std::string WithCopyNumber(std::string_view name, int copy) {
    // The last "." starts the extension, unless it is the name's first character.
    const std::size_t dot = name.rfind('.');
    const std::size_t split = (dot == std::string_view::npos || dot == 0) ? name.size() : dot;
    std::string result(name.substr(0, split));
    result += " (" + std::to_string(copy) + ")";
    result += name.substr(split);
    return result;
}

}  // namespace

std::string SafeOutputName(std::string_view name, std::int64_t number) {
    std::string safe(name);
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        // A NUL cannot come from a decoder, but would cut the path short if it did.
        if (c == '/' || c == '\\' || byte <= 31 || byte == 127) {
            c = '_';
        }
    }
    if (safe.empty() || safe == "." || safe == "..") {
        safe = "sound" + std::to_string(number) + ".wav";
    }
    return safe;
}

std::string SaveAllNames::Claim(std::string_view name, std::int64_t number) {
    const std::string safe = SafeOutputName(name, number);
    std::string candidate = safe;
    for (int copy = 2; !used_.insert(FoldCase(candidate)).second; ++copy) {
        candidate = WithCopyNumber(safe, copy);
    }
    return candidate;
}

}  // namespace echodelve
