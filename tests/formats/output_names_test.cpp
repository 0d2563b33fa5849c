#include "formats/output_names.h"

#include <gtest/gtest.h>

namespace echodelve::output_names_tests {
namespace {

using Cases = std::vector<std::pair<std::string, std::string>>;

// `count` times `piece`.
std::string S(std::size_t count, std::string_view piece) {
    std::string text;
    while (count-- > 0) {
        text += piece;
    }
    return text;
}

TEST(SafeOutputNameTest, OnlySeparatorsControlsAndBrokenBytesChange) {
    // Each edge of the control ranges (U+001F, U+007F, U+009F go; U+0020, U+007E,
    // U+00A0 stay), and bytes that are not UTF-8: "C0 AF" would read as "/".
    // clang-format off
    const Cases cases = {
        {"../../etc/passwd", ".._.._etc_passwd"}, {"sub\\door.wav", "sub_door.wav"},
        {std::string("a\0b", 3), "a_b"}, {"\x1F\x20~\x7F\xC2\x9F\xC2\xA0", "_ ~__\xC2\xA0"},
        {"a\xC2\x81.wav", "a_.wav"}, {"x\xC0\xAF\xFF.wav", "x___.wav"},
        {" Door Slam.WAV ", " Door Slam.WAV "}, {"caf\xC3\xA9", "caf\xC3\xA9"}, {"...", "..."},
        {"", "sound7.wav"}, {".", "sound7.wav"}, {"..", "sound7.wav"},
        // Too long: cut before the extension, at a character, unless the extension is too long.
        {S(255, "n"), S(255, "n")}, {S(256, "n"), S(255, "n")},
        {S(251, "n") + ".wav", S(251, "n") + ".wav"}, {S(252, "n") + ".wav", S(251, "n") + ".wav"},
        {S(86, "\xE2\x82\xAC") + ".wav", S(83, "\xE2\x82\xAC") + ".wav"},
        {S(200, "b") + "." + S(125, "e"), S(129, "b") + "." + S(125, "e")},
        {S(200, "b") + "." + S(126, "e"), S(200, "b") + "." + S(54, "e")}};
    // clang-format on
    for (const auto& [name, safe] : cases) {
        EXPECT_EQ(SafeOutputName(name, 7), safe) << name.size() << " bytes: " << name;
    }
}

TEST(SaveAllNamesTest, RepeatsGetANumberBeforeTheLastExtensionIgnoringCase) {
    // clang-format off
    const Cases claims = {
        {"door.wav", "door.wav"}, {"door.wav", "door (2).wav"}, {"DOOR.WAV", "DOOR (3).WAV"},
        {"door (2).wav", "door (2) (2).wav"}, {"door", "door"}, {"door", "door (2)"},
        {"a.b.wav", "a.b.wav"}, {"a.b.wav", "a.b (2).wav"}, {".wav", ".wav"}, {".wav", ".wav (2)"},
        {"a/b", "a_b"}, {"a_b", "a_b (2)"}, {"", "sound13.wav"}, {"sound13.wav", "sound13 (2).wav"},
        {S(300, "x") + ".wav", S(251, "x") + ".wav"},
        {S(300, "x") + ".wav", S(247, "x") + " (2).wav"},
        // An extension too long to keep whole: the number goes after it, and
        // is never cut off (that made the same name forever).
        {"b." + S(121, "e"), "b." + S(121, "e")}, {"b." + S(121, "e"), "b (2)." + S(121, "e")},
        {"c." + S(122, "e"), "c." + S(122, "e")}, {"c." + S(122, "e"), "c." + S(122, "e") + " (2)"},
        {"a." + S(257, "e"), "a." + S(253, "e")}, {"a." + S(257, "e"), "a." + S(249, "e") + " (2)"},
        {"a." + S(257, "e"), "a." + S(249, "e") + " (3)"}};
    // clang-format on
    SaveAllNames names;
    std::int64_t number = 0;
    for (const auto& [name, claimed] : claims) {
        EXPECT_EQ(names.Claim(name, ++number), claimed) << number;
    }
    EXPECT_EQ(FoldCase("@AZ[`az{\xC3\x89"), "@az[`az{\xC3\x89");
    for (const auto& [name, replaced] : Cases{{"a.wav", "a.flac"},
                                              {"a.b.wav", "a.b.flac"},
                                              {"a", "a.flac"},
                                              {".wav", ".wav.flac"}}) {
        EXPECT_EQ(ReplaceExtension(name, ".flac"), replaced);
    }
}

}  // namespace
}  // namespace echodelve::output_names_tests
