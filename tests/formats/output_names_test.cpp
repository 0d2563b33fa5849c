#include "formats/output_names.h"

#include <gtest/gtest.h>

namespace echodelve {
namespace {

TEST(SafeOutputNameTest, SeparatorsAndControlsBecomeUnderscores) {
    EXPECT_EQ(SafeOutputName("../../etc/passwd", 1), ".._.._etc_passwd");
    EXPECT_EQ(SafeOutputName("sub\\door.wav", 1), "sub_door.wav");
    EXPECT_EQ(SafeOutputName("a\x01\x1F\x7F"
                             "b.wav",
                             1),
              "a___b.wav");
    EXPECT_EQ(SafeOutputName(std::string("a\0b", 3), 1), "a_b");
    // U+0081 and U+009D (Windows-1252 0x81, 0x9D) are C1 controls; U+00A0 is not.
    EXPECT_EQ(SafeOutputName("a\xC2\x81\xC2\x9D\xC2\xA0.wav", 1), "a__\xC2\xA0.wav");
    // Bytes that are not UTF-8, overlong forms included ("C0 AF" would read as "/").
    EXPECT_EQ(SafeOutputName("x\xC0\xAF\xFF.wav", 1), "x___.wav");
}

TEST(SafeOutputNameTest, NamesTooLongForTheFileSystemAreCutBeforeTheExtension) {
    const std::string euros = [] {
        std::string text;
        for (int i = 0; i < 86; ++i) {
            text += "\xE2\x82\xAC";  // 3 bytes each: 258 in all
        }
        return text;
    }();
    const std::string cut = SafeOutputName(euros + ".wav", 1);
    // 251 bytes are left before ".wav": 83 whole euro signs, not 83 and two thirds.
    EXPECT_EQ(cut, euros.substr(0, 249) + ".wav");
    EXPECT_EQ(SafeOutputName(std::string(259, 'n') + ".wav", 1).size(), kMaxOutputNameBytes);
    EXPECT_EQ(SafeOutputName(std::string(251, 'n') + ".wav", 1), std::string(251, 'n') + ".wav");

    SaveAllNames names;
    const std::string longName = std::string(300, 'x') + ".wav";
    const std::string first = names.Claim(longName, 1);
    const std::string second = names.Claim(longName, 2);
    EXPECT_EQ(first, std::string(251, 'x') + ".wav");
    EXPECT_EQ(second, std::string(247, 'x') + " (2).wav");
}

TEST(SafeOutputNameTest, EverythingElseIsKept) {
    EXPECT_EQ(SafeOutputName(" Door Slam.WAV ", 1), " Door Slam.WAV ");
    EXPECT_EQ(SafeOutputName("no extension", 1), "no extension");
    EXPECT_EQ(SafeOutputName("caf\xC3\xA9.wav", 1), "caf\xC3\xA9.wav");
    EXPECT_EQ(SafeOutputName("...", 1), "...");
}

TEST(SafeOutputNameTest, NamesThatAreNoFileBecomeNumbered) {
    EXPECT_EQ(SafeOutputName("", 7), "sound7.wav");
    EXPECT_EQ(SafeOutputName(".", 12), "sound12.wav");
    EXPECT_EQ(SafeOutputName("..", 300), "sound300.wav");
}

TEST(SaveAllNamesTest, RepeatedNamesGetANumberBeforeTheLastExtension) {
    SaveAllNames names;
    EXPECT_EQ(names.Claim("door.wav", 1), "door.wav");
    EXPECT_EQ(names.Claim("door.wav", 2), "door (2).wav");
    EXPECT_EQ(names.Claim("door.wav", 3), "door (3).wav");
    EXPECT_EQ(names.Claim("door", 4), "door");
    EXPECT_EQ(names.Claim("door", 5), "door (2)");
    EXPECT_EQ(names.Claim("a.b.wav", 6), "a.b.wav");
    EXPECT_EQ(names.Claim("a.b.wav", 7), "a.b (2).wav");
    EXPECT_EQ(names.Claim(".wav", 8), ".wav");
    EXPECT_EQ(names.Claim(".wav", 9), ".wav (2)");
}

TEST(SaveAllNamesTest, RenamedCopiesNeverCollideWithLaterNames) {
    SaveAllNames names;
    EXPECT_EQ(names.Claim("door.wav", 1), "door.wav");
    EXPECT_EQ(names.Claim("DOOR.WAV", 2), "DOOR (2).WAV");
    EXPECT_EQ(names.Claim("door (2).wav", 3), "door (2) (2).wav");
    EXPECT_EQ(names.Claim("a/b", 4), "a_b");
    EXPECT_EQ(names.Claim("a_b", 5), "a_b (2)");
    EXPECT_EQ(names.Claim("", 6), "sound6.wav");
    EXPECT_EQ(names.Claim("sound6.wav", 7), "sound6 (2).wav");
}

}  // namespace
}  // namespace echodelve
