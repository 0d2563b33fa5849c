#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include <sstream>

#include <sndfile.h>

#include "formats/archive_writers.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace echodelve::cli {
namespace {

using test::Bytes;
using test::MakeWav;
using test::ReadBytes;

struct Result {
    int code;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
  protected:
    Result Run(std::vector<std::string> args, const std::string& input = "", bool terminal = false,
               bool outIsTerminal = false) {
        std::istringstream in(input);
        std::ostringstream out;
        std::ostringstream err;
        Console console{in, out, err, terminal, terminal, outIsTerminal};
        const int code = RunCli(args, console);
        return {code, out.str(), err.str()};
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }

    // A WAD holding riff sounds and, third, one that does not begin with RIFF.
    std::string MixedWad() {
        Bytes notRiff = MakeWav(80, 3);
        notRiff[0] = 'X';
        const std::vector<PackMember> members = {
            PackMember::FromBytes("door.wav", MakeWav(100, 1)),
            PackMember::FromBytes("door.wav", MakeWav(120, 2)),
            PackMember::FromBytes("odd.wav", notRiff),
            PackMember::FromBytes("../up\x01.wav", MakeWav(60, 4)),
        };
        WriteWadArchive(dir / "mixed.wad", members);
        return Path("mixed.wad");
    }

    test::TempDir dir;
};

TEST_F(CliTest, ListPrintsNumberNameSizeAndOffset) {
    const Result r = Run({"list", MixedWad()});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "1\tdoor.wav\t100\t1072\n"
              "2\tdoor.wav\t120\t1172\n"
              "3\todd.wav\t80\t1292\n"
              "4\t../up\\x01.wav\t60\t1372\n");
}

