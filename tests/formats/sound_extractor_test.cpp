#include "formats/sound_extractor.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <ranges>

#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

#include "formats/archive_writers.h"
#include "formats/errors.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve::sound_extractor_tests {
namespace {

using test::Bytes;
using test::MakeWav;
using test::ReadBytes;
using test::WadRecord;
using Names = std::vector<std::string>;

using test::Join;

// What a failure said, "refused: " first for a SoundRefused; "" when there was none.
template <typename Action>
std::string Failure(Action action) {
    try {
        action();
        return "";
    } catch (const SoundRefused& error) {
        return std::string("refused: ") + error.what();
    } catch (const ArchiveError& error) {
        return error.what();
    }
}

class ExtractionTest : public ::testing::Test {
  protected:
    // A WAD archive of the given files, decoded.
    void Wad(const std::vector<std::pair<std::string, Bytes>>& files) {
        std::vector<PackMember> members;
        for (const auto& [name, bytes] : files) {
            members.push_back(PackMember::FromBytes(name, bytes));
        }
        WriteWadArchive(archive, members);
        wad.DecodeWad(archive);
    }
    // The sound as CopyCataloguedSound hands it on to a pipe.
    Bytes Piped(std::int64_t number) {
        Bytes piped;
        CopyCataloguedSound(wad.Catalogue(), number, [&piped](std::span<const std::uint8_t> piece) {
            piped.insert(piped.end(), piece.begin(), piece.end());
        });
        return piped;
    }
    std::string Converted(std::int64_t number) {
        return Failure([&] {
            ConvertCataloguedSound(wad.Catalogue(), number, dir / "c.flac", ConvertTo::Flac);
        });
    }

    // Records too whether the archive was open while a question waited: a
    // user may move or replace it meanwhile.
    struct Hooks : test::RecordingHooks {
        std::filesystem::path archive;
        bool heldOpen = false;
        bool SaveSoundThatIsNotRiff(const SoundQuery& sound) override {
#ifdef __linux__
            for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
                std::error_code ec;
                heldOpen = heldOpen || std::filesystem::equivalent(fd.path(), archive, ec);
            }
#endif
            return RecordingHooks::SaveSoundThatIsNotRiff(sound);
        }
    };

    test::TempDir dir;
    std::filesystem::path archive = dir / "archive.wad";
    const std::filesystem::path out = dir / "out.wav";
    Hooks hooks;
    wadDecoder wad{hooks};
};

TEST_F(ExtractionTest, ASoundIsWrittenAsItStandsAndBytesPastTheEndAsZeros) {
    const Bytes wav = MakeWav(100);  // at 268, ending the archive of 368 bytes
    // The record's name, size and offset, and why it is refused (a SoundRefused).
    // clang-format off
    const std::tuple<const char*, std::uint32_t, std::uint32_t, std::string> cases[] = {
        {"a.wav", 100, 268, ""}, {"a.wav", 99, 268, ""},  // the record decides, not the RIFF header
        {"a.wav", 101, 268, ""}, {"a.wav", 368, 268, ""},  // as large as the whole archive
        {"a.wav", 369, 268, "declares 369 bytes, more than the whole archive holds (368)"},
        // A name beginning "RIFF" at offset 0 even passes for a RIFF file.
        {"RIFF.wav", 0x7FFFFFFF, 0, "declares 2147483647 bytes, more than the whole archive"},
        {"a.wav", 0xFFFFFFFF, 268, "declares a negative size (-1 bytes)"},
        {"a.wav", 100, 0x80000000, "declares a negative offset (-2147483648)"}};
    // clang-format on
    for (const auto& [name, size, offset, refusal] : cases) {
        SCOPED_TRACE(std::to_string(size) + " at " + std::to_string(offset));
        test::WriteBytes(archive, Join({WadRecord(name, size, offset), wav}));
        wad.DecodeWad(archive);
        const std::string failed = Failure([&] { wad.ExtractWadSound(out, 1); });
        EXPECT_EQ(Failure([&] { Piped(1); }), failed);
        if (refusal.empty()) {
            EXPECT_EQ(failed, "");
            Bytes expected = wav;
            expected.resize(size, 0);
            EXPECT_EQ(ReadBytes(out), expected);
            EXPECT_EQ(Piped(1), expected);
            std::filesystem::remove(out);
        } else {
            EXPECT_EQ(failed.rfind("refused: ", 0), 0u) << failed;
            EXPECT_NE(failed.find(refusal), std::string::npos) << failed;
            EXPECT_EQ(Converted(1), failed);
        }
        EXPECT_TRUE(hooks.questions.empty());
        EXPECT_EQ(test::FileNames(dir.path()), Names{"archive.wad"});
    }
    EXPECT_THROW(wad.ExtractWadSound(out, 1001), ArchiveError);
}

