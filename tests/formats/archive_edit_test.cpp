#include "formats/archive_edit.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sndfile.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "formats/archive_check.h"
#include "formats/archive_kinds.h"
#include "formats/sound_extractor.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::MakeWav;
using test::ReadBytes;
using Kind = EditOperation::Kind;

class ArchiveEditTest : public ::testing::Test {
  protected:
    // A WAD (or SFX) of `count` sounds named s1.wav .., each of its own size.
    std::filesystem::path MakeArchive(const std::string& name, int count,
                                      ArchiveKind kind = ArchiveKind::Wad) {
        std::vector<PackMember> members;
        for (int n = 1; n <= count; ++n) {
            members.push_back(PackMember::FromBytes(
                "s" + std::to_string(n) + ".wav",
                MakeWav(60 + static_cast<std::size_t>(n), static_cast<std::uint8_t>(n))));
        }
        Describe(kind).write(dir / name, members, {}, nullptr);
        return dir / name;
    }

    std::unique_ptr<ArchiveDecoder> Open(const std::filesystem::path& archive,
                                         ArchiveKind kind = ArchiveKind::Wad) {
        auto decoder = MakeDecoder(kind, hooks);
        decoder->Decode(archive);
        return decoder;
    }

    // The names and bytes an archive holds, in order.
    std::vector<std::pair<std::string, Bytes>> Sounds(const std::filesystem::path& archive,
                                                      ArchiveKind kind = ArchiveKind::Wad) {
        const auto decoder = Open(archive, kind);
        std::vector<std::pair<std::string, Bytes>> sounds;
        for (std::int32_t n = 1; n <= decoder->Count(); ++n) {
            Bytes bytes;
            CopyCataloguedSound(decoder->Catalogue(), n, [&bytes](auto piece) {
                bytes.insert(bytes.end(), piece.begin(), piece.end());
            });
            sounds.emplace_back(decoder->Entry(n).name, std::move(bytes));
        }
        return sounds;
    }

    test::TempDir dir;
    test::RecordingHooks hooks;
};

// Extracting every sound and writing them back, by an edit with nothing to do
// or by packing the extracted files in order, gives the archive back byte for
// byte, and a check of what was written finds nothing.
TEST_F(ArchiveEditTest, RoundTripsGiveEveryArchiveBackByteForByte) {
    std::mt19937 random(7);
    for (const ArchiveKind kind : {ArchiveKind::Sfx, ArchiveKind::Wad}) {
        for (const int count : {1, 2, 37, 299}) {
            SCOPED_TRACE(std::string(Describe(kind).name) + " of " + std::to_string(count));
            std::vector<PackMember> members;
            for (int n = 1; n <= count; ++n) {
                members.push_back(PackMember::FromBytes(
                    "r" + std::to_string(n) + ".wav",
                    MakeWav(44 + random() % 3000, static_cast<std::uint8_t>(random()))));
            }
            const std::filesystem::path archive = dir / "round";
            Describe(kind).write(archive, members, {}, nullptr);
            const auto decoder = Open(archive, kind);

            WriteEditedArchive(*decoder, {}, dir / "edited");
            EXPECT_EQ(ReadBytes(dir / "edited"), ReadBytes(archive));

            std::vector<PackMember> extracted;
            std::filesystem::create_directories(dir / "x");
            for (std::int32_t n = 1; n <= decoder->Count(); ++n) {
                const auto file = dir / "x" / decoder->Entry(n).name;
                ASSERT_TRUE(ExtractCataloguedSound(decoder->Catalogue(), n, file, hooks));
                extracted.push_back(PackMember::FromFile(file));
            }
            Describe(kind).write(dir / "packed", extracted, {}, nullptr);
            EXPECT_EQ(ReadBytes(dir / "packed"), ReadBytes(archive));
            EXPECT_TRUE(CheckArchive(*Open(dir / "edited", kind), false).empty());
            std::filesystem::remove_all(dir / "x");
        }
    }
}

