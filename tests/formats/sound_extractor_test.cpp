#include "formats/sound_extractor.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

#include "formats/archive_writers.h"
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
using test::WadRecord;

class ExtractionTest : public ::testing::Test {
  protected:
    // A WAD archive holding the given stored files under the given records.
    std::filesystem::path Wad(const std::vector<std::pair<std::string, Bytes>>& files) {
        std::vector<PackMember> members;
        for (const auto& [name, bytes] : files) {
            members.push_back(PackMember::FromBytes(name, bytes));
        }
        const auto path = dir / "archive.wad";
        WriteWadArchive(path, members);
        wad.DecodeWad(path);
        return path;
    }
    void ExpectNoLeftovers(const std::filesystem::path& folder, std::vector<std::string> expected) {
        EXPECT_EQ(test::FileNames(folder), expected);
    }

    test::TempDir dir;
    test::RecordingHooks hooks;
    wadDecoder wad{hooks};
    SfxDecoder sfx{hooks};
};

TEST_F(ExtractionTest, RiffSoundIsCopiedExactlyWithoutAQuestion) {
    Bytes odd = MakeWav(300, 3);
    odd[4] = 0x10;  // the RIFF length disagrees with the catalogued size
    Wad({{"a.wav", MakeWav(100, 1)}, {"b.wav", odd}});
    EXPECT_TRUE(wad.ExtractWadSound(dir / "b.wav", 2));
    EXPECT_TRUE(hooks.questions.empty());
    EXPECT_EQ(ReadBytes(dir / "b.wav"), odd);
}

TEST_F(ExtractionTest, SoundNotBeginningWithRiffAsksAndNoLeavesAnEarlierFile) {
    Bytes lower = MakeWav(100);
    lower[0] = 'r';
    lower[1] = 'i';
    lower[2] = 'f';
    lower[3] = 'f';
    Bytes rifx = MakeWav(100);
    rifx[3] = 'X';
    Wad({{"lower.wav", lower}, {"rifx.wav", rifx}});
    const auto out = dir / "out.wav";
    test::WriteBytes(out, {'o', 'l', 'd'});

    EXPECT_FALSE(wad.ExtractWadSound(out, 1));
    ASSERT_EQ(hooks.questions.size(), 1u);
    // The question names the sound it is about.
    EXPECT_EQ(hooks.questions[0].number, 1);
    EXPECT_EQ(hooks.questions[0].name, "lower.wav");
    EXPECT_EQ(hooks.questions[0].archive, dir / "archive.wad");
    EXPECT_EQ(ReadBytes(out), (Bytes{'o', 'l', 'd'}));

    hooks.answers = {true};
    EXPECT_TRUE(wad.ExtractWadSound(out, 2));
    EXPECT_EQ(hooks.questions.size(), 2u);
    EXPECT_EQ(ReadBytes(out), rifx);
}

TEST_F(ExtractionTest, BytesPastTheEndOfTheArchiveAreWrittenAsZeros) {
    // A truncated last sound: 100 bytes stored where the record claims 300.
    Bytes bytes = WadRecord("a.wav", 300, 268);
    const Bytes wav = MakeWav(100);
    bytes.insert(bytes.end(), wav.begin(), wav.end());
    const auto path = dir / "short.wad";
    test::WriteBytes(path, bytes);
    wad.DecodeWad(path);

    ASSERT_TRUE(wad.ExtractWadSound(dir / "a.wav", 1));
    Bytes expected = wav;
    expected.resize(300, 0);
    EXPECT_EQ(ReadBytes(dir / "a.wav"), expected);
}

// Bytes in memory whose size, as an open reader tells it, drops to `cutTo`
// once anything has been read: an archive cut short while a sound is copied.
class ShrinkingSource : public ByteSource {
  public:
    ShrinkingSource(Bytes bytes, std::int64_t cutTo) : whole_(std::move(bytes)), cutTo_(cutTo) {}
    std::unique_ptr<ByteReader> Open() const override {
        return std::make_unique<Reader>(whole_.Open(), cutTo_);
    }
    const std::filesystem::path& Path() const override { return path_; }