TEST_F(ExtractionTest, ASoundNotBeginningWithRiffIsWrittenOnlyIfTheUserAgrees) {
    const std::vector<std::pair<std::string, Bytes>> sounds = {
        {"four.wav", {'R', 'I', 'F', 'F'}},  // a RIFF sound, written without a question
        {"three.wav", {'R', 'I', 'F'}},
        {"lower.wav", Join({{'r', 'i', 'f', 'f'}, MakeWav(100)})},
        {"rifx.wav", Join({{'R', 'I', 'F', 'X'}, MakeWav(100)})},
        {"empty.wav", {}}};
    Wad(sounds);
    hooks.archive = archive;
    for (std::int64_t n = 1; n <= 5; ++n) {
        const auto& [name, bytes] = sounds[static_cast<std::size_t>(n - 1)];
        SCOPED_TRACE(name);
        test::WriteBytes(out, {'o', 'l', 'd'});
        hooks.questions.clear();
        hooks.answers = {false, true};
        const bool asks = n > 1;
        EXPECT_EQ(wad.ExtractWadSound(out, n), !asks);
        EXPECT_EQ(ReadBytes(out), (asks ? Bytes{'o', 'l', 'd'} : bytes));
        if (!asks) {
            EXPECT_TRUE(hooks.questions.empty());
            continue;
        }
        EXPECT_TRUE(wad.ExtractWadSound(out, n));
        EXPECT_EQ(ReadBytes(out), bytes);
        ASSERT_EQ(hooks.questions.size(), 2u);
        EXPECT_EQ(hooks.questions[1].number, n);
        EXPECT_EQ(hooks.questions[1].name, name);
        EXPECT_EQ(hooks.questions[1].archive, archive);
    }
    // An archive gone since it was opened fails the sound: it is not read
    // as zeros, asked about or written.
    const Bytes before = ReadBytes(out);
    std::filesystem::remove(archive);
    hooks.answers = {true};
    const std::size_t asked = hooks.questions.size();
    try {
        wad.ExtractWadSound(out, 3);
        ADD_FAILURE() << "a sound of a vanished archive was written";
    } catch (const ArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("no longer there"), std::string::npos);
    }
    EXPECT_EQ(hooks.questions.size(), asked);
    EXPECT_EQ(ReadBytes(out), before);
    EXPECT_EQ(test::FileNames(dir.path()), Names{"out.wav"});
    EXPECT_FALSE(hooks.heldOpen);
}

// Bytes in memory whose size, as an open reader tells it, drops to `cutTo`
// once anything has been read: an archive cut short while a sound is copied.
class ShrinkingSource : public MemorySource {
  public:
    ShrinkingSource(Bytes bytes, std::int64_t cutTo)
        : MemorySource(std::move(bytes)), cutTo_(cutTo) {}
    std::unique_ptr<ByteReader> Open() const override {
        struct Reader : ByteReader {
            std::unique_ptr<ByteReader> whole;
            std::int64_t cutTo;
            bool read = false;
            void ReadAt(std::int64_t offset, std::span<std::uint8_t> into) override {
                read = true;
                whole->ReadAt(offset, into);
            }
            std::optional<std::int64_t> Size() const override {
                return read ? cutTo : whole->Size();
            }
        };
        auto reader = std::make_unique<Reader>();
        reader->whole = MemorySource::Open();
        reader->cutTo = cutTo_;
        return reader;
    }

  private:
    std::int64_t cutTo_;
};

