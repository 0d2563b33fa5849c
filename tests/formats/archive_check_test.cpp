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

namespace echodelve {
namespace {

using test::Bytes;
using test::MakeWav;

// "sound: problem" lines, for exact comparison.
std::vector<std::string> Lines(const std::vector<Finding>& findings) {
    std::vector<std::string> lines;
    for (const Finding& finding : findings) {
        lines.push_back(std::to_string(finding.sound) + ": " + finding.problem);
    }
    return lines;
}

class ArchiveCheckTest : public ::testing::Test {
  protected:
    std::vector<std::string> CheckWad(const std::vector<PackMember>& members) {
        WriteWadArchive(dir / "a.wad", members);
        return CheckWadFile();
    }
    std::vector<std::string> CheckWadFile() {
        wadDecoder wad(hooks);
        const bool cut = wad.Decode(dir / "a.wad").cutAtLimit;
        return Lines(CheckArchive(wad, cut));
    }
    test::TempDir dir;
    test::RecordingHooks hooks;
};

TEST_F(ArchiveCheckTest, WellMadeArchivesOfBothKindsAreClean) {
    const std::vector<PackMember> members = {PackMember::FromBytes("a.wav", MakeWav(100, 1)),
                                             PackMember::FromBytes("b.wav", MakeWav(61, 2))};
    EXPECT_EQ(CheckWad(members), std::vector<std::string>{});
    WriteSfxArchive(dir / "a.sfx", members);
    SfxDecoder sfx(hooks);
    sfx.Decode(dir / "a.sfx");
    EXPECT_EQ(Lines(CheckArchive(sfx, false)), std::vector<std::string>{});
}

TEST_F(ArchiveCheckTest, EachSoundIsCheckedAsARiffWaveFile) {
    Bytes notRiff = MakeWav(80, 1);
    notRiff[0] = 'X';
    Bytes riffLength = MakeWav(80, 2);
    StoreLittleEndian(std::span(riffLength).subspan(4, 4), 100U);
    Bytes noChannels = MakeWav(80, 3);
    noChannels[22] = 0;
    Bytes noRate = MakeWav(80, 4);
    StoreLittleEndian(std::span(noRate).subspan(24, 4), 0U);
    Bytes blockAlign = MakeWav(80, 5);
    blockAlign[32] = 3;
    Bytes noFormat = MakeWav(80, 6);
    std::copy_n("junk", 4, noFormat.begin() + 12);
    Bytes longData = MakeWav(80, 7);
    StoreLittleEndian(std::span(longData).subspan(40, 4), 100U);
    Bytes trueSpeech = MakeWav(80, 8);
    trueSpeech[20] = 0x22;  // an encoding of its own that nothing here decodes
    EXPECT_EQ(
        CheckWad({PackMember::FromBytes("notriff.wav", notRiff),
                  PackMember::FromBytes("length.wav", riffLength),
                  PackMember::FromBytes("channels.wav", noChannels),
                  PackMember::FromBytes("rate.wav", noRate),
                  PackMember::FromBytes("align.wav", blockAlign),
                  PackMember::FromBytes("format.wav", noFormat),
                  PackMember::FromBytes("data.wav", longData),
                  PackMember::FromBytes("speech.wav", trueSpeech)}),
        (std::vector<std::string>{
            "1: it is not a RIFF/WAVE file", "2: its RIFF header declares 108 bytes, its record 80",
            "3: its fmt chunk declares no channels",
            "4: its fmt chunk declares a sample rate of 0 Hz",
            "5: its fmt chunk's block align is 3, not the 1 bytes that 1 channels of 8 bits take",
            "6: it has no fmt chunk",
            "7: its data chunk runs past the end of the sound (64 of its 100 bytes are missing)",
            "8: it cannot be decoded: its encoding is format 0x0022, TrueSpeech"}));
}

TEST_F(ArchiveCheckTest, NamesThatChangeOrRepeatAreReportedWithTheNameTheyGet) {
    EXPECT_EQ(CheckWad({PackMember::FromBytes("door.wav", MakeWav(50, 1)),
                        PackMember::FromBytes("a\x01.wav", MakeWav(50, 2)),
                        PackMember::FromBytes("door.wav", MakeWav(50, 3)),
                        PackMember::FromBytes("DOOR.WAV", MakeWav(50, 4)),
                        PackMember::FromBytes("a\x02.wav", MakeWav(50, 5))}),
              (std::vector<std::string>{
                  "2: its name cannot stand as a file name; it is written as 'a_.wav'",
                  "3: sound 1 has the same name; this one is written as 'door (2).wav'",
                  "4: sound 1 has the same name but for letter case; this one is written as "
                  "'DOOR (3).WAV'",
                  "5: its name cannot stand as a file name; it is written as 'a_.wav'",
                  "5: sound 2 has the same name; this one is written as 'a_ (2).wav'"}));
}

// Records written by hand: where the sounds lie against each other, the
// directory and the archive's end.
TEST_F(ArchiveCheckTest, TheArchiveIsCheckedForWhatNoSoundOrTwoSoundsClaim) {
    const Bytes wav = MakeWav(100, 1);
    Bytes archive;
    for (const Bytes& record : {test::WadRecord("a.wav", 100, 1340),     // 5 records before
                                test::WadRecord("b.wav", 100, 1490),     // 50 bytes after a
                                test::WadRecord("c.wav", 100, 1540),     // overlaps b by 50
                                test::WadRecord("d.wav", 100, 500),      // inside the directory
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
              (std::vector<std::string>{"3: it overlaps sound 2 by 50 bytes",
                                        "4: it is not a RIFF/WAVE file",
                                        "4: it begins inside the archive's directory",
                                        "5: 50 of 100 bytes lie past the end of the archive",
                                        "0: bytes 1,440 to 1,489 (50 bytes) belong to no sound",
                                        "0: bytes 1,640 to 1,685 (46 bytes) belong to no sound"}));
}

TEST_F(ArchiveCheckTest, ADirectoryCutAtItsLimitAndTrailingBytesAreReported) {
    Bytes bytes = test::WadRecord("a.wav", 100, 100000);  // the stop offset is never met
    bytes.resize(81000);
    test::WriteBytes(dir / "a.wad", bytes);
    const std::vector<std::string> lines = CheckWadFile();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(
        lines.back(),
        "0: it runs past the program's limit (an 80000-byte WAD directory); sounds after that are "
        "not listed");
    EXPECT_EQ(lines.front(), "1: all 100 bytes lie past the end of the archive");

    WriteWadArchive(dir / "a.wad", {PackMember::FromBytes("a.wav", MakeWav(50))});
    std::ofstream(dir / "a.wad", std::ios::app) << "tail";
    EXPECT_EQ(CheckWadFile(), std::vector<std::string>{
                                  "0: bytes 318 to 321 (4 bytes) at the end belong to no sound"});
}

}  // namespace
}  // namespace echodelve