  private:
    class Reader : public ByteReader {
      public:
        Reader(std::unique_ptr<ByteReader> whole, std::int64_t cutTo)
            : whole_(std::move(whole)), cutTo_(cutTo) {}
        void ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
            read_ = true;
            whole_->ReadAt(offset, out);
        }
        std::optional<std::int64_t> Size() const override {
            return read_ ? cutTo_ : whole_->Size();
        }

      private:
        std::unique_ptr<ByteReader> whole_;
        std::int64_t cutTo_;
        bool read_ = false;
    };
    MemorySource whole_;
    std::int64_t cutTo_;
    std::filesystem::path path_;
};

TEST_F(ExtractionTest, AnArchiveCutShortSinceItWasOpenedFailsTheSoundsItLost) {
    const auto path = Wad({{"a.wav", MakeWav(100, 1)}, {"b.wav", MakeWav(300, 2)}});
    // Cut in the middle of b.wav: a.wav is whole still, b.wav is not.
    std::filesystem::resize_file(path, 268 * 2 + 100 + 150);
    ASSERT_TRUE(wad.ExtractWadSound(dir / "a.wav", 1));
    EXPECT_EQ(ReadBytes(dir / "a.wav"), MakeWav(100, 1));
    try {
        wad.ExtractWadSound(dir / "b.wav", 2);
        FAIL() << "a sound the archive no longer holds must fail";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what())
                      .find("has become shorter since it was opened (786 "
                            "bytes, 936 then)"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "b.wav"));
    // Piped and converted the same way.
    EXPECT_THROW(CopyCataloguedSound(wad.Catalogue(), 2, [](auto) {}), ArchiveError);
    EXPECT_THROW(ConvertCataloguedSound(wad.Catalogue(), 2, dir / "b.flac", ConvertTo::Flac),
                 ArchiveError);
    EXPECT_FALSE(std::filesystem::exists(dir / "b.flac"));

    // Cut while it is being copied: the file is not kept.
    Bytes archive = WadRecord("c.wav", 3000, 268);
    const Bytes wav = MakeWav(3000, 3);
    archive.insert(archive.end(), wav.begin(), wav.end());
    wad.Decode(std::make_shared<ShrinkingSource>(archive, 1000));
    EXPECT_THROW(wad.Extract(dir / "c.wav", 1), ArchiveError);
    EXPECT_FALSE(std::filesystem::exists(dir / "c.wav"));
    EXPECT_TRUE(test::FileNames(dir.path()).size() == 2u);  // the archive and a.wav
}

