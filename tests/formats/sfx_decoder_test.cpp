#include "formats/sfx_decoder.h"

#include <gtest/gtest.h>

#include "formats/archive_writers.h"
#include "formats/errors.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::Le32;
using test::MakeWav;

class SfxDecoderTest : public ::testing::Test {
  protected:
    std::filesystem::path Archive(const Bytes& bytes, const std::string& name = "a.sfx") {
        const auto path = dir / name;
        test::WriteBytes(path, bytes);
        return path;
    }
    // An entry whose length field holds `length`, padded to 8 bytes.
    static Bytes Entry(std::uint32_t length) {
        Bytes entry = {'R', 'I', 'F', 'F'};
        const Bytes field = Le32(length);
        entry.insert(entry.end(), field.begin(), field.end());
        return entry;
    }

    test::TempDir dir;
    test::RecordingHooks hooks;
    SfxDecoder decoder{hooks};
};

TEST_F(SfxDecoderTest, EmptyFileHasNoSounds) {
    decoder.DecodeSfx(Archive({}));
    EXPECT_EQ(decoder.GetSfxCount(), 0);
}

TEST_F(SfxDecoderTest, WalksFromOneLengthFieldToTheNext) {
    const auto path = dir / "two.sfx";
    const std::vector<PackMember> members = {PackMember::FromBytes("x", MakeWav(1000, 1)),
                                             PackMember::FromBytes("y", MakeWav(3000, 2))};
    WriteSfxArchive(path, members);
    decoder.DecodeSfx(path);

    ASSERT_EQ(decoder.GetSfxCount(), 2);
    EXPECT_EQ(decoder.Catalogue().Slot(1).offset, 0);
    EXPECT_EQ(decoder.Catalogue().Slot(2).offset, 1000);
    EXPECT_EQ(decoder.GetSfxSize(1), 1000);
    EXPECT_EQ(decoder.GetSfxSize(2), 3000);
    EXPECT_EQ(decoder.GetSfxName(1), "edsnd001.wav");
    EXPECT_EQ(decoder.GetSfxName(2), "edsnd002.wav");
    EXPECT_EQ(decoder.Catalogue().archivePath, path);
    EXPECT_EQ(hooks.pumps, 2);
}

TEST_F(SfxDecoderTest, SizeIsTheLengthFieldPlusEightWithoutLookingAtTheTag) {
    Bytes bytes = {'J', 'U', 'N', 'K', 0x1C, 0x08, 0, 0};  // length 2076
    bytes.resize(2084, 0x55);
    decoder.DecodeSfx(Archive(bytes));
    ASSERT_EQ(decoder.GetSfxCount(), 1);
    EXPECT_EQ(decoder.GetSfxSize(1), 2084);
    EXPECT_EQ(decoder.GetSfxName(1), "edsnd001.wav");
}

TEST_F(SfxDecoderTest, FourZeroBytesEndTheRunEvenBeforeMoreSounds) {
    Bytes bytes = MakeWav(100, 1);
    const Bytes stop = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    const Bytes more = MakeWav(200, 2);
    bytes.insert(bytes.end(), stop.begin(), stop.end());
    bytes.insert(bytes.end(), more.begin(), more.end());
    decoder.DecodeSfx(Archive(bytes));
    EXPECT_EQ(decoder.GetSfxCount(), 1);
}

TEST_F(SfxDecoderTest, OnlyAllFourLengthBytesZeroEndTheRun) {
    // 00 00 01 00 is 65536: its low half is zero, but it is a length.
    Bytes bytes = Entry(0x00010000);
    bytes.resize(0x00010000 + 8, 0x55);
    decoder.DecodeSfx(Archive(bytes));
    ASSERT_EQ(decoder.GetSfxCount(), 1);
    EXPECT_EQ(decoder.GetSfxSize(1), 65544);
}

TEST_F(SfxDecoderTest, TrailingBytesBecomeOneMoreSoundSizedFromThem) {
    Bytes bytes = MakeWav(100, 1);
    const Bytes tail = {1, 2, 3, 4, 10, 0, 0, 0, 9};  // length 10 runs past the end
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    decoder.DecodeSfx(Archive(bytes));
    ASSERT_EQ(decoder.GetSfxCount(), 2);
    EXPECT_EQ(decoder.Catalogue().Slot(2).offset, 100);
    EXPECT_EQ(decoder.GetSfxSize(2), 18);
}

