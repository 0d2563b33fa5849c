#include "formats/archive_writers.h"

#include <gtest/gtest.h>

#include "formats/errors.h"
#include "formats/sfx_decoder.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::MakeWav;
using test::ReadBytes;

class ArchiveWritersTest : public ::testing::Test {
  protected:
    // Expects the writer to refuse with a message that mentions `fragment`
    // and to leave nothing at `output`.
    template <typename Writer>
    void ExpectRefused(Writer write, const std::vector<PackMember>& members,
                       const std::string& fragment) {
        const auto output = dir / "refused";
        try {
            write(output, members);
            FAIL() << "expected a refusal mentioning " << fragment;
        } catch (const ArchiveError& error) {
            EXPECT_NE(std::string(error.what()).find(fragment), std::string::npos) << error.what();
        }
        EXPECT_TRUE(test::FileNames(dir.path()).empty() ||
                    test::FileNames(dir.path()) == std::vector<std::string>{"in.wav"});
    }

    test::TempDir dir;
    test::RecordingHooks hooks;
};

TEST_F(ArchiveWritersTest, SfxArchiveIsTheFilesEndToEnd) {
    const Bytes a = MakeWav(100, 1);
    const Bytes b = MakeWav(250, 2);
    test::WriteBytes(dir / "in.wav", b);
    const std::vector<PackMember> members = {PackMember::FromBytes("a", a),
                                             PackMember::FromFile(dir / "in.wav")};
    EXPECT_EQ(members[1].name, "in.wav");
    WriteSfxArchive(dir / "out.sfx", members);
    Bytes expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    EXPECT_EQ(ReadBytes(dir / "out.sfx"), expected);
}

TEST_F(ArchiveWritersTest, SfxWriterRefusesWhatTheDecoderWouldMisread) {
    Bytes notRiff = MakeWav(100);
    notRiff[0] = 'X';
    Bytes wrongLength = MakeWav(100);
    wrongLength[4] = 0;
    const Bytes emptyRiff = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
    const auto write = [](const auto& out, const auto& members) { WriteSfxArchive(out, members); };
    ExpectRefused(
        write,
        {PackMember::FromBytes("ok.wav", MakeWav(50)), PackMember::FromBytes("bad.wav", notRiff)},
        "'bad.wav' is not a RIFF file");
    ExpectRefused(write, {PackMember::FromBytes("short.wav", wrongLength)}, "'short.wav'");
    ExpectRefused(write, {PackMember::FromBytes("tiny.wav", {'R', 'I'})},
                  "'tiny.wav' is not a RIFF file");
    ExpectRefused(write, {PackMember::FromBytes("empty.wav", emptyRiff)},
                  "'empty.wav' is an empty RIFF file");
    ExpectRefused(write, std::vector<PackMember>(1001, PackMember::FromBytes("x.wav", MakeWav(44))),
                  "at most 1000");
    ExpectRefused(write, {PackMember::FromFile(dir / "absent.wav")}, "absent.wav");
}

TEST_F(ArchiveWritersTest, SfxArchiveMayReachButNotPassTwoGibibytes) {
    // Sparse files: the writer checks sizes before it reads any sound bytes.
    const auto riffOfSize = [this](const std::string& name, std::uint64_t size) {
        Bytes head = {'R', 'I', 'F', 'F'};
        const Bytes length = test::Le32(static_cast<std::uint32_t>(size - 8));
        head.insert(head.end(), length.begin(), length.end());
        test::WriteBytes(dir / name, head);
        std::filesystem::resize_file(dir / name, size);
        return PackMember::FromFile(dir / name);
    };
    // The reader walks in signed 32-bit positions and reads 4 bytes past the
    // last sound, so the sounds may fill 2^31 - 1 - 4 bytes.
    const std::uint64_t room = 2147483647 - 4;
    const std::vector<PackMember> fits = {riffOfSize("a.wav", 1000),
                                          riffOfSize("b.wav", room - 1000)};
    const std::vector<PackMember> over = {riffOfSize("c.wav", 1000),
                                          riffOfSize("d.wav", room - 999)};
    try {
        // Into a missing folder, so what fits fails only when it is written.
        WriteSfxArchive(dir / "missing" / "fits.sfx", fits);
        FAIL() << "writing into a missing folder must fail";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("Could not write"), std::string::npos)
            << error.what();
    }
    try {
        WriteSfxArchive(dir / "over.sfx", over);
        FAIL() << "sounds passing 2 GiB must be refused";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("'d.wav' pass the 2 GiB"), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "over.sfx"));
}

