#include "formats/archive_check.h"

#include <gtest/gtest.h>

#include <fstream>

#include "formats/archive_writers.h"
#include "formats/little_endian.h"
#include "formats/sfx_decoder.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve::archive_check_tests {
namespace {

using test::Bytes;
using test::MakeWav;
using Lines = std::vector<std::string>;

// "sound: problem" lines, for exact comparison.
Lines LinesOf(const std::vector<Finding>& findings) {
    Lines lines;
    for (const Finding& finding : findings) {
        lines.push_back(std::to_string(finding.sound) + ": " + finding.problem);
    }
    return lines;
}

// `wav` with the field of `width` bytes at `at` set to `value`.
Bytes With(Bytes wav, std::size_t at, std::uint32_t value, std::size_t width = 4) {
    StoreLittleEndian(std::span(wav).subspan(at, width), value);
    return wav;
}

class ArchiveCheckTest : public ::testing::Test {
  protected:
    Lines CheckWad(const std::vector<std::pair<std::string, Bytes>>& sounds) {
        std::vector<PackMember> members;
        for (const auto& [name, bytes] : sounds) {
            members.push_back(PackMember::FromBytes(name, bytes));
        }
        WriteWadArchive(dir / "a.wad", members);
        return CheckWadFile();
    }
    Lines CheckWadFile() {
        wadDecoder wad(hooks);
        const bool cut = wad.Decode(dir / "a.wad").cutAtLimit;
        return LinesOf(CheckArchive(wad, cut));
    }
    test::TempDir dir;
    test::RecordingHooks hooks;
};

TEST_F(ArchiveCheckTest, WellMadeArchivesOfBothKindsAreClean) {
    // A chunk of odd length before the fmt chunk, its pad byte after it.
    Bytes odd = MakeWav(80, 3);
    const Bytes chunk = {'o', 'd', 'd', ' ', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    odd.insert(odd.begin() + 12, chunk.begin(), chunk.end());
    odd = With(odd, 4, 84);
    // A data chunk of odd length that ends the sound, with no pad byte.
    EXPECT_EQ(CheckWad({{"a.wav", MakeWav(100, 1)}, {"b.wav", MakeWav(45, 2)}, {"c.wav", odd}}),
              Lines{});
    WriteSfxArchive(dir / "a.sfx", {PackMember::FromBytes("a", MakeWav(100, 1)),
                                    PackMember::FromBytes("b", MakeWav(61, 2))});
    SfxDecoder sfx(hooks);
    sfx.Decode(dir / "a.sfx");
    EXPECT_EQ(LinesOf(CheckArchive(sfx, false)), Lines{});
}

TEST_F(ArchiveCheckTest, EachSoundIsCheckedAsARiffWaveFile) {
    Bytes noFormat = MakeWav(80, 6);
    std::copy_n("junk", 4, noFormat.begin() + 12);
    Bytes noChannels = MakeWav(80, 3);
    noChannels[22] = 0;
    // clang-format off
    EXPECT_EQ(CheckWad({{"notriff.wav", With(MakeWav(80, 1), 0, 0)},
                        {"length.wav", With(MakeWav(80, 2), 4, 73)},
                        {"channels.wav", noChannels},
                        {"rate.wav", With(MakeWav(80, 4), 24, 0)},
                        {"align.wav", With(MakeWav(80, 5), 32, 3, 2)},
                        {"format.wav", noFormat},
                        {"short.wav", With(MakeWav(80, 7), 40, 37)},
                        {"data.wav", With(MakeWav(80, 7), 40, 100)},
                        // An encoding of its own that nothing here decodes.
                        {"speech.wav", With(MakeWav(80, 8), 20, 0x22, 2)}}),
              (Lines{"1: it is not a RIFF/WAVE file",
                     "2: its RIFF header declares 81 bytes, its record 80",
                     "3: its fmt chunk declares no channels",
                     "4: its fmt chunk declares a sample rate of 0 Hz",
                     "5: its fmt chunk's block align is 3, not the 1 bytes that 1 channels of 8 "
                     "bits take",
                     "6: it has no fmt chunk",
                     "7: its data chunk runs past the end of the sound (1 of its 37 bytes are "
                     "missing)",
                     "8: its data chunk runs past the end of the sound (64 of its 100 bytes are "
                     "missing)",
                     "9: it cannot be decoded: its encoding is format 0x0022, TrueSpeech"}));
    EXPECT_EQ(CheckWad({{"door.wav", MakeWav(50, 1)}, {"a\x01.wav", MakeWav(50, 2)},
                        {"door.wav", MakeWav(50, 3)}, {"DOOR.WAV", MakeWav(50, 4)},
                        {"a\x02.wav", MakeWav(50, 5)}}),
              (Lines{"2: its name cannot stand as a file name; it is written as 'a_.wav'",
                     "3: sound 1 has the same name; this one is written as 'door (2).wav'",
                     "4: sound 1 has the same name but for letter case; this one is written as "
                     "'DOOR (3).WAV'",
                     "5: its name cannot stand as a file name; it is written as 'a_.wav'",
                     "5: sound 2 has the same name; this one is written as 'a_ (2).wav'"}));
    // clang-format on
}

// Records written by hand: where the sounds lie against each other, the
// directory and the archive's end.
TEST_F(ArchiveCheckTest, TheArchiveIsCheckedForWhatNoSoundOrTwoSoundsClaim) {
    const Bytes wav = MakeWav(100, 1);
    Bytes archive;
    for (const Bytes& record : {test::WadRecord("a.wav", 100, 1340),     // 5 records before
                                test::WadRecord("b.wav", 100, 1490),     // 50 bytes after a
                                test::WadRecord("c.wav", 100, 1540),     // overlaps b by 50
                                test::WadRecord("d.wav", 1, 1339),       // in the directory
                                test::WadRecord("e.wav", 100, 1686)}) {  // 50 past the end
        archive.insert(archive.end(), record.begin(), record.end());
    }
    archive.resize(1736);
    for (const std::size_t at : {1340U, 1490U, 1540U, 1686U}) {
        std::copy_n(wav.begin(), std::min<std::size_t>(100, archive.size() - at),
                    archive.begin() + static_cast<std::ptrdiff_t>(at));
    }
    test::WriteBytes(dir / "a.wad", archive);
    EXPECT_EQ(CheckWadFile(),
              (Lines{"3: it overlaps sound 2 by 50 bytes", "4: it is not a RIFF/WAVE file",
                     "4: it begins inside the archive's directory",
                     "5: 50 of 100 bytes lie past the end of the archive",
                     "0: bytes 1,440 to 1,489 (50 bytes) belong to no sound",
                     "0: bytes 1,640 to 1,685 (46 bytes) belong to no sound"}));
}

TEST_F(ArchiveCheckTest, ADirectoryCutAtItsLimitAndTrailingBytesAreReported) {
    Bytes bytes = test::WadRecord("a.wav", 100, 100000);  // the stop offset is never met
    bytes.resize(81000);
    test::WriteBytes(dir / "a.wad", bytes);
    const Lines lines = CheckWadFile();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "1: all 100 bytes lie past the end of the archive");
    EXPECT_EQ(lines.back(),
              "0: it runs past the program's limit (an 80000-byte WAD directory); sounds after "
              "that are not listed");

    WriteWadArchive(dir / "a.wad", {PackMember::FromBytes("a.wav", MakeWav(50))});
    std::ofstream(dir / "a.wad", std::ios::app) << "t";
    EXPECT_EQ(CheckWadFile(), Lines{"0: bytes 318 to 318 (1 byte) at the end belong to no sound"});
}

TEST(PlaceProblemTest, ASoundReachingTheEndIsWholeAndOneBytePastIsNot) {
    const std::string past = " bytes lie past the end of the archive";
    // clang-format off
    const std::tuple<std::int32_t, std::int64_t, std::string> cases[] = {  // offset, size, said
        {100, 50, ""}, {100, 51, "1 of 51" + past}, {149, 1, ""}, {150, 1, "all 1" + past},
        {160, 10, "all 10" + past}, {160, 0, ""},
        {0, INT32_MAX, "2,147,483,497 of 2,147,483,647" + past},
        {INT32_MAX, INT32_MAX, "all 2,147,483,647" + past},
        {0, -1, "declares a negative size (-1 bytes)"},
        {INT32_MIN, 10, "declares a negative offset (-2147483648)"}};
    const std::pair<std::int64_t, const char*> grouped[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {999999, "999,999"}, {1000000, "1,000,000"},
        {-999, "-999"}, {-1234, "-1,234"}};
    // clang-format on
    for (const auto& [offset, size, problem] : cases) {
        EXPECT_EQ(PlaceProblem({"", offset, size, std::nullopt}, 150), problem)
            << offset << "+" << size;
    }
    for (const auto& [number, text] : grouped) {
        EXPECT_EQ(Grouped(number), text);
    }
}

}  // namespace
}  // namespace echodelve::archive_check_tests
