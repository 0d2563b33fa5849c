#include "formats/wad_decoder.h"

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
using test::WadRecord;

class WadDecoderTest : public ::testing::Test {
  protected:
    // The records as an archive in memory.
    static std::shared_ptr<const ByteSource> Archive(const std::vector<Bytes>& records) {
        Bytes bytes;
        for (const Bytes& record : records) {
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
        return std::make_shared<MemorySource>(std::move(bytes));
    }
    std::filesystem::path Packed(std::size_t count, const std::string& name = "packed.wad") {
        std::vector<PackMember> members;
        for (std::size_t i = 0; i < count; ++i) {
            members.push_back(
                PackMember::FromBytes("s" + std::to_string(i + 1) + ".wav",
                                      test::MakeWav(44 + i % 7, static_cast<std::uint8_t>(i))));
        }
        const auto path = dir / name;
        WriteWadArchive(path, members);
        return path;
    }
    test::TempDir dir;
    DecodeOutcome outcome;
    test::RecordingHooks hooks;
    wadDecoder decoder{hooks};
};

TEST_F(WadDecoderTest, DirectoryEndsWhereTheFirstSoundBegins) {
    outcome = decoder.Decode(Archive({WadRecord("a.wav", 4196, 804), WadRecord("b.wav", 4000, 5000),
                                      WadRecord("c.wav", 3000, 9000)}));
    EXPECT_FALSE(outcome.cutAtLimit);
    ASSERT_EQ(decoder.GetWadCount(), 3);
    EXPECT_EQ(decoder.GetWadName(1), "a.wav");
    EXPECT_EQ(decoder.GetWadName(3), "c.wav");
    EXPECT_EQ(decoder.GetWadSize(2), 4000);
    EXPECT_EQ(decoder.Catalogue().Slot(3).offset, 9000);
    EXPECT_EQ(hooks.pumps, 2);  // between records, not after the last
}

TEST_F(WadDecoderTest, RecordWithoutADotIsSkippedButMovesTheStopOffset) {
    outcome = decoder.Decode(Archive({WadRecord("a.wav", 4196, 804), WadRecord("", 4000, 5000),
                                      WadRecord("c.wav", 3000, 9000)}));
    EXPECT_TRUE(outcome.cutAtLimit);  // the stop offset became 5000, which the scan never meets
    EXPECT_EQ(decoder.GetWadName(1), "a.wav");
    EXPECT_EQ(decoder.GetWadName(2), "c.wav");
    EXPECT_EQ(decoder.GetWadCount(), 2);
}

TEST_F(WadDecoderTest, SkippedRecordWhoseOffsetMatchesStillEndsTheDirectory) {
    outcome = decoder.Decode(Archive(
        {WadRecord("a.wav", 4196, 804), WadRecord("", 0, 804), WadRecord("c.wav", 3000, 9000)}));
    EXPECT_FALSE(outcome.cutAtLimit);
    EXPECT_EQ(decoder.GetWadCount(), 2);
}

TEST_F(WadDecoderTest, NameEndsAtTheFirstZeroButADotAfterItStillCounts) {
    Bytes record = WadRecord("sound", 10, 268);
    record[100] = '.';
    outcome = decoder.Decode(Archive({record}));
    ASSERT_EQ(decoder.GetWadCount(), 1);
    EXPECT_EQ(decoder.GetWadName(1), "sound");
}

TEST_F(WadDecoderTest, NameKeepsBlanksCaseAndFoldersAndIsReadAsWindows1252) {
    outcome = decoder.Decode(Archive({WadRecord(" Sub\\Door \x80\x81.WAV ", 10, 268)}));
    EXPECT_EQ(decoder.GetWadName(1), " Sub\\Door \xE2\x82\xAC\xC2\x81.WAV ");

    Bytes full(260, 'x');
    full[0] = '.';
    full.resize(268, 0);
    full[264] = 0x0C;  // offset 268
    full[265] = 0x01;
    outcome = decoder.Decode(Archive({full}));
    EXPECT_EQ(decoder.GetWadName(1).size(), 260u);
}

TEST_F(WadDecoderTest, UnmatchedStopOffsetScansToTheLimitAndKeepsWhatItFound) {
    outcome = decoder.Decode(Archive({WadRecord("a.wav", 10, 1000), WadRecord("b.wav", 10, 2000)}));
    EXPECT_TRUE(outcome.cutAtLimit);
    EXPECT_EQ(decoder.GetWadCount(), 2);
}

TEST_F(WadDecoderTest, LargestDirectoryWithoutWarningIs299Records) {
    outcome = decoder.DecodeWad(Packed(299));
    EXPECT_FALSE(outcome.cutAtLimit);
    EXPECT_EQ(decoder.GetWadCount(), 299);

    std::vector<Bytes> records;
    for (std::uint32_t i = 0; i < 300; ++i) {
        records.push_back(WadRecord("s" + std::to_string(i + 1) + ".wav", 44, 80400 + 44 * i));
    }
    outcome = decoder.Decode(Archive(records));
    EXPECT_TRUE(outcome.cutAtLimit);
    EXPECT_EQ(decoder.GetWadCount(), 300);
    EXPECT_EQ(decoder.GetWadName(300), "s300.wav");
}

TEST_F(WadDecoderTest, EmptyOrMissingArchiveScansToTheLimitWithNoSoundsAndIsNotCreated) {
    outcome = decoder.Decode(Archive({}));
    EXPECT_TRUE(outcome.cutAtLimit);
    EXPECT_EQ(decoder.GetWadCount(), 0);

    const auto missing = dir / "missing.wad";
    outcome = decoder.DecodeWad(missing);
    EXPECT_TRUE(outcome.cutAtLimit);
    EXPECT_EQ(decoder.GetWadCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(WadDecoderTest, FieldsWithTheTopBitSetAreNegative) {
    outcome = decoder.Decode(Archive({WadRecord("a.wav", 0xFFFFFFFF, 268)}));
    EXPECT_EQ(decoder.GetWadSize(1), -1);
    outcome = decoder.Decode(Archive({WadRecord("a.wav", 10, 0x80000000)}));
    EXPECT_TRUE(outcome.cutAtLimit);
    EXPECT_EQ(decoder.Catalogue().Slot(1).offset, std::numeric_limits<std::int32_t>::min());
}

TEST_F(WadDecoderTest, FailedDecodeChangesNothing) {
    const auto three = Packed(3);
    outcome = decoder.DecodeWad(three);
    ASSERT_EQ(decoder.GetWadCount(), 3);
    const auto fifo = dir / "pipe.wad";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const auto& notAFile : {dir.path(), fifo}) {
        EXPECT_THROW(decoder.DecodeWad(notAFile), ArchiveError);
        EXPECT_EQ(decoder.GetWadCount(), 3);
        EXPECT_EQ(decoder.Catalogue().ArchivePath(), three);
        EXPECT_EQ(decoder.GetWadName(3), "s3.wav");
    }
    outcome = decoder.DecodeWad(Packed(1, "one.wad"));
    EXPECT_EQ(decoder.GetWadCount(), 1);
    EXPECT_EQ(decoder.GetWadName(1), "s1.wav");
}

}  // namespace
}  // namespace echodelve
