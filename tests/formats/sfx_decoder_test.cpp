#include "formats/sfx_decoder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

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

    // Decodes a good archive of two sounds, for a failed decode to leave alone.
    std::filesystem::path DecodeGoodArchive() {
        Bytes two = MakeWav(100, 1);
        const Bytes second = MakeWav(60, 2);
        two.insert(two.end(), second.begin(), second.end());
        const auto path = Archive(two, "good.sfx");
        decoder.DecodeSfx(path);
        return path;
    }
    void ExpectStillTheGoodArchive(const std::filesystem::path& good) {
        EXPECT_EQ(decoder.Catalogue().ArchivePath(), good);
        ASSERT_EQ(decoder.GetSfxCount(), 2);
        EXPECT_EQ(decoder.GetSfxSize(1), 100);
        EXPECT_EQ(decoder.GetSfxSize(2), 60);
        EXPECT_EQ(decoder.Catalogue().Slot(2).offset, 100);
        EXPECT_EQ(decoder.GetSfxName(3), "");
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
    EXPECT_EQ(decoder.Catalogue().ArchivePath(), path);
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

TEST_F(SfxDecoderTest, AThousandSoundsListAndTheThousandAndFirstFailsTheDecode) {
    Bytes thousand;
    for (int i = 0; i < 1000; ++i) {
        const Bytes wav = MakeWav(44, static_cast<std::uint8_t>(i));
        thousand.insert(thousand.end(), wav.begin(), wav.end());
    }
    decoder.DecodeSfx(Archive(thousand, "thousand.sfx"));
    ASSERT_EQ(decoder.GetSfxCount(), 1000);
    EXPECT_EQ(decoder.Catalogue().Slot(1000).offset, 999 * 44);
    EXPECT_EQ(decoder.GetSfxName(10), "edsnd010.wav");
    EXPECT_EQ(decoder.GetSfxName(1000), "edsnd1000.wav");

    const auto good = DecodeGoodArchive();
    try {
        decoder.DecodeSfx(Archive(Entry(0xFFFFFFF8)));  // L = -8, size 0: the walk stays put
        FAIL() << "a 1001st sound must fail the decode";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("more than 1000 sounds"), std::string::npos);
        EXPECT_NE(std::string(error.what()).find("so it was not opened"), std::string::npos);
    }
    ExpectStillTheGoodArchive(good);
}

TEST_F(SfxDecoderTest, WalkLeavingTheSigned32BitRangeFailsAndChangesNothing) {
    const auto good = DecodeGoodArchive();
    // Size 2^31: the next position does not fit.
    EXPECT_THROW(decoder.DecodeSfx(Archive(Entry(0x7FFFFFF8))), ArchiveError);
    ExpectStillTheGoodArchive(good);
    // Size 2^31 - 4: the next position fits, but its length field does not.
    EXPECT_THROW(decoder.DecodeSfx(Archive(Entry(0x7FFFFFF4))), ArchiveError);
    ExpectStillTheGoodArchive(good);
}

TEST_F(SfxDecoderTest, WalkBackFailsOnlyWhenALengthFieldWouldLieBeforeTheStart) {
    const auto good = DecodeGoodArchive();
    // L = -20: size -12 moves the walk to -12, whose length field would be at -8.
    EXPECT_THROW(decoder.DecodeSfx(Archive(Entry(0xFFFFFFEC))), ArchiveError);
    ExpectStillTheGoodArchive(good);

    // L = -12: size -4 lands at -4, whose length field is the archive's first
    // four bytes, "RIFF" read as a number; the walk then runs off the end.
    decoder.DecodeSfx(Archive(Entry(0xFFFFFFF4)));
    ASSERT_EQ(decoder.GetSfxCount(), 2);
    EXPECT_EQ(decoder.Catalogue().Slot(2).offset, -4);
    EXPECT_EQ(decoder.GetSfxSize(2), 0x46464952LL + 8);
}

TEST_F(SfxDecoderTest, WithoutLimitsAWalkThatDoesNotMoveOnFailsInsteadOfGoingRound) {
    decoder.SetLimits(false);
    const auto good = DecodeGoodArchive();
    // "RIFF", a length, "WAVE": each length in turn.
    const struct {
        std::uint32_t length;
        const char* what;
    } cases[] = {
        {0xFFFFFFF8, "where it is"},  // size 0: stays put
        {0xFFFFFFF4, "back"},         // size -4: the first field read as a length
        {0xFFFFFFF0, "back"},         // size -8: back to the start
    };
    for (const auto& c : cases) {
        Bytes bytes = Entry(c.length);
        bytes.insert(bytes.end(), {'W', 'A', 'V', 'E'});
        try {
            decoder.DecodeSfx(Archive(bytes));
            FAIL() << "length " << c.length << " must fail the decode";
        } catch (const ArchiveError& error) {
            EXPECT_NE(std::string(error.what()).find(c.what), std::string::npos) << error.what();
        }
        ExpectStillTheGoodArchive(good);
    }
    // A two-step cycle: the second sound's length leads back to the first.
    Bytes cycle = Entry(8);
    const Bytes back = Entry(0xFFFFFFE8);  // size -16
    cycle.insert(cycle.end(), {0, 0, 0, 0, 0, 0, 0, 0});
    cycle.insert(cycle.end(), back.begin(), back.end());
    EXPECT_THROW(decoder.DecodeSfx(Archive(cycle)), ArchiveError);
    ExpectStillTheGoodArchive(good);
    // One that moves on ends at the archive's end.
    decoder.DecodeSfx(Archive(Entry(4)));
    EXPECT_EQ(decoder.GetSfxCount(), 1);
}

TEST_F(SfxDecoderTest, MissingArchiveFailsAndChangesNothing) {
    const auto good = DecodeGoodArchive();
    const auto missing = dir / "missing.sfx";
    try {
        decoder.DecodeSfx(missing);
        FAIL() << "a missing archive must fail";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.sfx"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    ExpectStillTheGoodArchive(good);
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

TEST_F(SfxDecoderTest, WhatIsNotAFileFailsAtOnceAndChangesNothing) {
    const auto good = DecodeGoodArchive();
    const auto fifo = dir / "pipe.sfx";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // with no writer: opening it must not wait
    for (const auto& [path, what] :
         {std::pair{dir.path(), "a folder"}, std::pair{fifo, "a device, pipe or socket"},
          std::pair{std::filesystem::path("/dev/zero"), "a device"}}) {
        try {
            decoder.DecodeSfx(path);
            FAIL() << path << " must not decode";
        } catch (const ArchiveError& error) {
            EXPECT_NE(std::string(error.what()).find(path.string() + "': it is " + what),
                      std::string::npos)
                << error.what();
        }
        ExpectStillTheGoodArchive(good);
    }
}

TEST_F(SfxDecoderTest, SoundNumbersOutsideTheCatalogueFail) {
    EXPECT_THROW(decoder.GetSfxName(0), ArchiveError);
    EXPECT_THROW(decoder.GetSfxSize(1001), ArchiveError);
    EXPECT_NO_THROW(decoder.GetSfxSize(1000));
}

}  // namespace
}  // namespace echodelve
