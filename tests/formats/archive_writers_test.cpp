#include "formats/archive_writers.h"

#include <gtest/gtest.h>

#include <ranges>

#include "formats/errors.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve::archive_writers_tests {
namespace {

using test::Bytes;
using test::MakeWav;
using test::ReadBytes;
using Writer = void (*)(const std::filesystem::path&, const std::vector<PackMember>&,
                        const BeforeCommit&);
using Members = std::vector<PackMember>;
constexpr std::uint64_t k2GiB = std::uint64_t{1} << 31;

using test::Join;

PackMember Member(const std::string& name, Bytes bytes) {
    return PackMember::FromBytes(name, std::move(bytes));
}

class ArchiveWritersTest : public ::testing::Test {
  protected:
    // Expects `write` to refuse the members saying `refusal`, leaving the
    // folder as it was, or, for "", to write them to `output`.
    void Expect(Writer write, const Members& members, const std::string& refusal,
                const std::string& output = "out") {
        SCOPED_TRACE(members.empty() ? "no members" : members[0].name);
        const auto before = test::FileNames(dir.path());
        const Bytes earlier = exists(dir / output) ? ReadBytes(dir / output) : Bytes{};
        try {
            write(dir / output, members, {});
            EXPECT_EQ(refusal, "") << "written";
        } catch (const ArchiveError& error) {
            EXPECT_NE(refusal, "") << error.what();
            EXPECT_NE(std::string(error.what()).find(refusal), std::string::npos) << error.what();
            EXPECT_EQ(test::FileNames(dir.path()), before);
            EXPECT_EQ(exists(dir / output) ? ReadBytes(dir / output) : Bytes{}, earlier);
        }
    }
    // A sparse file of `size` bytes whose RIFF header declares just that.
    PackMember Sparse(const std::string& name, std::uint64_t size) {
        test::WriteBytes(dir / name, Join({{'R', 'I', 'F', 'F'},
                                           test::Le32(static_cast<std::uint32_t>(size - 8))}));
        std::filesystem::resize_file(dir / name, size);
        return PackMember::FromFile(dir / name);
    }