TEST_F(ExtractionTest, SoundLargerThanItsWholeArchiveIsRefused) {
    // 804 bytes of archive whose records claim 2 GiB each: writing them as
    // zeros would fill a disk. A name starting "RIFF" even passes the RIFF test.
    Bytes bytes;
    for (const char* name : {"RIFF.wav", "b.wav", "c.wav"}) {
        const Bytes record = WadRecord(name, 0x7FFFFFFF, 0);
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    const auto path = dir / "claims.wad";
    test::WriteBytes(path, bytes);
    wad.DecodeWad(path);
    ASSERT_EQ(wad.GetWadCount(), 3);
    try {
        wad.ExtractWadSound(dir / "a.wav", 1);
        FAIL() << "a sound larger than its archive must be refused";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("more than the whole archive holds (804)"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(hooks.questions.empty());
    ExpectNoLeftovers(dir.path(), {"claims.wad"});

    // Exactly as large as the archive is still taken, the rest padded.
    Bytes whole = WadRecord("whole.wav", 268 + 64, 268);
    const Bytes wav = MakeWav(64);
    whole.insert(whole.end(), wav.begin(), wav.end());
    test::WriteBytes(path, whole);
    wad.DecodeWad(path);
    ASSERT_TRUE(wad.ExtractWadSound(dir / "whole.wav", 1));
    Bytes expected = wav;
    expected.resize(268 + 64, 0);
    EXPECT_EQ(ReadBytes(dir / "whole.wav"), expected);
}

TEST_F(ExtractionTest, TargetThatIsTheArchiveItselfIsRefused) {
    // A sound named like its archive, saved into the archive's folder.
    const auto path = Wad({{"archive.wad", MakeWav(64, 1)}, {"next.wav", MakeWav(80, 2)}});
    const Bytes before = ReadBytes(path);
    try {
        wad.ExtractWadSound(path, 1);
        FAIL() << "writing over the archive must be refused";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("is the archive itself"), std::string::npos)
            << error.what();
    }
    // A hard link is the same file under another name.
    std::filesystem::create_hard_link(path, dir / "link.wad");
    EXPECT_THROW(wad.ExtractWadSound(dir / "link.wad", 1), ArchiveError);
    EXPECT_EQ(ReadBytes(path), before);
    ASSERT_TRUE(wad.ExtractWadSound(dir / "next.wav", 2));
    EXPECT_EQ(ReadBytes(dir / "next.wav"), MakeWav(80, 2));
}

TEST_F(ExtractionTest, MultiChunkSoundFromAnSfxArchiveAndRepeatsReplace) {
    const Bytes big = MakeWav(3 * 1024 * 1024 + 17, 9);
    const auto path = dir / "big.sfx";
    const std::vector<PackMember> members = {PackMember::FromBytes("small", MakeWav(64)),
                                             PackMember::FromBytes("big", big)};
    WriteSfxArchive(path, members);
    sfx.DecodeSfx(path);
    const auto out = dir / "edsnd002.wav";
    ASSERT_TRUE(sfx.ExtractSfxSound(out, 2));
    ASSERT_TRUE(sfx.ExtractSfxSound(out, 2));
    EXPECT_EQ(ReadBytes(out), big);
    ASSERT_TRUE(sfx.ExtractSfxSound(out, 1));
    EXPECT_EQ(ReadBytes(out), MakeWav(64));
}

TEST_F(ExtractionTest, FourBytesOfRiffAreASoundAndThreeAreNot) {
    Wad({{"four.wav", {'R', 'I', 'F', 'F'}}, {"three.wav", {'R', 'I', 'F'}}});
    EXPECT_TRUE(wad.ExtractWadSound(dir / "four.wav", 1));
    EXPECT_TRUE(hooks.questions.empty());
    EXPECT_EQ(ReadBytes(dir / "four.wav"), (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_FALSE(wad.ExtractWadSound(dir / "three.wav", 2));
    EXPECT_EQ(hooks.questions.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(dir / "three.wav"));
}

#ifdef __linux__
// Whether this process holds `path` open, from the kernel's list of its files.
bool HoldsOpen(const std::filesystem::path& path) {
    const auto target = std::filesystem::canonical(path);
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(fd.path(), ec) == target) {
            return true;
        }
    }
    return false;
}

TEST_F(ExtractionTest, ArchiveIsClosedWhileTheQuestionWaits) {
    // A user may move or replace the archive while the question is up.
    struct Watching : test::RecordingHooks {
        std::filesystem::path archive;
        bool heldOpen = true;
        bool SaveSoundThatIsNotRiff(const SoundQuery& sound) override {
            heldOpen = HoldsOpen(archive);
            return RecordingHooks::SaveSoundThatIsNotRiff(sound);
        }
    } watching;
    wadDecoder decoder{watching};
    watching.archive = dir / "archive.wad";
    WriteWadArchive(watching.archive, {PackMember::FromBytes("odd.wav", Bytes(64, 'x'))});
    decoder.DecodeWad(watching.archive);
    watching.answers = {true};
    ASSERT_TRUE(decoder.ExtractWadSound(dir / "odd.wav", 1));
    ASSERT_EQ(watching.questions.size(), 1u);
    EXPECT_FALSE(watching.heldOpen);
    EXPECT_EQ(ReadBytes(dir / "odd.wav"), Bytes(64, 'x'));
}
#endif

TEST_F(ExtractionTest, EmptyAndVanishedSoundsAskAndWriteZeroBytes) {
    Bytes bytes = WadRecord("empty.wav", 0, 268);
    const auto path = dir / "empty.wad";
    test::WriteBytes(path, bytes);
    wad.DecodeWad(path);
    hooks.answers = {true, true};
    ASSERT_TRUE(wad.ExtractWadSound(dir / "empty.wav", 1));
    EXPECT_TRUE(ReadBytes(dir / "empty.wav").empty());

    Wad({{"gone.wav", MakeWav(64)}});
    std::filesystem::remove(dir / "archive.wad");
    ASSERT_TRUE(wad.ExtractWadSound(dir / "gone.wav", 1));
    EXPECT_EQ(hooks.questions.size(), 2u);
    EXPECT_EQ(ReadBytes(dir / "gone.wav"), Bytes(64, 0));
    EXPECT_FALSE(std::filesystem::exists(dir / "archive.wad"));
}

TEST_F(ExtractionTest, NegativeSizeOrOffsetFailsBeforeAnythingIsWritten) {
    const auto path = dir / "neg.wad";
    Bytes bytes = WadRecord("a.wav", 0xFFFFFFF0, 536);
    const Bytes second = WadRecord("b.wav", 10, 0xFFFFFF00);
    bytes.insert(bytes.end(), second.begin(), second.end());
    test::WriteBytes(path, bytes);
    wad.DecodeWad(path);
    ASSERT_EQ(wad.GetWadCount(), 2);
    EXPECT_THROW(wad.ExtractWadSound(dir / "a.wav", 1), ArchiveError);
    EXPECT_THROW(wad.ExtractWadSound(dir / "b.wav", 2), ArchiveError);
    EXPECT_THROW(wad.ExtractWadSound(dir / "c.wav", 1001), ArchiveError);
    EXPECT_TRUE(hooks.questions.empty());
    ExpectNoLeftovers(dir.path(), {"neg.wad"});
}

TEST_F(ExtractionTest, MissingOutputFolderFailsNamingThePath) {
    Wad({{"a.wav", MakeWav(64)}});
    const auto out = dir / "nowhere" / "a.wav";
    try {
        wad.ExtractWadSound(out, 1);
        FAIL() << "writing into a missing folder must fail";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find(out.string()), std::string::npos);
    }
}

TEST_F(ExtractionTest, NameTheFileSystemRefusesFailsAndWritesNothing) {
    // Longer than the 255 bytes most file systems allow in a name.
    Wad({{"x.wav", MakeWav(64)}});
    EXPECT_THROW(wad.ExtractWadSound(dir / (std::string(300, 'n') + ".wav"), 1), ArchiveError);
    ExpectNoLeftovers(dir.path(), {"archive.wad"});
}

TEST_F(ExtractionTest, SymbolicLinkAtTheTargetIsReplacedNotWrittenThrough) {
    Wad({{"a.wav", MakeWav(64, 5)}});
    const auto victim = dir / "victim.txt";
    test::WriteBytes(victim, {'k', 'e', 'e', 'p'});
    std::filesystem::create_symlink(victim, dir / "a.wav");
    ASSERT_TRUE(wad.ExtractWadSound(dir / "a.wav", 1));
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "a.wav"));
    EXPECT_EQ(ReadBytes(dir / "a.wav"), MakeWav(64, 5));
    EXPECT_EQ(ReadBytes(victim), (Bytes{'k', 'e', 'e', 'p'}));
}

