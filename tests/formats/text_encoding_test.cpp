#include "formats/text_encoding.h"

#include <gtest/gtest.h>

namespace echodelve::text_encoding_tests {
namespace {

TEST(TextEncodingTest, Windows1252AndUtf8TranslateBothWays) {
    // Each edge of the 0x80..0x9F block, the bytes it leaves undefined (taken
    // as Latin-1), and the longest forms.
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"door.wav", "door.wav"}, {"\x7F", "\x7F"}, {"\x80", "\xE2\x82\xAC"}, {"\x81", "\xC2\x81"},
        {"\x8D\x8F\x90\x9D", "\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"}, {"\x98", "\xCB\x9C"},
        {"\x99", "\xE2\x84\xA2"}, {"\x9F", "\xC5\xB8"}, {"\xA0", "\xC2\xA0"}, {"\xFF", "\xC3\xBF"}};
    // clang-format on
    for (const auto& [cp1252, utf8] : cases) {
        EXPECT_EQ(Cp1252ToUtf8(cp1252), utf8) << cp1252;
        EXPECT_EQ(Utf8ToCp1252(utf8), cp1252) << cp1252;
    }
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        all += static_cast<char>(byte);
    }
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
    // U+0080 and U+009F stand for no byte (0x80 and 0x9F are taken); U+0100 is past Latin-1.
    for (const char* text : {"\xC2\x80", "\xC2\x9F", "\xC4\x80", "\xE6\x97\xA5.wav",
                             "\xF0\x9F\x94\x8A", "bad\xC3", "bad\xFF"}) {
        EXPECT_EQ(Utf8ToCp1252(text), std::nullopt) << text;
    }
}

TEST(TextEncodingTest, OnlyStrictUtf8IsValid) {
    // The first and last character of each length, and the surrogates' neighbours.
    for (const char* valid :
         {"", "\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
          "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(IsValidUtf8(valid)) << valid;
    }
    // Overlong forms one below each length's first, surrogates, past U+10FFFF,
    // a five-byte lead, stray, cut or interrupted sequences.
    for (const char* invalid : {"\xC1\xBF", "\xC0\xAF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",
                                "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80",
                                "\xF8\x88\x80\x80\x80", "\x80", "a\xC3", "\xE2\x82", "\xC3\x28"}) {
        EXPECT_FALSE(IsValidUtf8(invalid)) << invalid;
    }
}

}  // namespace
}  // namespace echodelve::text_encoding_tests