TEST_F(ExtractionTest, AnArchiveCutShortSinceItWasOpenedFailsTheSoundsItLost) {
    // a.wav lies at 536..635, b.wav at 636..935; a grown archive is no harm.
    // The archive's new size, and whether each sound is whole in it.
    const std::tuple<std::uintmax_t, bool, bool> cases[] = {
        {937, true, true}, {935, true, false}, {636, true, false}, {635, false, false}};
    for (const auto& [size, aWhole, bWhole] : cases) {
        SCOPED_TRACE(size);
        Wad({{"a.wav", MakeWav(100, 1)}, {"b.wav", MakeWav(300, 2)}});
        std::filesystem::resize_file(archive, size);
        for (const auto& sound : {std::pair{1, aWhole}, std::pair{2, bWhole}}) {
            const int n = sound.first;  // a plain name: lambdas below capture it
            const bool whole = sound.second;
            const std::string failed = Failure([&] { wad.ExtractWadSound(out, n); });
            EXPECT_EQ(Failure([&] { Piped(n); }), failed);
            EXPECT_EQ(Converted(n), failed);
            if (whole) {
                EXPECT_EQ(failed, "");
                EXPECT_EQ(ReadBytes(out),
                          MakeWav(n == 1 ? 100 : 300, static_cast<std::uint8_t>(n)));
            } else {  // failed, not refused: the sound was whole once
                EXPECT_EQ(failed.rfind("Sound ", 0), 0u) << failed;
                EXPECT_NE(failed.find("has become shorter since it was opened (" +
                                      std::to_string(size) + " bytes, 936 then)"),
                          std::string::npos)
                    << failed;
            }
            EXPECT_EQ(std::filesystem::exists(out), whole);
            EXPECT_EQ(std::filesystem::exists(dir / "c.flac"), whole);
            std::filesystem::remove(out);
            std::filesystem::remove(dir / "c.flac");
        }
    }
    // Cut while it is being copied: the file is not kept.
    wad.Decode(std::make_shared<ShrinkingSource>(
        Join({WadRecord("c.wav", 3000, 268), MakeWav(3000, 3)}), 1000));
    EXPECT_THROW(wad.Extract(out, 1), ArchiveError);
    EXPECT_EQ(test::FileNames(dir.path()), Names{"archive.wad"});
}

TEST_F(ExtractionTest, ATargetThatIsTheArchiveItselfIsRefused) {
    // A sound named like its archive, saved into the archive's folder.
    Wad({{"archive.wad", MakeWav(64, 1)}, {"next.wav", MakeWav(80, 2)}});
    const Bytes before = ReadBytes(archive);
    EXPECT_NE(Failure([&] { wad.ExtractWadSound(archive, 1); }).find("is the archive itself"),
              std::string::npos);
    // A hard link is the same file under another name.
    std::filesystem::create_hard_link(archive, dir / "link.wad");
    EXPECT_THROW(wad.ExtractWadSound(dir / "link.wad", 1), ArchiveError);
    EXPECT_THROW(ConvertCataloguedSound(wad.Catalogue(), 1, archive, ConvertTo::Pcm16Wav),
                 ArchiveError);
    EXPECT_EQ(ReadBytes(archive), before);
    ASSERT_TRUE(wad.ExtractWadSound(dir / "next.wav", 2));
    EXPECT_EQ(ReadBytes(dir / "next.wav"), MakeWav(80, 2));
}

TEST_F(ExtractionTest, AWriteThatFailsLeavesNoPartOfItAndAnyEarlierFileIntact) {
    const Bytes big = MakeWav(3 * 1024 * 1024, 4);  // more than one piece
    Wad({{"a.wav", big},
         {"tone.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 10, 440, 0.5)}});
    EXPECT_EQ(Piped(1), big);
    test::WriteBytes(out, {'o', 'l', 'd'});
    // A name longer than a file system takes fails when it is given.
    EXPECT_THROW(wad.ExtractWadSound(dir / (std::string(300, 'n') + ".wav"), 1), ArchiveError);
#ifndef _WIN32
    // A full disk: writes past the limit fail with EFBIG.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto limited = [&saved](rlim_t bytes, const std::function<void()>& action) {
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
        action();
        setrlimit(RLIMIT_FSIZE, &saved);
    };
    limited(1024 * 1024, [&] { EXPECT_THROW(wad.ExtractWadSound(out, 1), ArchiveError); });
    // Converted, the encoder's failure is one clean sentence: one full stop.
    std::string said;
    limited(64 * 1024, [&] { said = Converted(2); });
    EXPECT_EQ(said.rfind("Could not write '" + (dir / "c.flac").string() + "': ", 0), 0u) << said;
    EXPECT_EQ(said.find(".."), std::string::npos) << said;
    EXPECT_EQ(said.back(), '.') << said;
#endif
    EXPECT_EQ(ReadBytes(out), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(test::FileNames(dir.path()), (Names{"archive.wad", "out.wav"}));
}

}  // namespace
}  // namespace echodelve::sound_extractor_tests