TEST_F(SfxDecoderTest, LengthThatKeepsTheWalkInPlaceFailsAtTheThousandAndFirst) {
    try {
        decoder.DecodeSfx(Archive(Entry(0xFFFFFFF8)));  // L = -8, size 0
        FAIL() << "a 1001st sound must fail the decode";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("more than 1000"), std::string::npos);
    }
    ASSERT_EQ(decoder.GetSfxCount(), 1000);
    EXPECT_EQ(decoder.Catalogue().Slot(1000).offset, 0);
    EXPECT_EQ(decoder.GetSfxSize(1000), 0);
    EXPECT_EQ(decoder.GetSfxName(1000), "edsnd1000.wav");
    EXPECT_EQ(decoder.GetSfxName(10), "edsnd010.wav");
}

TEST_F(SfxDecoderTest, WalkLeavingTheSigned32BitRangeFails) {
    // Size 2^31: the next position does not fit.
    EXPECT_THROW(decoder.DecodeSfx(Archive(Entry(0x7FFFFFF8))), ArchiveError);
    EXPECT_EQ(decoder.GetSfxCount(), 1);
    EXPECT_EQ(decoder.GetSfxSize(1), 2147483648LL);

    // Size 2^31 - 4: the next position fits, but its length field does not.
    EXPECT_THROW(decoder.DecodeSfx(Archive(Entry(0x7FFFFFF4))), ArchiveError);
    EXPECT_EQ(decoder.GetSfxCount(), 1);
}

TEST_F(SfxDecoderTest, WalkBackFailsOnlyWhenALengthFieldWouldLieBeforeTheStart) {
    // L = -20: size -12 moves the walk to -12, whose length field would be at -8.
    EXPECT_THROW(decoder.DecodeSfx(Archive(Entry(0xFFFFFFEC))), ArchiveError);
    EXPECT_EQ(decoder.GetSfxCount(), 1);
    EXPECT_EQ(decoder.GetSfxSize(1), -12);

    // L = -12: size -4 lands at -4, whose length field is the archive's first
    // four bytes, "RIFF" read as a number; the walk then runs off the end.
    decoder.DecodeSfx(Archive(Entry(0xFFFFFFF4)));
    ASSERT_EQ(decoder.GetSfxCount(), 2);
    EXPECT_EQ(decoder.Catalogue().Slot(2).offset, -4);
    EXPECT_EQ(decoder.GetSfxSize(2), 0x46464952LL + 8);
}

TEST_F(SfxDecoderTest, MissingArchiveFailsAndKeepsTheCatalogueButNotThePath) {
    const auto good = Archive(MakeWav(100));
    decoder.DecodeSfx(good);
    const auto missing = dir / "missing.sfx";
    try {
        decoder.DecodeSfx(missing);
        FAIL() << "a missing archive must fail";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.sfx"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(decoder.Catalogue().archivePath, missing);
    EXPECT_EQ(decoder.GetSfxCount(), 1);
    EXPECT_EQ(decoder.GetSfxSize(1), 100);
}

TEST_F(SfxDecoderTest, NewDecodeStartsFromEmptySlots) {
    Bytes three = MakeWav(100, 1);
    for (int i = 0; i < 2; ++i) {
        const Bytes more = MakeWav(100, 2);
        three.insert(three.end(), more.begin(), more.end());
    }
    decoder.DecodeSfx(Archive(three, "three.sfx"));
    decoder.DecodeSfx(Archive(MakeWav(60), "one.sfx"));
    EXPECT_EQ(decoder.GetSfxCount(), 1);
    EXPECT_EQ(decoder.GetSfxName(2), "");
    EXPECT_EQ(decoder.GetSfxSize(3), 0);
}

TEST_F(SfxDecoderTest, UnreadableArchiveAndBadSoundNumbersFailClearly) {
    try {
        decoder.DecodeSfx(dir.path());  // a folder, not a file
        FAIL() << "a folder must not decode";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find(dir.path().string()), std::string::npos);
    }
    EXPECT_THROW(decoder.GetSfxName(0), ArchiveError);
    EXPECT_THROW(decoder.GetSfxSize(1001), ArchiveError);
    EXPECT_NO_THROW(decoder.GetSfxSize(1000));
}

}  // namespace
}  // namespace echodelve