    test::TempDir dir;
};

TEST_F(ArchiveWritersTest, ArchivesHoldTheirFilesAsTheyStand) {
    const Bytes a = MakeWav(100, 1);
    const Bytes b = MakeWav(61, 2);
    test::WriteBytes(dir / "b.wav", b);
    const Members members = {Member("a.wav", a), PackMember::FromFile(dir / "b.wav")};
    WriteSfxArchive(dir / "out.sfx", members);
    EXPECT_EQ(ReadBytes(dir / "out.sfx"), Join({a, b}));
    // A WAD archive's records hold the name in Windows-1252, the size and the offset.
    WriteWadArchive(dir / "out.wad", {members[0], Member("caf\xC3\xA9.wav", b)});
    EXPECT_EQ(ReadBytes(dir / "out.wad"), Join({test::WadRecord("a.wav", 100, 536),
                                                test::WadRecord("caf\xE9.wav", 61, 636), a, b}));
}

TEST_F(ArchiveWritersTest, TheSfxWriterTakesWholeRiffFilesAThousandAtMost) {
    const auto riff = [](std::uint8_t length, Bytes rest = {}) {
        return Join({{'R', 'I', 'F', 'F', length, 0, 0, 0}, rest});
    };
    Bytes notRiff = MakeWav(100);
    notRiff[3] = 'X';
    Expect(WriteSfxArchive, {Member("nine.wav", riff(1, {'x'}))}, "");
    Expect(WriteSfxArchive, Members(1000, Member("x.wav", MakeWav(44))), "");
    Expect(WriteSfxArchive, Members(1001, Member("x.wav", MakeWav(44))), "at most 1000 sounds");
    Expect(WriteSfxArchive, {Member("a.wav", MakeWav(50)), Member("b.wav", notRiff)},
           "'b.wav' is not a RIFF file");
    Expect(WriteSfxArchive, {Member("long.wav", riff(2, {'x'}))},
           "'long.wav' is not a complete RIFF file: its header says 10 bytes, but it holds 9");
    Expect(WriteSfxArchive, {Member("short.wav", riff(0, {'x'}))}, "says 8 bytes, but it holds 9");
    Expect(WriteSfxArchive, {Member("seven.wav", {'R', 'I', 'F', 'F', 1, 0, 0})}, "not a RIFF");
    Expect(WriteSfxArchive, {Member("eight.wav", riff(0))}, "'eight.wav' is an empty RIFF file");
    Expect(WriteSfxArchive, {PackMember::FromFile(dir / "absent.wav")}, "absent.wav");
}

TEST_F(ArchiveWritersTest, TheWadWriterTakesWhatItsDirectoryCanHold) {
    const Bytes wav = MakeWav(44);
    const std::string n255(255, 'n');
    const std::pair<Members, const char*> cases[] = {
        {Members(299, Member("x.wav", wav)), ""},
        {{Member(n255 + ".wav", wav)}, ""},                    // 259 bytes
        {{Member(n255.substr(1) + "\xC3\xA9.wav", wav)}, ""},  // 259 in Windows-1252
        {{Member(n255 + "n.wav", wav)}, "too long for a WAD archive (260 bytes"},
        {Members(300, Member("x.wav", wav)), "at most 299 files; 300 were given"},
        {{}, "at least one file"},
        {{Member("noextension", wav)}, "has no \".\""},
        {{Member("\xE6\x97\xA5.wav", wav)}, "Windows-1252"},
        // An overlong "/" (C0 AF) would otherwise be stored as "/.wav".
        {{Member("\xC0\xAF.wav", wav)}, "not valid UTF-8"},
    };
    test::RecordingHooks hooks;
    wadDecoder decoder(hooks);
    for (const auto& [members, refusal] : cases) {
        Expect(WriteWadArchive, members, refusal);
        if (refusal[0] == '\0') {
            EXPECT_FALSE(decoder.DecodeWad(dir / "out").cutAtLimit);
            EXPECT_EQ(decoder.GetWadCount(), static_cast<std::int32_t>(members.size()));
            EXPECT_EQ(decoder.GetWadName(decoder.GetWadCount()), members.back().name);
        }
    }
}

TEST_F(ArchiveWritersTest, ArchivesMayReachButNotPass2GiB) {
    // Sparse files, and a missing folder for what fits: sizes are checked
    // before anything is read or written. The SFX reader reads a length
    // field past the last sound, so its sounds may fill 2^31 - 1 - 4 bytes;
    // a WAD, directory and all, may end at 2^31 - 1.
    const std::uint64_t sfxRoom = k2GiB - 1 - 4;
    const std::uint64_t wadData = k2GiB - 1 - 2 * 268 - 9;  // the archive ends at 2^31 - 1
    const std::tuple<Writer, Members, const char*> cases[] = {
        {WriteSfxArchive, {Sparse("a", 1000), Sparse("b", sfxRoom - 1000)}, "Could not write"},
        {WriteSfxArchive, {Sparse("c", 1000), Sparse("d", sfxRoom - 999)}, "'d' pass the 2 GiB"},
        {WriteWadArchive, {Sparse("e.wav", k2GiB - 1 - 268)}, "Could not write"},
        {WriteWadArchive, {Sparse("f.wav", k2GiB - 268)}, "'f.wav' passes the 2 GiB"},
        {WriteWadArchive, {Sparse("g.wav", wadData), Sparse("h.wav", 9)}, "Could not write"},
        {WriteWadArchive, {Sparse("i.wav", wadData + 1), Sparse("j.wav", 9)}, "'j.wav' passes"},
    };
    for (const auto& [write, members, refusal] : cases) {
        Expect(write, members, refusal, "missing/out");
    }
}

}  // namespace
}  // namespace echodelve::archive_writers_tests
