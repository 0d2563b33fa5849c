#include "text_encoding.h"

#include <array>
#include <cstdint>

namespace echodelve {

namespace {

// Windows-1252: bytes below 0x80 and from 0xA0 are their own code points;
// those of 0x80..0x9F follow, the undefined ones mapping to themselves.
constexpr unsigned char kFirstHighControl = 0x80;
constexpr unsigned char kLastHighControl = 0x9F;
constexpr char32_t kLastLatin1 = 0xFF;
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// UTF-8: a lead byte says how many continuation bytes follow, each carrying
// six bits of the code point.
namespace utf8 {
constexpr char32_t kAscii = 0x80;  // code points below it are one byte
constexpr unsigned kPayloadBits = 6;
constexpr unsigned char kPayload = 0x3F;
constexpr unsigned char kContinuation = 0x80;
constexpr unsigned char kContinuationMask = 0xC0;
// For each sequence length from 2: the lead byte's mark, the mask that finds
// it, and the smallest code point it may carry (below that it is overlong).
struct Lead {
    unsigned char mark;
    unsigned char mask;
    char32_t smallest;
};
constexpr std::array<Lead, 3> kLeads = {{
    {0xC0, 0xE0, 0x80},
    {0xE0, 0xF0, 0x800},
    {0xF0, 0xF8, 0x10000},
}};
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;
constexpr char32_t kLastCodePoint = 0x10FFFF;
}  // namespace utf8

char32_t ByteToCodePoint(unsigned char byte) {
    if (byte >= kFirstHighControl && byte <= kLastHighControl) {
        return kHighControls[byte - kFirstHighControl];
    }
    return byte;
}

// Code points of the Basic Multilingual Plane only: all that Windows-1252 maps to.
void AppendUtf8(std::string& out, char32_t cp) {
    using namespace utf8;
    if (cp < kAscii) {
        out += static_cast<char>(cp);
    } else if (cp < kLeads[1].smallest) {
        out += static_cast<char>(kLeads[0].mark | (cp >> kPayloadBits));
        out += static_cast<char>(kContinuation | (cp & kPayload));
    } else {
        out += static_cast<char>(kLeads[1].mark | (cp >> (2 * kPayloadBits)));
        out += static_cast<char>(kContinuation | ((cp >> kPayloadBits) & kPayload));
        out += static_cast<char>(kContinuation | (cp & kPayload));
    }
}

}  // namespace

std::optional<char32_t> NextCodePoint(std::string_view text, std::size_t& pos) {
    using namespace utf8;
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < kAscii) {
        ++pos;
        return lead;
    }
    std::size_t extra = 1;
    while (extra <= kLeads.size() && (lead & kLeads[extra - 1].mask) != kLeads[extra - 1].mark) {
        ++extra;
    }
    if (extra > kLeads.size()) {
        return std::nullopt;
    }
    const Lead& form = kLeads[extra - 1];
    char32_t cp = lead & static_cast<unsigned char>(~form.mask);
    if (pos + extra >= text.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i <= extra; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & kContinuationMask) != kContinuation) {
            return std::nullopt;
        }
        cp = (cp << kPayloadBits) | (next & kPayload);
    }
    // Overlong forms would let "C0 AF" pass for "/"; surrogates and values past
    // U+10FFFF are not characters.
    if (cp < form.smallest || (cp >= kFirstSurrogate && cp <= kLastSurrogate) ||
        cp > kLastCodePoint) {
        return std::nullopt;
    }
    pos += extra + 1;
    return cp;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (!NextCodePoint(text, pos)) {
            return false;
        }
    }
    return true;
}

std::string Cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(c)));
    }
    return out;
}

std::optional<std::string> Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto cp = NextCodePoint(utf8, pos);
        if (!cp) {
            return std::nullopt;
        }
        if (*cp < kFirstHighControl || (*cp > kLastHighControl && *cp <= kLastLatin1)) {
            out += static_cast<char>(*cp);
            continue;
        }
        bool found = false;
        for (std::size_t i = 0; i < kHighControls.size(); ++i) {
            if (kHighControls[i] == *cp) {
                out += static_cast<char>(kFirstHighControl + i);
                found = true;
                break;
            }
        }
        if (!found) {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace echodelve
