#include "output_names.h"

#include "text_encoding.h"

namespace echodelve {

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

namespace {

// Where the extension starts: the last ".", unless it is the first character.
std::size_t ExtensionStart(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return (dot == std::string_view::npos || dot == 0) ? name.size() : dot;
}

// At most `limit` bytes of `text`, cut before a character, never inside one.
std::string_view CutAtCharacter(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    std::size_t end = limit;
    // Back over UTF-8 continuation bytes (10xxxxxx) to a character's start.
    constexpr unsigned kContinuationMask = 0xC0U;
    constexpr unsigned kContinuation = 0x80U;
    while (end > 0 &&
           (static_cast<unsigned char>(text[end]) & kContinuationMask) == kContinuation) {
        --end;
    }
    return text.substr(0, end);
}

// base + suffix + extension in at most kMaxOutputNameBytes, shortening the
// base (or, for an extension too long to keep, the whole name, the suffix
// then after it). The suffix itself is never cut: names that differ by it
// must stay different.
std::string Compose(std::string_view name, std::string_view suffix) {
    const std::string_view base = name.substr(0, ExtensionStart(name));
    const std::string_view extension = name.substr(base.size());
    if (suffix.size() + extension.size() >= kMaxOutputNameBytes / 2) {
        return std::string(CutAtCharacter(name, kMaxOutputNameBytes - suffix.size())) +
               std::string(suffix);
    }
    const std::size_t room = kMaxOutputNameBytes - suffix.size() - extension.size();
    std::string composed(CutAtCharacter(base, room));
    composed += suffix;
    composed += extension;
    return composed;
}

}  // namespace

std::string ReplaceExtension(std::string_view name, std::string_view extension) {
    std::string replaced(name.substr(0, ExtensionStart(name)));
    replaced += extension;
    return replaced;
}

std::string SafeOutputName(std::string_view name, std::int64_t number) {
    std::string safe;
    safe.reserve(name.size());
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::size_t start = pos;
        const auto cp = NextCodePoint(name, pos);
        if (!cp) {
            ++pos;  // a byte that is not UTF-8
            safe += '_';
        } else if (*cp == '/' || *cp == '\\' || IsControlCharacter(*cp)) {
            safe += '_';
        } else {
            safe += name.substr(start, pos - start);
        }
    }
    if (safe.empty() || safe == "." || safe == "..") {
        safe = "sound" + std::to_string(number) + ".wav";
    }
    return Compose(safe, "");
}

std::string SaveAllNames::Claim(std::string_view name, std::int64_t number) {
    const std::string safe = SafeOutputName(name, number);
    std::string candidate = safe;
    for (int copy = 2; !used_.insert(FoldCase(candidate)).second; ++copy) {
        candidate = Compose(safe, " (" + std::to_string(copy) + ")");
    }
    return candidate;
}

}  // namespace echodelve
