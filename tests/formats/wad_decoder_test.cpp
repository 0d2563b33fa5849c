#include "formats/wad_decoder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "formats/errors.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve::wad_decoder_tests {
namespace {

using test::Bytes;
using test::WadRecord;
using Records = std::vector<Bytes>;
using Lines = std::vector<std::string>;

// The records, then `tail`.
Bytes Join(const Records& records, const Bytes& tail = {}) {
    Bytes all;
    for (const Bytes& record : records) {
        all.insert(all.end(), record.begin(), record.end());
    }
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

// `count` sound records, the first sound's bytes right after them.
Records Sounds(std::uint32_t count) {
    Records records;
    for (std::uint32_t i = 0; i < count; ++i) {
        records.push_back(WadRecord("s" + std::to_string(i + 1) + ".wav", 44, count * 268 + i));
    }
    return records;
}

class WadDecoderTest : public ::testing::Test {
  protected:
    // Decodes the records (and `tail`) from memory: whether the scan was cut.
    bool Cut(const Records& records, const Bytes& tail = {}) {
        return decoder.Decode(std::make_shared<MemorySource>(Join(records, tail))).cutAtLimit;
    }
    // "name size offset" per sound.
    Lines Listed() const {
        Lines listed;
        for (std::int32_t n = 1; n <= decoder.GetWadCount(); ++n) {
            listed.push_back(decoder.GetWadName(n) + " " + std::to_string(decoder.GetWadSize(n)) +
                             " " + std::to_string(decoder.Entry(n).offset));
        }
        return listed;
    }
    test::RecordingHooks hooks;
    wadDecoder decoder{hooks};
};

TEST_F(WadDecoderTest, TheDirectoryEndsWhereTheFirstSoundBegins) {
    const std::string x259(259, 'x');
    Bytes dotAfterZero = WadRecord("sound", 10, 268);
    dotAfterZero[100] = '.';
    // clang-format off
    const std::tuple<Records, bool, Lines> cases[] = {
        {{WadRecord("a.wav", 4196, 804), WadRecord("b.wav", 40, 5000), WadRecord("c.wav", 3, 9000)},
         false, {"a.wav 4196 804", "b.wav 40 5000", "c.wav 3 9000"}},
        // A record without a "." is no sound, but after the first sound it sets where they begin.
        {{WadRecord("a.wav", 1, 804), WadRecord("", 2, 5000), WadRecord("c.wav", 3, 9000)},
         true, {"a.wav 1 804", "c.wav 3 9000"}},
        {{WadRecord("a.wav", 1, 804), WadRecord("", 2, 804), WadRecord("c.wav", 3, 9000)},
         false, {"a.wav 1 804", "c.wav 3 9000"}},
        // Only the first sound sets it: b.wav's offset would end the scan at once.
        {{WadRecord("a.wav", 1, 1000), WadRecord("b.wav", 1, 536)}, true,
         {"a.wav 1 1000", "b.wav 1 536"}},
        // The name ends at its zero byte, but a "." in any of its 260 bytes marks a sound.
        {{dotAfterZero}, false, {"sound 10 268"}},
        {{WadRecord(x259 + ".", 1, 268)}, false, {x259 + ". 1 268"}},
        {{WadRecord("sound", 0x2E, 268), WadRecord("a.wav", 5, 536)}, false, {"a.wav 5 536"}},
        {{WadRecord(" Sub\\Door \x80\x81.WAV ", 10, 268)}, false,
         {" Sub\\Door \xE2\x82\xAC\xC2\x81.WAV  10 268"}},
        // The top bit makes a field negative; size and offset are read from their own bytes.
        {{WadRecord("a.wav", 0x7FFFFFFF, 0x80000000)}, true, {"a.wav 2147483647 -2147483648"}},
        {{WadRecord("a.wav", 0x80000000, 0xFFFFFFFF)}, true, {"a.wav -2147483648 -1"}},
        {{WadRecord("a.wav", 0xFFFFFFFF, 268)}, false, {"a.wav -1 268"}}};
    // clang-format on
    for (const auto& [records, cut, listed] : cases) {
        hooks.pumps = 0;
        EXPECT_EQ(Cut(records), cut) << listed[0];
        EXPECT_EQ(Listed(), listed);
        if (!cut) {
            EXPECT_EQ(hooks.pumps, static_cast<int>(records.size()) - 1);  // between records
        }
    }
}

TEST_F(WadDecoderTest, A299RecordDirectoryFitsAndAScanPastTheLimitIsCut) {
    // Records given, limits kept, sounds listed, cut.
    const std::tuple<std::uint32_t, bool, std::int32_t, bool> cases[] = {
        {298, true, 298, false}, {299, true, 299, false},  {300, true, 300, true},
        {301, true, 300, true},  {301, false, 301, false}, {0, true, 0, true}};
    for (const auto& [records, limits, listed, cut] : cases) {
        SCOPED_TRACE(std::to_string(records) + (limits ? " with limits" : " without"));
        decoder.SetLimits(limits);
        hooks.pumps = 0;
        EXPECT_EQ(Cut(Sounds(records)), cut);
        ASSERT_EQ(decoder.GetWadCount(), listed);
        // One step between records read: at the limit, the 300th is the last.
        EXPECT_EQ(hooks.pumps, static_cast<int>(limits && cut ? 300 : records) - 1);
        if (listed > 0) {
            EXPECT_EQ(decoder.GetWadName(listed), "s" + std::to_string(listed) + ".wav");
        }
    }
}

TEST_F(WadDecoderTest, WithoutLimitsTheScanEndsAtTheArchivesEnd) {
    decoder.SetLimits(false);
    const Records two = {WadRecord("a.wav", 1, 804), WadRecord("b.wav", 2, 9000)};
    // Ending with the second record: the third, where the sounds begin, is never read.
    EXPECT_TRUE(Cut(two));
    EXPECT_EQ(decoder.GetWadCount(), 2);
    // One byte more: a third record, read as that byte and zeros, meets them.
    EXPECT_FALSE(Cut(two, {'.'}));
    EXPECT_EQ(Listed(), (Lines{"a.wav 1 804", "b.wav 2 9000", ". 0 0"}));
    EXPECT_TRUE(Cut({}));  // nothing at all
    EXPECT_EQ(decoder.GetWadCount(), 0);
}

TEST_F(WadDecoderTest, AMissingArchiveHasNoSoundsAndAFailedDecodeChangesNothing) {
    test::TempDir dir;
    const auto fifo = dir / "pipe.wad";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const bool limits : {true, false}) {
        decoder.SetLimits(limits);
        EXPECT_TRUE(decoder.DecodeWad(dir / "missing.wad").cutAtLimit);
        EXPECT_EQ(decoder.GetWadCount(), 0);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.wad"));
    test::WriteBytes(dir / "three.wad", Join(Sounds(3)));
    decoder.DecodeWad(dir / "three.wad");
    for (const auto& notAFile : {dir.path(), fifo}) {
        EXPECT_THROW(decoder.DecodeWad(notAFile), ArchiveError);
        EXPECT_EQ(decoder.Catalogue().ArchivePath(), dir / "three.wad");
        EXPECT_EQ(Listed(), (Lines{"s1.wav 44 804", "s2.wav 44 805", "s3.wav 44 806"}));
    }
}

}  // namespace
}  // namespace echodelve::wad_decoder_tests