TEST_F(CliTest, ListEscapesExactlyTheControlCharacters) {
    // 0x1F and 0x7F are the edges of the control ranges; " " and "~" are not controls.
    WriteWadArchive(dir / "edges.wad", {PackMember::FromBytes("a\x1F b~\x7F.wav", MakeWav(50))});
    const Result r = Run({"list", Path("edges.wad")});
    EXPECT_EQ(r.out, "1\ta\\x1F b~\\x7F.wav\t50\t268\n");
    const Result json = Run({"list", "--json", Path("edges.wad")});
    EXPECT_NE(json.out.find(R"("name": "a\u001F b~\u007F.wav")"), std::string::npos) << json.out;

    // Windows-1252 leaves 0x81 undefined; read as U+0081 it is a C1 control.
    WriteWadArchive(dir / "c1.wad", {PackMember::FromBytes("a\xC2\x81\xC2\xA0.wav", MakeWav(50))});
    EXPECT_EQ(Run({"list", Path("c1.wad")}).out, "1\ta\\x81\xC2\xA0.wav\t50\t268\n");
    EXPECT_NE(Run({"list", "--json", Path("c1.wad")}).out.find(R"("a\u0081)"), std::string::npos);
}

TEST_F(CliTest, JsonListingOfAPathThatIsNotUtf8IsStillJson) {
    std::filesystem::copy_file(MixedWad(), dir / "bad\xFF.wad");
    const Result r = Run({"list", "--json", Path("bad\xFF.wad")});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("bad\\uFFFD.wad\""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\xFF'), std::string::npos);
}

TEST_F(CliTest, ListAsJson) {
    const Result r = Run({"list", "--json", MixedWad()});
    EXPECT_EQ(r.code, 0);
    EXPECT_NE(r.out.find("\"kind\": \"wad\""), std::string::npos);
    EXPECT_NE(
        r.out.find(
            "{\"number\": 4, \"name\": \"../up\\u0001.wav\", \"size\": 60, \"offset\": 1372, "),
        std::string::npos)
        << r.out;
}

TEST_F(CliTest, KindFollowsTheExtensionInAnyCaseUnlessGiven) {
    const std::vector<PackMember> members = {PackMember::FromBytes("a", MakeWav(100))};
    WriteSfxArchive(dir / "LOUD.SFX", members);
    EXPECT_EQ(Run({"list", Path("LOUD.SFX")}).out, "1\tedsnd001.wav\t100\t0\n");

    // Named otherwise, the content tells: RIFF first is SFX, a sound's record WAD.
    std::filesystem::copy_file(dir / "LOUD.SFX", dir / "sounds.bin");
    EXPECT_EQ(Run({"list", Path("sounds.bin")}).out, "1\tedsnd001.wav\t100\t0\n");
    WriteWadArchive(dir / "game.dat", {PackMember::FromBytes("a.wav", MakeWav(100))});
    EXPECT_EQ(Run({"list", Path("game.dat")}).out, "1\ta.wav\t100\t268\n");
    test::WriteBytes(dir / "noise.bin", Bytes(600, 0x41));
    const Result unknown = Run({"list", Path("noise.bin")});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(std::count(unknown.err.begin(), unknown.err.end(), '\n'), 1);
    EXPECT_NE(unknown.err.find("from its name or its content"), std::string::npos);
    EXPECT_EQ(Run({"list", "--kind", "wad", Path("sounds.bin")}).out, "");
    EXPECT_EQ(Run({"list", "--kind=SFX", Path("sounds.bin")}).code, 0);
}

TEST_F(CliTest, WadWarningGoesToStderrAndTheListingStillPrints) {
    Bytes bytes = test::WadRecord("a.wav", 10, 1000);  // the stop offset is never met
    test::WriteBytes(dir / "odd.wad", bytes);
    const Result r = Run({"list", Path("odd.wad")});
    EXPECT_EQ(r.code, 1);  // a listing cut short is not a success
    EXPECT_EQ(r.out, "1\ta.wav\t10\t1000\n");
    EXPECT_NE(r.err.find("runs past the program's limit (an 80000-byte WAD directory"),
              std::string::npos)
        << r.err;
}

TEST_F(CliTest, FailedDecodePrintsOnlyTheReason) {
    test::WriteBytes(dir / "loop.sfx", {'R', 'I', 'F', 'F', 0xF8, 0xFF, 0xFF, 0xFF});
    const Result r = Run({"list", Path("loop.sfx")});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("more than 1000"), std::string::npos);

    const Result missing = Run({"list", Path("none.wad")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.wad"));

    // A pipe with no writer must not be waited on, nor a folder read.
    ASSERT_EQ(mkfifo((dir / "pipe.wad").c_str(), 0600), 0);
    const Result pipe = Run({"list", Path("pipe.wad")});
    EXPECT_EQ(pipe.code, 1);
    EXPECT_NE(pipe.err.find("a device, pipe or socket, not a file"), std::string::npos) << pipe.err;
    const Result folder = Run({"list", "--kind", "sfx", dir.path().string()});
    EXPECT_EQ(folder.code, 1);
    EXPECT_NE(folder.err.find("a folder, not a file"), std::string::npos) << folder.err;
}

TEST_F(CliTest, ExtractWritesSafeUniqueNamesAndSkipsNonRiffWithoutATerminal) {
    const std::string archive = MixedWad();
    const Result r = Run({"extract", "-o", Path("out"), archive});
    EXPECT_EQ(r.code, 1) << r.err;  // one sound skipped
    EXPECT_EQ(test::FileNames(dir / "out"),
              (std::vector<std::string>{".._up_.wav", "door (2).wav", "door.wav"}));
    EXPECT_EQ(ReadBytes(dir / "out" / "door.wav"), MakeWav(100, 1));
    EXPECT_EQ(ReadBytes(dir / "out" / "door (2).wav"), MakeWav(120, 2));
    EXPECT_EQ(ReadBytes(dir / "out" / ".._up_.wav"), MakeWav(60, 4));
    EXPECT_NE(r.err.find("sound 3 'odd.wav': skipped"), std::string::npos) << r.err;
    EXPECT_EQ(test::FileNames(dir.path()), (std::vector<std::string>{"mixed.wad", "out"}));
}

TEST_F(CliTest, ExtractAnswersTheQuestionByFlagOrAtTheTerminal) {
    const std::string archive = MixedWad();
    EXPECT_EQ(Run({"extract", "--yes", "-o", Path("yes"), archive, "3"}).code, 0);
    EXPECT_EQ(test::FileNames(dir / "yes"), std::vector<std::string>{"odd.wav"});

    const Result no = Run({"extract", "--no", "-o", Path("no"), archive, "3"}, "y\n", true);
    EXPECT_TRUE(test::FileNames(dir / "no").empty());
    EXPECT_EQ(no.err.find("[y/N]"), std::string::npos);

    const Result asked = Run({"extract", "-o", Path("asked"), archive, "3", "1"}, "y\n", true);
    EXPECT_NE(asked.err.find("sound 3 'odd.wav' does not begin with \"RIFF\" and may not play; "
                             "write it anyway? [y/N]"),
              std::string::npos)
        << asked.err;
    EXPECT_NE(asked.err.find("Extracting 2 of 2"), std::string::npos);
    EXPECT_EQ(test::FileNames(dir / "asked"), (std::vector<std::string>{"door.wav", "odd.wav"}));
}

TEST_F(CliTest, ExtractReportsEachFailingSoundAndGoesOn) {
    Bytes bytes = test::WadRecord("neg.wav", 0xFFFFFFFF, 536);
    const Bytes second = test::WadRecord("ok.wav", 64, 536);
    const Bytes wav = MakeWav(64);
    bytes.insert(bytes.end(), second.begin(), second.end());
    bytes.insert(bytes.end(), wav.begin(), wav.end());
    test::WriteBytes(dir / "neg.wad", bytes);

    const Result r = Run({"extract", "-o", Path("out"), Path("neg.wad"), "1", "9", "2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("neg.wav: "), std::string::npos);
    EXPECT_NE(r.err.find("sound 9: there is no such sound"), std::string::npos);
    EXPECT_EQ(test::FileNames(dir / "out"), std::vector<std::string>{"ok.wav"});
    EXPECT_EQ(ReadBytes(dir / "out" / "ok.wav"), wav);

    // A sound that claims more than its whole archive: named, and the rest written.
    Bytes big;
    for (const Bytes& record :
         {test::WadRecord("a.wav", 64, 804), test::WadRecord("b.wav", 50000000, 868),
          test::WadRecord("c.wav", 64, 868)}) {
        big.insert(big.end(), record.begin(), record.end());
    }
    for (const int seed : {1, 3}) {
        const Bytes sound = MakeWav(64, static_cast<std::uint8_t>(seed));
        big.insert(big.end(), sound.begin(), sound.end());
    }
    test::WriteBytes(dir / "big.wad", big);
    const Result all = Run({"extract", "-o", Path("all"), Path("big.wad")});
    EXPECT_EQ(all.code, 1);
    EXPECT_NE(all.err.find("b.wav: Sound 2 of"), std::string::npos) << all.err;
    EXPECT_NE(all.err.find("more than the whole archive holds"), std::string::npos);
    EXPECT_EQ(test::FileNames(dir / "all"), (std::vector<std::string>{"a.wav", "c.wav"}));
    EXPECT_EQ(ReadBytes(dir / "all" / "c.wav"), MakeWav(64, 3));
}

// Root may write anything, so this runs as an ordinary user (see CMakeLists.txt).
TEST_F(CliTest, ExtractLeavesAFileTheUserMayNotChangeAndSaysSo) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may change any file";
    }
    const std::vector<PackMember> members = {PackMember::FromBytes("a.wav", MakeWav(100, 1)),
                                             PackMember::FromBytes("b.wav", MakeWav(120, 2))};
    WriteWadArchive(dir / "game.wad", members);
    std::filesystem::create_directories(dir / "out");
    test::WriteBytes(dir / "out" / "a.wav", {'o', 'l', 'd'});
    std::filesystem::permissions(dir / "out" / "a.wav", std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::group_read |
                                                            std::filesystem::perms::others_read);
    const Result r = Run({"extract", "-o", Path("out"), Path("game.wad")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("a.wav: Could not write"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 failed"), std::string::npos) << r.err;
    EXPECT_EQ(ReadBytes(dir / "out" / "a.wav"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(std::filesystem::status(dir / "out" / "a.wav").permissions() &
                  std::filesystem::perms::owner_write,
              std::filesystem::perms::none);
    EXPECT_EQ(ReadBytes(dir / "out" / "b.wav"), MakeWav(120, 2));
}

TEST_F(CliTest, ListDetailsSayWhatEachSoundIs) {
    WriteWadArchive(
        dir / "d.wad",
        {PackMember::FromBytes("tone.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050,
                                                         2, 0.5, 440, 0.5)),
         PackMember::FromBytes("text.wav", Bytes(80, 'x')), PackMember::FromBytes("speech.wav", [] {
             Bytes speech = MakeWav(80, 8);
             speech[20] = 0x22;  // TrueSpeech, which nothing here decodes
             return speech;
         }())});
    const Result r = Run({"list", "--details", Path("d.wad")});
    EXPECT_EQ(r.code, 0) << r.err;
    const auto lines = [&r] {
        std::vector<std::string> out;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);) {
            out.push_back(line);
        }
        return out;
    }();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("\tIMA ADPCM\t22050\t2\t4\t0.5"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 10), "\t-\t-\t-\t-\t-");
    // An encoding that cannot be decoded is named by its format tag.
    EXPECT_NE(lines[2].find("\tformat 0x0022, TrueSpeech\t-\t-\t-\t-"), std::string::npos)
        << lines[2];

    const Result json = Run({"list", "--json", Path("d.wad")});
    EXPECT_NE(json.out.find(R"("encoding": "IMA ADPCM", "rate": 22050, "channels": 2, "bits": 4)"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find(
                  R"("encoding": null, "rate": null, "channels": null, "bits": null, )"
                  R"("frames": null, "duration": null, "problem": "it is not a RIFF/WAVE file")"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find(R"("encoding": "format 0x0022, TrueSpeech", "rate": null)"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find(R"("problem": "its encoding is format 0x0022, TrueSpeech")"),
              std::string::npos)
        << json.out;
}

TEST_F(CliTest, ExtractToFlacConvertsWhatDecodesAndReportsTheRest) {
    WriteWadArchive(
        dir / "c.wad",
        {PackMember::FromBytes("door.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 22050,
                                                         1, 0.3, 440, 0.5)),
         PackMember::FromBytes(
             "door.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.3, 440, 0.5)),
         PackMember::FromBytes("text.wav", Bytes(80, 'x'))});
    const Result r = Run({"extract", "--to", "flac", "-o", Path("out"), Path("c.wad")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("text.flac: Sound 3 of '"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot be decoded: it is not a RIFF/WAVE file"), std::string::npos);
    // Names as in a plain extraction, the extension changed, equal names kept apart.
    EXPECT_EQ(test::FileNames(dir / "out"),
              (std::vector<std::string>{"door (2).flac", "door.flac"}));
    EXPECT_EQ(Run({"extract", "--to", "mp3", "-o", Path("x"), Path("c.wad")}).code, 2);
}

TEST_F(CliTest, PackedArchivesListAndExtractBackToTheSameFiles) {
    std::filesystem::create_directory(dir / "in");
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i) {
        const std::string name = "s" + std::to_string(i) + ".wav";
        test::WriteBytes(dir / "in" / name, MakeWav(50 + 10 * static_cast<std::size_t>(i),
                                                    static_cast<std::uint8_t>(i)));
        files.push_back((dir / "in" / name).string());
    }
    for (const std::string kind : {"wad", "sfx"}) {
        std::vector<std::string> pack = {"pack", "--kind", kind, "-o", Path("packed." + kind)};
        pack.insert(pack.end(), files.begin(), files.end());
        ASSERT_EQ(Run(pack).code, 0);
        const std::string listing = Run({"list", Path("packed." + kind)}).out;
        EXPECT_NE(listing.find(kind == "wad" ? "3\ts2.wav\t70" : "3\tedsnd003.wav\t70"),
                  std::string::npos)
            << listing;
        ASSERT_EQ(Run({"extract", "-o", Path("out-" + kind), Path("packed." + kind)}).code, 0);
        const auto extracted = test::FileNames(dir / ("out-" + kind));
        ASSERT_EQ(extracted.size(), 3u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ReadBytes(dir / ("out-" + kind) / extracted[static_cast<std::size_t>(i)]),
                      ReadBytes(files[static_cast<std::size_t>(i)]));
        }
    }
    EXPECT_EQ(test::FileNames(dir / "out-wad"),
              (std::vector<std::string>{"s0.wav", "s1.wav", "s2.wav"}));

    const Result refused = Run({"pack", "-o", Path("bad.sfx"), Path("packed.wad")});
    EXPECT_EQ(refused.code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.sfx"));

    // One file, one "file"; names that repeat, in any case, are refused.
    const Result one = Run({"pack", "-o", Path("one.wad"), files[0]});
    EXPECT_EQ(one.err, "Packed 1 file into '" + Path("one.wad") + "'.\n");
    std::filesystem::create_directory(dir / "other");
    test::WriteBytes(dir / "other" / "S0.WAV", MakeWav(60, 9));
    for (const std::string& again : {files[0], (dir / "other" / "S0.WAV").string()}) {
        const Result twice = Run({"pack", "-o", Path("twice.wad"), files[0], files[1], again});
        EXPECT_EQ(twice.code, 1) << again;
        EXPECT_NE(twice.err.find("'" + again + "' would be stored under the same name as '" +
                                 files[0] + "'"),
                  std::string::npos)
            << twice.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "twice.wad"));
    }
    EXPECT_EQ(Run({"pack", "-o", Path("sfx.sfx"), files[0], files[0]}).code,
              0);  // SFX has no names
}

TEST_F(CliTest, UsageErrorsExitTwoWithOneLine) {
    const std::vector<std::vector<std::string>> mistakes = {
        {},
        {"frobnicate"},
        {"list"},
        {"list", "--bogus", "a.sfx"},
        {"list", "a.sfx", "b.sfx"},
        {"list", "--kind", "zip", "a.sfx"},
        {"extract", "-o", "out"},
        {"extract", "--output=", "a.sfx"},
        {"extract", "--yes", "--no", "-o", "out", "a.sfx"},
        {"extract", "-o", "out", "a.sfx", "0"},
        {"extract", "-o", "out", "a.sfx", "9-5"},
        {"extract", "-oout", "--stdout", "a.sfx"},
        {"extract", "--output"},
        {"extract", "-x", "-o", "out", "a.sfx"},
        {"pack", "-o", "a.sfx"},
        {"pack", "a.wav"},
        {"pack", "-o", "archive.zip", "a.wav"},
        {"check"},
        {"check", "--kind=zip", "a.sfx"},
    };
    for (const auto& args : mistakes) {
        const Result r = Run(args);
        EXPECT_EQ(r.code, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists("out"));
}

TEST_F(CliTest, EachCommandHasHelp) {
    for (const std::string command : {"list", "extract", "pack"}) {
        const Result r = Run({command, "--help"});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out.rfind("Usage: echodelve-cli " + command, 0), 0u) << r.out;
    }
    EXPECT_NE(Run({"--help"}).out.find("Commands:"), std::string::npos);
    // "help COMMAND" is the command's help; an unknown one is a mistake.
    for (const std::string command : {"list", "extract", "pack", "check"}) {
        const Result r = Run({"help", command});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out, Run({command, "--help"}).out) << command;
    }
    const Result unknown = Run({"help", "unpack"});
    EXPECT_EQ(unknown.code, 2);
    EXPECT_EQ(unknown.out, "");
    EXPECT_NE(unknown.err.find("no command 'unpack'"), std::string::npos);
}

// Ten sounds named s1.wav .. s10.wav, the fifth "Door.WAV".
std::string TenSounds(const std::filesystem::path& dir) {
    std::vector<PackMember> members;
    for (int i = 1; i <= 10; ++i) {
        members.push_back(PackMember::FromBytes(
            i == 5 ? "Door.WAV" : "s" + std::to_string(i) + ".wav",
            MakeWav(50 + static_cast<std::size_t>(i), static_cast<std::uint8_t>(i))));
    }
    WriteWadArchive(dir / "ten.wad", members);
    return (dir / "ten.wad").string();
}

// Without -o, into a new folder named after the archive in the current one.
TEST_F(CliTest, ExtractWithoutAFolderMakesOneNamedAfterTheArchive) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::create_directories(dir / "here");
    std::filesystem::current_path(dir / "here");
    const std::string archive = TenSounds(dir.path());  // ten.wad
    const Result made = Run({"extract", archive, "1-2"});
    EXPECT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(test::FileNames(dir / "here" / "ten"),
              (std::vector<std::string>{"s1.wav", "s2.wav"}));
    EXPECT_EQ(test::FileNames(dir / "here"), std::vector<std::string>{"ten"});  // nothing loose

    // Not empty now: refused, nothing written; -o . writes into the current folder.
    const Result again = Run({"extract", archive, "3"});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("'ten' is there already and is not an empty folder"),
              std::string::npos)
        << again.err;
    EXPECT_EQ(test::FileNames(dir / "here" / "ten").size(), 2u);
    EXPECT_EQ(Run({"extract", "-o", ".", archive, "3"}).code, 0);
    EXPECT_EQ(test::FileNames(dir / "here"), (std::vector<std::string>{"s3.wav", "ten"}));
    // A file of that name in the way is refused too; an empty folder is used.
    std::filesystem::remove_all(dir / "here" / "ten");
    test::WriteBytes(dir / "here" / "ten", {1});
    EXPECT_EQ(Run({"extract", archive, "4"}).code, 1);
    std::filesystem::remove(dir / "here" / "ten");
    std::filesystem::create_directory(dir / "here" / "ten");
    EXPECT_EQ(Run({"extract", archive, "4"}).code, 0);
    EXPECT_EQ(test::FileNames(dir / "here" / "ten"), std::vector<std::string>{"s4.wav"});
    std::filesystem::current_path(before);
}

TEST_F(CliTest, OptionsTakeEveryUsualFormAndComeAnywhere) {
    const std::string archive = TenSounds(dir.path());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"extract", "-o" + Path("a"), archive, "1"},
          {"extract", "--output=" + Path("b"), archive, "1"},
          {"extract", "--out", Path("c"), archive, "1"},
          {"extract", archive, "1", "-qo", Path("d")},
          {"extract", "-o", Path("e"), "--", archive, "1"}}) {
        const Result r = Run(args);
        EXPECT_EQ(r.code, 0) << ::testing::PrintToString(args) << r.err;
    }
    for (const char* folder : {"a", "b", "c", "d", "e"}) {
        EXPECT_EQ(test::FileNames(dir / folder), (std::vector<std::string>{"s1.wav"})) << folder;
    }
}

TEST_F(CliTest, SoundsAreChosenByNumberRangeAndPatternInArchiveOrder) {
    const std::string archive = TenSounds(dir.path());
    const Result r = Run({"extract", "-v", "-o", Path("out"), archive, "9", "2-3", "door*", "S1*"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(
        test::FileNames(dir / "out"),
        (std::vector<std::string>{"Door.WAV", "s1.wav", "s10.wav", "s2.wav", "s3.wav", "s9.wav"}));
    // -v names each file, in archive order.
    EXPECT_EQ(r.err.find(Path("out/s1.wav")), 0u) << r.err;
    EXPECT_LT(r.err.find("s10.wav"), r.err.find("Wrote 6 of 6"));

    const Result missing = Run({"extract", "-o", Path("more"), archive, "8-12", "*.ogg", "4"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("sounds 11 to 12: there are no such sounds; the archive holds 10."),
              std::string::npos)
        << missing.err;
    EXPECT_NE(missing.err.find("no sound's name matches '*.ogg'"), std::string::npos);
    EXPECT_EQ(test::FileNames(dir / "more"),
              (std::vector<std::string>{"s10.wav", "s4.wav", "s8.wav", "s9.wav"}));
}

TEST_F(CliTest, StdoutCarriesTheChosenSoundsExactlyAndNeverToATerminal) {
    const std::string archive = TenSounds(dir.path());
    const Result r = Run({"extract", "-p", archive, "3", "1"});
    EXPECT_EQ(r.code, 0) << r.err;
    Bytes both = MakeWav(51, 1);
    const Bytes third = MakeWav(53, 3);
    both.insert(both.end(), third.begin(), third.end());
    EXPECT_EQ(Bytes(r.out.begin(), r.out.end()), both);
    EXPECT_EQ(r.err, "");

    const Result terminal = Run({"extract", "--stdout", archive, "1"}, "", false, true);
    EXPECT_EQ(terminal.code, 2);
    EXPECT_EQ(terminal.out, "");
    EXPECT_EQ(Run({"extract", "-p", "-o", Path("x"), archive, "1"}).code, 2);
}

// Converted sounds go down a pipe too, each its whole file, decodable as it came.
TEST_F(CliTest, StdoutCarriesConvertedSoundsWhole) {
    WriteWadArchive(
        dir / "tone.wad",
        {PackMember::FromBytes(
            "tone.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2, 0.5, 440, 0.5))});
    const struct {
        const char* to;
        const char* magic;
    } targets[] = {{"pcm16", "RIFF"}, {"flac", "fLaC"}, {"ogg", "OggS"}};
    for (const auto& target : targets) {
        const Result r = Run({"extract", "-p", "--to", target.to, Path("tone.wad")});
        EXPECT_EQ(r.code, 0) << target.to << r.err;
        ASSERT_GE(r.out.size(), 4u) << target.to;
        EXPECT_EQ(r.out.substr(0, 4), target.magic);
        // What came down the pipe is a file libsndfile reads whole.
        const auto piped = dir / (std::string("piped.") + target.to);
        test::WriteBytes(piped, Bytes(r.out.begin(), r.out.end()));
        SF_INFO info{};
        SNDFILE* file = sf_open(piped.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << target.to << ": " << sf_strerror(nullptr);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.samplerate, 22050);
        EXPECT_NEAR(static_cast<double>(info.frames), 11025, 2) << target.to;
        sf_close(file);
    }
}

TEST_F(CliTest, NoOverwriteKeepsWhatIsThereAndSaysSo) {
    const std::string archive = TenSounds(dir.path());
    std::filesystem::create_directory(dir / "out");
    test::WriteBytes(dir / "out" / "s2.wav", Bytes{'m', 'i', 'n', 'e'});
    const Result r = Run({"extract", "-n", "-o", Path("out"), archive, "1-2"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir / "out" / "s2.wav"), (Bytes{'m', 'i', 'n', 'e'}));
    EXPECT_EQ(ReadBytes(dir / "out" / "s1.wav"), MakeWav(51, 1));
    EXPECT_NE(r.err.find("kept '" + Path("out/s2.wav") + "'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Wrote 1 of 2 sounds to '" + Path("out") + "', 1 kept."),
              std::string::npos);
    // Without -n the file is replaced, as the program does; -q says nothing.
    const Result quiet = Run({"extract", "-q", "-o", Path("out"), archive, "2"});
    EXPECT_EQ(quiet.code, 0);
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(ReadBytes(dir / "out" / "s2.wav"), MakeWav(52, 2));
}

// Damaged archives are never a success: each sound at fault is named.
TEST_F(CliTest, DamageExitsOneAndNamesTheSoundAndWhy) {
    // A WAD cut short in the middle of its last sound.
    const std::string archive = TenSounds(dir.path());
    std::filesystem::resize_file(archive, std::filesystem::file_size(archive) - 20);
    const Result extract = Run({"extract", "-o", Path("out"), archive});
    EXPECT_EQ(extract.code, 1);
    EXPECT_NE(extract.err.find("sound 10 's10.wav': 20 of 60 bytes lie past the end of the "
                               "archive; written padded with zeros"),
              std::string::npos)
        << extract.err;
    EXPECT_EQ(test::FileNames(dir / "out").size(), 10u);
    // Piped or converted, the same padding is said the same way.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"extract", "-p", archive, "10"},
          {"extract", "--to", "pcm16", "-o", Path("pcm"), archive, "10"},
          {"extract", "--to", "flac", "-o", Path("flac"), archive}}) {
        const Result padded = Run(args);
        EXPECT_EQ(padded.code, 1) << args[2];
        EXPECT_NE(padded.err.find("sound 10 's10.wav': 20 of 60 bytes lie past the end of the "
                                  "archive; written padded with zeros"),
                  std::string::npos)
            << padded.err;
    }
    EXPECT_EQ(Run({"extract", "-p", archive, "9"}).code, 0);  // a whole sound is no failure
    const Result list = Run({"list", archive});
    EXPECT_EQ(list.code, 1);
    EXPECT_NE(list.err.find("sound 10 's10.wav': 20 of 60 bytes lie past the end"),
              std::string::npos);

    // An SFX cut short: the walk ends in its second sound.
    WriteSfxArchive(dir / "cut.sfx", {PackMember::FromBytes("a", MakeWav(1000, 1)),
                                      PackMember::FromBytes("b", MakeWav(20000, 2)),
                                      PackMember::FromBytes("c", MakeWav(1000, 3))});
    std::filesystem::resize_file(dir / "cut.sfx", 5000);
    const Result sfx = Run({"list", Path("cut.sfx")});
    EXPECT_EQ(sfx.code, 1);
    EXPECT_NE(sfx.err.find("sound 2 'edsnd002.wav': 16,000 of 20,000 bytes lie past the end"),
              std::string::npos)
        << sfx.err;

    // Random bytes taken for a WAD declare negative sizes and offsets.
    Bytes noise(4000);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<std::uint8_t>(i % 7 == 0 ? '.' : 0x80 + i * 37 % 120);
    }
    test::WriteBytes(dir / "noise.wad", noise);
    const Result random = Run({"list", Path("noise.wad")});
    EXPECT_EQ(random.code, 1);
    EXPECT_NE(random.err.find("declares a negative"), std::string::npos) << random.err;
}

TEST_F(CliTest, CheckNamesEveryProblemWithItsSoundAndExitsByWhatItFound) {
    const std::string clean = TenSounds(dir.path());
    const Result good = Run({"check", clean});
    EXPECT_EQ(good.code, 0);
    EXPECT_EQ(good.out, clean + ": clean, 10 sounds and no problems found\n");

    const Result mixed = Run({"check", clean, MixedWad(), Path("none.wad")});
    EXPECT_EQ(mixed.code, 1);
    EXPECT_EQ(mixed.out, clean + ": clean, 10 sounds and no problems found\n" + Path("mixed.wad") +
                             ": 3 problems\n"
                             "  sound 2 'door.wav': sound 1 has the same name; this one is "
                             "written as 'door (2).wav'\n"
                             "  sound 3 'odd.wav': it is not a RIFF/WAVE file\n"
                             "  sound 4 '../up\\x01.wav': its name cannot stand as a file name; "
                             "it is written as '.._up_.wav'\n" +
                             Path("none.wad") +
                             ": 1 problem\n  the archive: it cannot be read: The archive '" +
                             Path("none.wad") + "' does not exist.\n");
}

TEST_F(CliTest, NoLimitsReadsPastTheProgramsLimitsAndNumbersAgreeWithout) {
    // 1200 sounds one after another: more than the program lists.
    Bytes sfx;
    for (int i = 0; i < 1200; ++i) {
        const Bytes wav =
            MakeWav(44 + static_cast<std::size_t>(i % 5), static_cast<std::uint8_t>(i));
        sfx.insert(sfx.end(), wav.begin(), wav.end());
    }
    test::WriteBytes(dir / "many.sfx", sfx);
    const Result limited = Run({"list", Path("many.sfx")});
    EXPECT_EQ(limited.code, 1);
    EXPECT_EQ(limited.out, "");
    EXPECT_NE(limited.err.find("holds more than 1000 sounds"), std::string::npos);
    EXPECT_NE(limited.err.find("--no-limits reads them all."), std::string::npos) << limited.err;
    const Result all = Run({"list", "--no-limits", Path("many.sfx")});
    EXPECT_EQ(all.code, 0) << all.err;
    EXPECT_EQ(std::count(all.out.begin(), all.out.end(), '\n'), 1200);
    EXPECT_NE(all.out.find("\n1200\tedsnd1200.wav\t"), std::string::npos);
    const Result late =
        Run({"extract", "--no-limits", "-o", Path("out"), Path("many.sfx"), "1199-1200"});
    EXPECT_EQ(late.code, 0) << late.err;
    EXPECT_EQ(test::FileNames(dir / "out"),
              (std::vector<std::string>{"edsnd1199.wav", "edsnd1200.wav"}));

    // A WAD directory of 320 records, longer than the 80000 bytes listed.
    constexpr std::uint32_t kRecords = 320;
    Bytes wad;
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        const Bytes record =
            test::WadRecord("s" + std::to_string(i + 1) + ".wav", 50, kRecords * 268 + i * 50);
        wad.insert(wad.end(), record.begin(), record.end());
    }
    for (std::uint32_t i = 0; i < kRecords; ++i) {
        const Bytes wav = MakeWav(50, static_cast<std::uint8_t>(i));
        wad.insert(wad.end(), wav.begin(), wav.end());
    }
    test::WriteBytes(dir / "long.wad", wad);
    const Result cut = Run({"list", Path("long.wad")});
    EXPECT_EQ(cut.code, 1);
    EXPECT_NE(cut.err.find("--no-limits reads on"), std::string::npos) << cut.err;
    const Result whole = Run({"list", "--no-limits", Path("long.wad")});
    EXPECT_EQ(whole.code, 0) << whole.err;
    EXPECT_EQ(std::count(whole.out.begin(), whole.out.end(), '\n'), kRecords);
    EXPECT_EQ(Run({"check", "--no-limits", Path("long.wad")}).code, 0);
    EXPECT_EQ(Run({"check", Path("long.wad")}).code, 1);

    // A length that walks back to the start: without limits it fails, it does not go round.
    test::WriteBytes(dir / "loop.sfx",
                     {'R', 'I', 'F', 'F', 0xF8, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'});
    for (const char* command : {"list", "extract", "check"}) {
        std::vector<std::string> args = {command, "--no-limits", Path("loop.sfx")};
        if (std::string(command) == "extract") {
            args.insert(args.begin() + 1, {"-o", Path("loop")});
        }
        const Result r = Run(args);
        EXPECT_EQ(r.code, 1) << command;
        // check reports on standard output, the others on standard error.
        EXPECT_NE((r.out + r.err).find("so its sounds have no end"), std::string::npos)
            << command << r.err;
    }
}

// What is no archive at all, named without .sfx or .wad: the reason and 1,
// never an abort.
TEST_F(CliTest, WhatCannotBeReadForItsKindFailsWithTheReason) {
    std::filesystem::create_directories(dir / "somefolder");
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    const struct {
        std::vector<std::string> args;
        const char* reason;
    } cases[] = {
        {{"list", Path("somefolder")}, "folder"},
        {{"list", "/dev/null"}, "/dev/null"},
        {{"extract", "-p", Path("pipe")}, "pipe"},
        {{"extract", "-o", Path("out"), Path("somefolder")}, "folder"},
    };
    for (const auto& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.code, 1) << c.args.back();
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST_F(CliTest, ParallelExtractionWritesAndSaysExactlyWhatASerialOneDoes) {
    std::vector<PackMember> members;
    for (int i = 0; i < 120; ++i) {
        Bytes wav = MakeWav(60 + static_cast<std::size_t>(i) * 37, static_cast<std::uint8_t>(i));
        if (i % 17 == 3) {
            wav[0] = 'X';  // not RIFF: skipped with --no, and said so
        }
        // Equal names, names that are cut to be safe, and names differing in case.
        const std::string name = i % 3 == 0   ? "same.wav"
                                 : i % 3 == 1 ? "a/" + std::to_string(i % 7) + ".wav"
                                              : "Case" + std::to_string(i % 5) + ".WAV";
        members.push_back(PackMember::FromBytes(name, wav));
    }
    WriteWadArchive(dir / "many.wad", members);
    std::filesystem::resize_file(dir / "many.wad",
                                 std::filesystem::file_size(dir / "many.wad") - 9);

    const Result serial =
        Run({"extract", "--no", "-v", "-j", "1", "-o", Path("one"), Path("many.wad")});
    const Result parallel =
        Run({"extract", "--no", "-v", "--jobs=8", "-o", Path("eight"), Path("many.wad")});
    EXPECT_EQ(serial.code, 1);  // skipped and padded sounds
    EXPECT_EQ(parallel.code, serial.code);
    const auto names = test::FileNames(dir / "one");
    ASSERT_EQ(test::FileNames(dir / "eight"), names);
    for (const std::string& name : names) {
        EXPECT_EQ(ReadBytes(dir / "eight" / name), ReadBytes(dir / "one" / name)) << name;
    }
    // The same lines in the same order, the folder aside.
    std::string expected = serial.err;
    for (std::size_t at = expected.find(Path("one")); at != std::string::npos;
         at = expected.find(Path("one"), at)) {
        expected.replace(at, Path("one").size(), Path("eight"));
    }
    EXPECT_EQ(parallel.err, expected);
    EXPECT_NE(parallel.err.find("padded with zeros"), std::string::npos);
    EXPECT_NE(parallel.err.find("skipped, it does not begin"), std::string::npos);
    EXPECT_EQ(Run({"extract", "-j", "0", "-o", Path("x"), Path("many.wad")}).code, 2);
}

// Root is not held to a process limit, so this runs as an ordinary user (see
// CMakeLists.txt): with no thread to be had, the calling thread does it all.
TEST_F(CliTest, ExtractionWithoutThreadsToBeHadIsDoneByTheCallingThread) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may start threads past any limit";
    }
    std::vector<PackMember> members;
    for (int i = 0; i < 20; ++i) {
        members.push_back(PackMember::FromBytes("s" + std::to_string(i) + ".wav",
                                                MakeWav(100, static_cast<std::uint8_t>(i))));
    }
    WriteWadArchive(dir / "many.wad", members);
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NPROC, &before), 0);
    const rlimit none{1, before.rlim_max};  // this user's processes: this one, no thread more
    ASSERT_EQ(setrlimit(RLIMIT_NPROC, &none), 0);
    EXPECT_THROW(std::thread([] {}).join(), std::system_error);  // really none to be had
    const Result r = Run({"extract", "-j", "8", "-o", Path("out"), Path("many.wad")});
    setrlimit(RLIMIT_NPROC, &before);  // the leak checker starts a process at the end
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(test::FileNames(dir / "out").size(), 20u);
    EXPECT_EQ(ReadBytes(dir / "out" / "s19.wav"), MakeWav(100, 19));
}

}  // namespace
}  // namespace echodelve::cli