// A directory record a writer would not make (bytes after the name's end, a
// name with no ".") stays as it is where the edit keeps its sound.
TEST_F(ArchiveEditTest, KeptRecordsKeepTheirNameFieldsByteForByte) {
    Bytes record = test::WadRecord("abc", 60, 2 * 268);
    record[4] = 'x';  // "abc\0x.y": the name is "abc", the rest stays
    record[5] = '.';
    record[6] = 'y';
    const Bytes archive = test::Join(
        {record, test::WadRecord("b.wav", 61, 2 * 268 + 60), MakeWav(60, 1), MakeWav(61, 2)});
    test::WriteBytes(dir / "odd.wad", archive);
    const auto decoder = Open(dir / "odd.wad");
    WriteEditedArchive(*decoder, {}, dir / "same.wad");
    EXPECT_EQ(ReadBytes(dir / "same.wad"), archive);
    const EditOperation rename{Kind::Rename, {2}, {}, "c.wav", 0};
    WriteEditedArchive(*decoder, std::span(&rename, 1), dir / "renamed.wad");
    const Bytes renamed = ReadBytes(dir / "renamed.wad");
    EXPECT_TRUE(std::equal(record.begin(), record.end(), renamed.begin()));
    EXPECT_EQ(Sounds(dir / "renamed.wad")[1].first, "c.wav");
}

// Operations apply in the order given, sounds named by their numbers as read.
TEST_F(ArchiveEditTest, OperationsComposeInOrder) {
    test::WriteBytes(dir / "new.wav", MakeWav(300, 99));
    const std::filesystem::path file = dir / "new.wav";
    struct Case {
        const char* label;
        std::vector<EditOperation> operations;
        std::vector<std::string> names;  // in the result; empty when refused
        std::string refusal;
    };
    const Case cases[] = {
        {"move to the first place",
         {{Kind::Move, {3}, {}, {}, 1}},
         {"s3.wav", "s1.wav", "s2.wav", "s4.wav", "s5.wav"},
         ""},
        {"move two, keeping their order, to the last place",
         {{Kind::Move, {1, 2}, {}, {}, 4}},
         {"s3.wav", "s4.wav", "s5.wav", "s1.wav", "s2.wav"},
         ""},
        {"one place past the last", {{Kind::Move, {1, 2}, {}, {}, 5}}, {}, "places are 1 to 4."},
        {"place 0", {{Kind::Move, {1}, {}, {}, 0}}, {}, "place 0: the places are 1 to 5."},
        {"sound 0",
         {{Kind::Replace, {0}, file, {}, 0}},
         {},
         "There is no sound 0; the archive holds 5."},
        {"one past the last sound", {{Kind::Remove, {6}, {}, {}, 0}}, {}, "There is no sound 6;"},
        {"the last sound",
         {{Kind::Remove, {5}, {}, {}, 0}},
         {"s1.wav", "s2.wav", "s3.wav", "s4.wav"},
         ""},
        {"after a removal, numbers still as read",
         {{Kind::Remove, {1}, {}, {}, 0}, {Kind::Move, {5}, {}, {}, 1}},
         {"s5.wav", "s2.wav", "s3.wav", "s4.wav"},
         ""},
        {"a removed sound cannot move",
         {{Kind::Remove, {2}, {}, {}, 0}, {Kind::Move, {2}, {}, {}, 1}},
         {},
         "Sound 2 was removed already."},
        {"added at the end, then a sound moves past it",
         {{Kind::Add, {}, file, {}, 0}, {Kind::Move, {1}, {}, {}, 6}},
         {"s2.wav", "s3.wav", "s4.wav", "s5.wav", "new.wav", "s1.wav"},
         ""},
        {"renamed then moved",
         {{Kind::Rename, {4}, {}, "bell.wav", 0}, {Kind::Move, {4}, {}, {}, 1}},
         {"bell.wav", "s1.wav", "s2.wav", "s3.wav", "s5.wav"},
         ""},
        {"renamed, then replaced: the new name stays",
         {{Kind::Rename, {2}, {}, "horn.wav", 0}, {Kind::Replace, {2}, file, {}, 0}},
         {"s1.wav", "horn.wav", "s3.wav", "s4.wav", "s5.wav"},
         ""},
        {"a rename that repeats a name",
         {{Kind::Rename, {4}, {}, "S1.WAV", 0}},
         {},
         "(ignoring case)"},
        {"a name repeated, then freed",
         {{Kind::Rename, {4}, {}, "S1.WAV", 0}, {Kind::Rename, {1}, {}, "x.wav", 0}},
         {"x.wav", "s2.wav", "s3.wav", "S1.WAV", "s5.wav"},
         ""},
    };
    const auto archive = MakeArchive("five.wad", 5);
    const auto decoder = Open(archive);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::filesystem::remove(dir / "out.wad");
        try {
            WriteEditedArchive(*decoder, c.operations, dir / "out.wad");
            EXPECT_EQ(c.refusal, "");
        } catch (const ArchiveError& error) {
            EXPECT_NE(c.refusal, "") << error.what();
            EXPECT_NE(std::string(error.what()).find(c.refusal), std::string::npos) << error.what();
            EXPECT_FALSE(exists(dir / "out.wad"));
            continue;
        }
        std::vector<std::string> names;
        for (const auto& [name, bytes] : Sounds(dir / "out.wad")) {
            names.push_back(name);
            // Kept sounds carry their own bytes wherever they go.
            if (name.starts_with("s")) {
                const int n = std::stoi(name.substr(1));
                EXPECT_EQ(bytes,
                          MakeWav(60 + static_cast<std::size_t>(n), static_cast<std::uint8_t>(n)))
                    << name;
            }
        }
        EXPECT_EQ(names, c.names);
    }
    // Names the archive already repeats do not stop an edit; a name the edit
    // gives may repeat none.
    Describe(ArchiveKind::Wad)
        .write(dir / "twice.wad",
               {PackMember::FromBytes("d.wav", MakeWav(50)),
                PackMember::FromBytes("D.WAV", MakeWav(51)),
                PackMember::FromBytes("e.wav", MakeWav(52))},
               {}, nullptr);
    const auto twice = Open(dir / "twice.wad");
    const EditOperation replace{Kind::Replace, {3}, file, {}, 0};
    EXPECT_NO_THROW(WriteEditedArchive(*twice, std::span(&replace, 1), dir / "kept.wad"));
    const EditOperation rename{Kind::Rename, {3}, {}, "D.wav", 0};
    EXPECT_THROW(WriteEditedArchive(*twice, std::span(&rename, 1), dir / "refused.wad"),
                 ArchiveError);
    EXPECT_FALSE(exists(dir / "refused.wad"));
}

