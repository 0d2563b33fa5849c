#include "formats/text_encoding.h"

#include <gtest/gtest.h>

namespace echodelve {
namespace {

TEST(TextEncodingTest, Windows1252BytesBecomeUtf8) {
    EXPECT_EQ(Cp1252ToUtf8("door.wav"), "door.wav");
    EXPECT_EQ(Cp1252ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(Cp1252ToUtf8("\x80\x99\x9F"), "\xE2\x82\xAC\xE2\x84\xA2\xC5\xB8");
    // Bytes Windows-1252 leaves undefined are taken as Latin-1.
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(Cp1252ToUtf8("\xFF"), "\xC3\xBF");
}

TEST(TextEncodingTest, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        all += static_cast<char>(byte);
    }
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(TextEncodingTest, TextOutsideWindows1252IsRefused) {
    EXPECT_EQ(Utf8ToCp1252("\xE6\x97\xA5.wav"), std::nullopt);      // a CJK character
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x94\x8A.wav"), std::nullopt);  // an emoji
    EXPECT_EQ(Utf8ToCp1252("bad\xC3"), std::nullopt);               // cut short
    EXPECT_EQ(Utf8ToCp1252("bad\xFF"), std::nullopt);               // not UTF-8
}

TEST(TextEncodingTest, OnlyStrictUtf8IsValid) {
    EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x94\x8A"));
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF"));   // U+10FFFF, the last character
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // "/" in two bytes
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // "/" in three
    EXPECT_FALSE(IsValidUtf8("\xF0\x80\x80\xAF"));  // "/" in four
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // a surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\x80"));              // a stray continuation byte
}

}  // namespace
}  // namespace echodelve