#ifndef _WIN32
// Stands in for a full disk: writes past the limit fail with EFBIG.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

  private:
    rlimit saved_{};
};

TEST_F(ExtractionTest, FailedWriteLeavesNoPartialFileAndTheEarlierOneIntact) {
    const Bytes big = MakeWav(3 * 1024 * 1024, 4);
    Wad({{"big.wav", big}});
    const auto out = dir / "out";
    std::filesystem::create_directory(out);
    test::WriteBytes(out / "big.wav", {'o', 'l', 'd'});
    {
        FileSizeLimit limit(1024 * 1024);
        EXPECT_THROW(wad.ExtractWadSound(out / "big.wav", 1), ArchiveError);
    }
    EXPECT_EQ(ReadBytes(out / "big.wav"), (Bytes{'o', 'l', 'd'}));
    ExpectNoLeftovers(out, {"big.wav"});

    // Converted, the encoder's failure is one clean sentence: one full stop.
    Wad({{"tone.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 10, 440, 0.5)}});
    std::string said;
    {
        FileSizeLimit limit(64 * 1024);
        try {
            ConvertCataloguedSound(wad.Catalogue(), 1, out / "tone.flac", ConvertTo::Flac);
        } catch (const ArchiveError& error) {
            said = error.what();
        }
    }
    EXPECT_EQ(said.rfind("Could not write '", 0), 0u) << said;
    EXPECT_EQ(said.find(".."), std::string::npos) << said;
    EXPECT_EQ(said.back(), '.') << said;
    ExpectNoLeftovers(out, {"big.wav"});
}
#endif

}  // namespace
}  // namespace echodelve