// --match: the replacement takes the replaced sound's encoding, rate,
// channels and loop (scaled to its length); without it, a note.
TEST_F(ArchiveEditTest, AReplacementIsMatchedToTheSoundItReplacesOrNoted) {
    const Bytes adpcm =
        test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 11025, 1, 1.0, 300, 0.5, 1000, 5000);
    const Bytes plain = test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, 0.05, 300, 0.5);
    const Bytes stereo = test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 0.5, 300, 0.5);
    test::WriteBytes(dir / "new.wav", stereo);
    test::WriteBytes(dir / "plain.wav", plain);
    Describe(ArchiveKind::Wad)
        .write(
            dir / "a.wad",
            {PackMember::FromBytes("loop.wav", adpcm), PackMember::FromBytes("plain.wav", plain)},
            {}, nullptr);
    const auto decoder = Open(dir / "a.wad");

    const EditOperation replace{Kind::Replace, {1}, dir / "new.wav", {}, 0};
    const EditReport noted =
        WriteEditedArchive(*decoder, std::span(&replace, 1), dir / "noted.wad");
    ASSERT_EQ(noted.notes.size(), 1U);
    EXPECT_EQ(noted.notes[0], "'" + (dir / "new.wav").string() +
                                  "' (PCM 16-bit, 44100 Hz, 2 channels) replaces sound 1 "
                                  "'loop.wav' (IMA ADPCM, 11025 Hz, mono), which the game may "
                                  "not expect.");
    EXPECT_EQ(Sounds(dir / "noted.wad")[0].second, stereo);  // as given

    const EditReport matched =
        WriteEditedArchive(*decoder, std::span(&replace, 1), dir / "matched.wad", {.match = true});
    EXPECT_TRUE(matched.notes.empty());
    const auto result = Open(dir / "matched.wad");
    const SoundDetails was = *decoder->Details(1).details;
    const SoundDetails details = *result->Details(1).details;
    EXPECT_EQ(details.encoding, "IMA ADPCM");
    EXPECT_EQ(details.sampleRate, 11025);
    EXPECT_EQ(details.channels, 1);
    EXPECT_NEAR(static_cast<double>(details.frames), 5512.5, 600);  // ADPCM fills its last block
    // The loop stays at the same fraction of the way in, in the new length
    // (a quarter of the stereo sound's frames at the lower rate).
    ASSERT_TRUE(was.loop && details.loop);
    const double scale = 22050.0 / 4 / static_cast<double>(was.frames);
    EXPECT_NEAR(static_cast<double>(details.loop->start),
                static_cast<double>(was.loop->start) * scale, 1.5);
    EXPECT_NEAR(static_cast<double>(details.loop->end), static_cast<double>(was.loop->end) * scale,
                1.5);
    EXPECT_EQ(result->Entry(2).name, "plain.wav");

    // The same format needs no note and no conversion: the file goes in as it is.
    const EditOperation same{Kind::Replace, {2}, dir / "plain.wav", {}, 0};
    for (const bool match : {false, true}) {
        const EditReport report =
            WriteEditedArchive(*decoder, std::span(&same, 1), dir / "same.wad", {.match = match});
        EXPECT_TRUE(report.notes.empty());
        EXPECT_EQ(Sounds(dir / "same.wad")[1].second, plain);
    }
    // A replacement must be a whole RIFF file: not one with bytes after it.
    Bytes trailing = plain;
    trailing.insert(trailing.end(), {'J', 'U', 'N', 'K'});
    test::WriteBytes(dir / "trailing.wav", trailing);
    const EditOperation junk{Kind::Replace, {2}, dir / "trailing.wav", {}, 0};
    EXPECT_THROW(WriteEditedArchive(*decoder, std::span(&junk, 1), dir / "never.wad"),
                 ArchiveError);
    // An extensible WAV (more than two channels) keeps its loop when matched.
    const Bytes six =
        test::ToneWav(SF_FORMAT_WAVEX | SF_FORMAT_PCM_16, 11025, 6, 0.5, 300, 0.5, 500, 2500);
    Describe(ArchiveKind::Wad)
        .write(dir / "six.wad", {PackMember::FromBytes("six.wav", six)}, {}, nullptr);
    const EditOperation toSix{Kind::Replace, {1}, dir / "plain.wav", {}, 0};
    WriteEditedArchive(*Open(dir / "six.wad"), std::span(&toSix, 1), dir / "six2.wad",
                       {.match = true});
    const SoundDetails sixDetails = *Open(dir / "six2.wad")->Details(1).details;
    EXPECT_EQ(sixDetails.channels, 6);
    EXPECT_TRUE(sixDetails.loop);
    // A sound that cannot be decoded has no format to match.
    test::WriteBytes(dir / "odd.wad", ReadBytes(dir / "a.wad"));
    Bytes broken = ReadBytes(dir / "odd.wad");
    broken[2 * 268 + 8] = 'X';  // "WAVE" of sound 1
    test::WriteBytes(dir / "odd.wad", broken);
    EXPECT_THROW(WriteEditedArchive(*Open(dir / "odd.wad"), std::span(&replace, 1),
                                    dir / "never.wad", {.match = true}),
                 ArchiveError);
    EXPECT_FALSE(exists(dir / "never.wad"));
}

