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