TEST_F(ArchiveWritersTest, WadArchiveDecodesBackToTheSameNamesSizesAndBytes) {
    std::vector<PackMember> members;
    for (int i = 0; i < 5; ++i) {
        members.push_back(PackMember::FromBytes(
            "snd " + std::to_string(i) + ".wav",
            MakeWav(60 + static_cast<std::size_t>(i) * 13, static_cast<std::uint8_t>(i))));
    }
    members.push_back(PackMember::FromBytes("caf\xC3\xA9.wav", MakeWav(70, 9)));
    WriteWadArchive(dir / "out.wad", members);

    wadDecoder decoder(hooks);
    EXPECT_FALSE(decoder.DecodeWad(dir / "out.wad").cutAtLimit);
    ASSERT_EQ(decoder.GetWadCount(), 6);
    EXPECT_EQ(decoder.Catalogue().Slot(1).offset, 6 * 268);
    for (int i = 1; i <= 6; ++i) {
        const auto& member = members[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(decoder.GetWadName(i), member.name);
        const auto out = dir / ("x" + std::to_string(i));
        ASSERT_TRUE(decoder.ExtractWadSound(out, i));
        EXPECT_EQ(ReadBytes(out), std::get<Bytes>(member.content));
    }
    // The name is stored as Windows-1252, one byte per character.
    EXPECT_EQ(ReadBytes(dir / "out.wad")[5 * 268 + 3], 0xE9);
}

TEST_F(ArchiveWritersTest, WadWriterRefusesWhatTheDirectoryCannotHold) {
    const auto write = [](const auto& out, const auto& members) { WriteWadArchive(out, members); };
    const Bytes wav = MakeWav(44);
    ExpectRefused(write, {}, "at least one");
    ExpectRefused(write, std::vector<PackMember>(300, PackMember::FromBytes("x.wav", wav)),
                  "at most 299");
    ExpectRefused(write, {PackMember::FromBytes("noextension", wav)}, "has no \".\"");
    ExpectRefused(write, {PackMember::FromBytes(std::string(256, 'n') + ".wav", wav)}, "too long");
    ExpectRefused(write, {PackMember::FromBytes("\xE6\x97\xA5.wav", wav)}, "Windows-1252");
    // An overlong "/" (C0 AF) would otherwise be stored as "/.wav".
    ExpectRefused(write, {PackMember::FromBytes("\xC0\xAF.wav", wav)}, "not valid UTF-8");

    // 259 bytes is the longest name that fits, 299 the most files.
    EXPECT_NO_THROW(WriteWadArchive(dir / "long.wad",
                                    {PackMember::FromBytes(std::string(255, 'n') + ".wav", wav)}));
    EXPECT_NO_THROW(WriteWadArchive(
        dir / "full.wad", std::vector<PackMember>(299, PackMember::FromBytes("x.wav", wav))));
}

TEST_F(ArchiveWritersTest, RefusedArchiveLeavesTheEarlierOneUntouched) {
    const std::vector<PackMember> good = {PackMember::FromBytes("a.wav", MakeWav(64))};
    WriteWadArchive(dir / "keep.wad", good);
    const Bytes before = ReadBytes(dir / "keep.wad");
    EXPECT_THROW(WriteWadArchive(dir / "keep.wad", {PackMember::FromBytes("bad", MakeWav(64))}),
                 ArchiveError);
    EXPECT_EQ(ReadBytes(dir / "keep.wad"), before);
    EXPECT_EQ(test::FileNames(dir.path()), std::vector<std::string>{"keep.wad"});
}

}  // namespace
}  // namespace echodelve