class InPlaceEditTest : public ArchiveEditTest {
  protected:
    void SetUp() override {
        archive = MakeArchive("game.wad", 4);
        chmod(archive.c_str(), 0640);
        original = ReadBytes(archive);
    }
    std::filesystem::path archive;
    Bytes original;
    const EditOperation remove{Kind::Remove, {2}, {}, {}, 0};
};

TEST_F(InPlaceEditTest, ReplacesTheArchiveKeepingABackupAndItsPermissions) {
    test::WriteBytes(BackupPath(archive), {'o', 'l', 'd'});  // an older backup
    WriteEditedArchive(*Open(archive), std::span(&remove, 1), archive, {.inPlace = true});
    EXPECT_EQ(Sounds(archive).size(), 3U);
    EXPECT_EQ(ReadBytes(BackupPath(archive)), original);
    struct stat info {};
    ASSERT_EQ(stat(archive.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640U);
    EXPECT_EQ(test::FileNames(dir.path()), (std::vector<std::string>{"game.wad", "game.wad.bak"}));
    // The owner stays, and a set-id bit only with the owner (root may give a file away).
    if (geteuid() == 0) {
        ASSERT_EQ(chown(archive.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chmod(archive.c_str(), 04750), 0);
        WriteEditedArchive(*Open(archive), {}, archive, {.inPlace = true, .backup = false});
        ASSERT_EQ(stat(archive.c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 65534U);
        EXPECT_EQ(info.st_mode & 07777, 04750U);
    }

    // Without a backup, none is made.
    std::filesystem::remove(BackupPath(archive));
    WriteEditedArchive(*Open(archive), std::span(&remove, 1), archive,
                       {.inPlace = true, .backup = false});
    EXPECT_EQ(Sounds(archive).size(), 2U);
    EXPECT_FALSE(exists(BackupPath(archive)));
    // Not asked for, writing over the archive is refused.
    EXPECT_THROW(WriteEditedArchive(*Open(archive), {}, archive), ArchiveError);
}

// Where the file system has no second names for a file (link() refused, as
// on FAT), the backup is a copy; either way it holds the old bytes.
TEST_F(InPlaceEditTest, TheBackupIsASecondNameOrElseACopy) {
    for (const bool links : {true, false}) {
        SCOPED_TRACE(links ? "with links" : "without links");
        test::WriteBytes(archive, original);
        struct stat before {};
        ASSERT_EQ(stat(archive.c_str(), &before), 0);
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            if (!links) {  // in this child only: the filter is never lifted
                sock_filter filter[] = {
                    BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                    BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_link, 0, 1),
                    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
                    BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
                };
                const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
                prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
                prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program);
            }
            WriteEditedArchive(*Open(archive), std::span(&remove, 1), archive, {.inPlace = true});
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(ReadBytes(BackupPath(archive)), original);
        EXPECT_EQ(Sounds(archive).size(), 3U);
        struct stat backup {};
        ASSERT_EQ(stat(BackupPath(archive).c_str(), &backup), 0);
        EXPECT_EQ(backup.st_ino == before.st_ino, links);
    }
}

// Whatever fails on the way, the archive stands as it was, and nothing else
// is left in its folder.
TEST_F(InPlaceEditTest, AFailureOnTheWayLeavesTheArchiveAsItWas) {
    // Full disk, half-way through the sounds.
    {
        const auto decoder = Open(archive);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit half{original.size() / 2, before.rlim_max};
        setrlimit(RLIMIT_FSIZE, &half);
        EXPECT_THROW(
            WriteEditedArchive(*decoder, std::span(&remove, 1), archive, {.inPlace = true}),
            ArchiveError);
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, SIG_DFL);
    }
    // The backup cannot be made: a folder with something in it stands at its name.
    std::filesystem::create_directories(dir / "game.wad.bak" / "x");
    EXPECT_THROW(
        WriteEditedArchive(*Open(archive), std::span(&remove, 1), archive, {.inPlace = true}),
        ArchiveError);
    std::filesystem::remove_all(dir / "game.wad.bak");
    // A replacement that is no sound.
    std::filesystem::create_directory(dir / "elsewhere");
    test::WriteBytes(dir / "elsewhere/noise.wav", Bytes(100, 'A'));
    const EditOperation noise{Kind::Replace, {1}, dir / "elsewhere/noise.wav", {}, 0};
    EXPECT_THROW(
        WriteEditedArchive(*Open(archive), std::span(&noise, 1), archive, {.inPlace = true}),
        ArchiveError);
    // The archive cut short after it was read: its sounds are not there to keep.
    {
        const auto decoder = Open(archive);
        std::filesystem::resize_file(archive, original.size() - 10);
        EXPECT_THROW(WriteEditedArchive(*decoder, {}, dir / "copy.wad"), ArchiveError);
        test::WriteBytes(archive, original);
    }
    EXPECT_EQ(ReadBytes(archive), original);
    std::filesystem::remove_all(dir / "elsewhere");
    EXPECT_EQ(test::FileNames(dir.path()), (std::vector<std::string>{"game.wad"}));
}

}  // namespace
}  // namespace echodelve
