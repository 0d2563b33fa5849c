#include "cli/cli.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <sstream>
#include <thread>

#include <sndfile.h>

#include "formats/archive_writers.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace echodelve::cli {
namespace {

using test::Bytes;
using test::FileNames;
using test::MakeWav;
using test::ReadBytes;
using Names = std::vector<std::string>;

struct Result {
    int code;
    std::string out;
    std::string err;
};

// The streams: stdin and stderr a terminal or not, stdout a terminal or broken;
// and whether the tool runs in the test's folder.
struct Io {
    std::string input{};
    bool terminal = false;
    bool outTerminal = false;
    bool outBroken = false;
    bool here = false;
};

// A command line, its words split at spaces, and what it must do: its status,
// a piece of stdout and of stderr ("" when the stream must stay empty), and what
// neither may say. "@" stands for the test's folder, "@w:N" for N files w/s*.wav.
struct Row {
    std::string command;
    int code;
    std::string out;
    std::string err;
    Io io{};
    std::string never{};
};

bool Has(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos;
}
void Append(Bytes& to, const Bytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}
std::uint32_t RecordBytes() {
    return static_cast<std::uint32_t>(test::WadRecord("", 0, 0).size());
}
std::string Named(std::size_t bytes) {  // a name of so many bytes
    return std::string(bytes - 4, 'n') + ".wav";
}
std::string Offset(std::uint32_t past) {  // in mixed.wad, after its four records
    return std::to_string(4 * RecordBytes() + past);
}

void PrintTo(const Row& row, std::ostream* out) {
    *out << "'" << row.command << "'";
}

class CliTest : public ::testing::Test {
  protected:
    Result Run(const Names& args, const Io& io = {}) {
        std::istringstream in(io.input);
        std::ostringstream out;
        std::ostringstream err;
        out.setstate(io.outBroken ? std::ios::badbit : std::ios::goodbit);
        Console console{in, out, err, io.terminal, io.terminal, io.outTerminal};
        const std::filesystem::path cwd = std::filesystem::current_path();
        std::filesystem::current_path(io.here ? dir.path() : cwd);
        const int code = RunCli(args, console);
        std::filesystem::current_path(cwd);
        return {code, out.str(), err.str()};
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::string Write(const std::string& name, const Bytes& bytes) {
        test::WriteBytes(dir / name, bytes);
        return Path(name);
    }
    std::string Wad(const std::string& name, const std::vector<PackMember>& members) {
        WriteWadArchive(dir / name, members);
        return Path(name);
    }
    // The files the rows name; the costly ones only when `command` names them.
    void MakeFiles(const std::string& command = "") {
        const auto uses = [&command](const std::string& name) { return Has(command, name); };
        // Ten sounds named s1.wav .. s10.wav, the fifth "Door.WAV".
        std::vector<PackMember> members;
        for (std::uint8_t i = 1; i <= 10; ++i) {
            members.push_back(PackMember::FromBytes(
                i == 5 ? "Door.WAV" : "s" + std::to_string(i) + ".wav", MakeWav(50u + i, i)));
        }
        const std::string ten = Wad("ten.wad", members);
        // Riff sounds, the second named as the first, the third not RIFF, the last named
        // with a folder and a control character.
        Bytes notRiff = MakeWav(80, 3);
        notRiff[0] = 'X';
        Wad("mixed.wad", {PackMember::FromBytes("door.wav", MakeWav(100, 1)),
                          PackMember::FromBytes("door.wav", MakeWav(120, 2)),
                          PackMember::FromBytes("odd.wav", notRiff),
                          PackMember::FromBytes("../up\x01.wav", MakeWav(60, 4))});
        for (const char* copy : {"kept.wad", "nodot.wad", "empty.wad"}) {
            std::filesystem::copy_file(ten, Path(copy));
        }
        std::filesystem::create_directory(dir / "empty");
        std::filesystem::copy_file(Path("mixed.wad"), dir / "bad\xFF.wad");  // a path not UTF-8
        std::filesystem::copy_file(ten, Path("cut.wad"));  // cut in its last sound
        std::filesystem::resize_file(Path("cut.wad"), std::filesystem::file_size(ten) - 20);
        for (const std::string& name :
             Names{"a.wav", "A.WAV", "nodot", "\xC4\x81.wav", Named(255)}) {
            Write(name, MakeWav(60));
        }
        std::filesystem::create_directory(dir / "kept");
        Write("kept/s2.wav", {'m', 'i', 'n', 'e'});
        Write("noise.bin", Bytes(600, 'A'));
        Bytes bad;  // a sound of negative size, one that claims more than the archive holds
        for (const Bytes& piece : {test::WadRecord("neg.wav", 0xFFFFFFFF, 3 * RecordBytes()),
                                   test::WadRecord("big.wav", 50000000, 3 * RecordBytes()),
                                   test::WadRecord("ok.wav", 64, 3 * RecordBytes()), MakeWav(64)}) {
            Append(bad, piece);
        }
        Write("bad.wad", bad);
        Write("loop.sfx", {'R', 'I', 'F', 'F', 0xF8, 0xFF, 0xFF, 0xFF, 'W', 'A', 'V', 'E'});
        ASSERT_EQ(mkfifo(Path("pipe.wad").c_str(), 0600), 0);
        WriteSfxArchive(dir / "LOUD.SFX", {PackMember::FromBytes("a", MakeWav(100))});
        std::filesystem::copy_file(dir / "LOUD.SFX", dir / "sounds.bin");
        const char* const wads[][2] = {{"game.dat", "a.wav"},
                                       {"edges.wad", "a\x1F b~\x7F.wav"},
                                       {"c1.wad", "a\xC2\x81\xC2\xA0.wav"},
                                       {"quote.wad", "q\"b\\s.wav"}};
        for (const auto& wad : wads) {
            Wad(wad[0], {PackMember::FromBytes(wad[1], MakeWav(100))});
        }
        std::filesystem::copy_file(dir / "game.dat", dir / "game.sfx");
        WriteSfxArchive(dir / "cut.sfx", {PackMember::FromBytes("a", MakeWav(1000, 1)),
                                          PackMember::FromBytes("b", MakeWav(20000, 2)),
                                          PackMember::FromBytes("c", MakeWav(1000, 3))});
        std::filesystem::resize_file(dir / "cut.sfx", 5000);  // the walk ends in sound 2
        Bytes noise(4000);  // taken for a WAD, it declares negative sizes and offsets
        for (std::size_t i = 0; i < noise.size(); ++i) {
            noise[i] = static_cast<std::uint8_t>(i % 7 == 0 ? '.' : 0x80 + i * 37 % 120);
        }
        Write("noise.wad", noise);
        Write("endless.wad", test::WadRecord("a.wav", 10, 1000));  // no sound begins
        for (const std::size_t bytes : {255u, 259u, 260u}) {
            Bytes wad = test::WadRecord(Named(bytes), 50, RecordBytes());
            Append(wad, MakeWav(50));
            Write(std::to_string(bytes) + ".wad", wad);
        }
        for (const std::uint32_t count : {1000u, 1001u, 299u, 300u}) {  // costly: on demand
            const bool sfx = count > 999;
            const std::string name = std::to_string(count) + (sfx ? ".sfx" : ".wad");
            Bytes bytes;
            for (std::uint32_t i = 0; i < count && !sfx && uses(name); ++i) {  // WAD records
                Append(bytes, test::WadRecord("s" + std::to_string(i + 1) + ".wav", 50,
                                              count * RecordBytes() + i * 50));
            }
            for (std::uint32_t i = 0; i < count && uses(name); ++i) {  // sounds end to end
                Append(bytes, MakeWav(sfx ? 44 + i % 5 : 50, static_cast<std::uint8_t>(i)));
            }
            Write(name, bytes);
        }
        // Three sounds with 8 junk bytes between the first two: the walk breaks there.
        Bytes junk = MakeWav(60, 1);
        for (const Bytes& piece : {Bytes(8, 'J'), MakeWav(70, 2), MakeWav(80, 3)}) {
            Append(junk, piece);
        }
        Write("junk.sfx", junk);
        // A Doom PWAD of one DMX sound lump (60 samples at 11025 Hz), then its directory.
        Bytes doom = {'P', 'W', 'A', 'D', 1, 0, 0, 0, 80, 0, 0, 0, 3, 0, 0x11, 0x2B, 60, 0, 0, 0};
        doom.resize(80, 0x80);
        Append(doom, {12, 0, 0, 0, 68, 0, 0, 0, 'D', 'S', 'P', 'I', 'S', 'T', 'O', 'L'});
        Write("doom.wad", doom);
        doom[4] = 2;  // two directory entries: the second would lie past the end
        Write("doomcut.wad", doom);
        if (uses("d.wad")) {
            Bytes speech = MakeWav(80, 8);
            speech[20] = 0x22;  // TrueSpeech, which nothing here decodes
            Wad("d.wad",
                {PackMember::FromBytes(
                     "tone.wav",
                     test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050, 2, 0.5, 440, 0.5)),
                 PackMember::FromBytes("text.wav", Bytes(80, 'x')),
                 PackMember::FromBytes("speech.wav", speech),
                 PackMember::FromBytes("pcm.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16,
                                                                22050, 2, 0.5, 440, 0.5))});
        }
    }
    std::string At(std::string text) const {
        for (auto at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
            text.replace(at, 1, Path(""));
        }
        return text;
    }
    // Every path in the folder with its size: what a run must leave alone.
    std::set<std::string> Entries() const {
        std::set<std::string> all;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path())) {
            all.insert(entry.path().string() + " " +
                       std::to_string(entry.is_regular_file() ? entry.file_size() : 0));
        }
        return all;
    }
    void ExpectRow(const Row& row) {
        Names args;
        std::istringstream words(row.command);
        for (std::string arg; words >> arg;) {
            const int files = arg.starts_with("@w:") ? std::stoi(arg.substr(3)) : 0;
            for (int i = 1; i <= files; ++i) {
                std::filesystem::create_directories(dir / "w");
                args.push_back(Write("w/s" + std::to_string(i) + ".wav",
                                     MakeWav(44, static_cast<std::uint8_t>(i))));
            }
            if (files == 0) {
                args.push_back(At(arg));
            }
        }
        SCOPED_TRACE(::testing::PrintToString(args));
        const auto before = Entries();
        const Result r = Run(args, row.io);
        EXPECT_EQ(r.code, row.code);
        for (const auto& [stream, piece] :
             {std::pair{r.out, At(row.out)}, std::pair{r.err, At(row.err)}}) {
            EXPECT_TRUE(piece.empty() ? stream.empty() : Has(stream, piece))
                << "wanted '" << piece << "' in '" << stream << "'";
        }
        EXPECT_FALSE(!row.never.empty() && Has(r.out + r.err, row.never)) << r.out << r.err;
        if (row.code != 0 && row.out.empty() && !Has(r.err, "Wrote ")) {  // why, in a line
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        }
        // Only a pack or an edit that succeeds, or an extraction that gets to
        // writing, changes files.
        const std::string command = args.empty() ? "" : args[0];
        if (!((command == "pack" || command == "edit") && row.code == 0) &&
            !(command == "extract" &&
              (row.code == 0 || Has(r.err, "Wrote ") || Has(row.command, " -q")))) {
            EXPECT_EQ(Entries(), before);
        }
    }

    test::TempDir dir;
};

// A sound cut short by the archive's end is written whole, padded with zeros,
// to a folder or down a pipe, in archive order.
TEST_F(CliTest, ExtractPadsASoundCutShortWithZeros) {
    MakeFiles();
    EXPECT_EQ(Run({"extract", "-o", Path("cut"), Path("cut.wad"), "10"}).code, 1);
    Bytes padded = MakeWav(60, 10);
    std::fill(padded.begin() + 40, padded.end(), 0);
    EXPECT_EQ(ReadBytes(dir / "cut" / "s10.wav"), padded);
    const Result two = Run({"extract", "-p", Path("cut.wad"), "10", "3"});
    Bytes both = MakeWav(53, 3);
    Append(both, padded);
    EXPECT_EQ(Bytes(two.out.begin(), two.out.end()), both);
}

// Root may write anything, so this runs as an ordinary user (see CMakeLists.txt).
TEST_F(CliTest, ExtractLeavesAFileTheUserMayNotChangeAndSaysSo) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may change any file";
    }
    MakeFiles();
    std::filesystem::create_directories(dir / "out");
    const std::string locked = Write("out/s1.wav", {'o', 'l', 'd'});
    using std::filesystem::perms;
    std::filesystem::permissions(locked,
                                 perms::owner_read | perms::group_read | perms::others_read);
    const Result r = Run({"extract", "-o", Path("out"), Path("ten.wad"), "1-2"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "'s1.wav': Could not write")) << r.err;
    EXPECT_TRUE(Has(r.err, "1 failed")) << r.err;
    EXPECT_EQ(ReadBytes(locked), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(std::filesystem::status(locked).permissions() & perms::owner_write, perms::none);
    EXPECT_EQ(ReadBytes(dir / "out" / "s2.wav"), MakeWav(52, 2));
}

// Converted and piped, a sound is a whole file libsndfile reads.
TEST_F(CliTest, ConvertedSoundsGoDownAPipeWhole) {
    MakeFiles("d.wad");  // its fourth sound a stereo tone of half a second at 22050 Hz
    const struct {
        const char* to;
        const char* magic;
    } targets[] = {{"pcm16", "RIFF"}, {"flac", "fLaC"}, {"ogg", "OggS"}};
    for (const auto& target : targets) {
        const Result piped = Run({"extract", "-p", "--to", target.to, Path("d.wad"), "4"});
        EXPECT_EQ(piped.code, 0) << target.to << piped.err;
        ASSERT_EQ(piped.out.substr(0, 4), target.magic);
        const std::string file =
            Write(std::string("piped.") + target.to, Bytes(piped.out.begin(), piped.out.end()));
        SF_INFO info{};
        SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
        ASSERT_NE(sound, nullptr) << target.to << ": " << sf_strerror(nullptr);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.samplerate, 22050);
        EXPECT_NEAR(static_cast<double>(info.frames), 11025, 2) << target.to;
        sf_close(sound);
    }
}

TEST_F(CliTest, PackedArchivesListAndExtractBackToTheSameFiles) {
    // The longest name a file may have here is stored whole.
    const Names names = {"s0.wav", "s1.wav", Named(255)};
    for (std::uint8_t i = 0; i < 3; ++i) {
        Write(names[i], MakeWav(50u + 10u * i, i));
    }
    for (const std::string kind : {"wad", "sfx"}) {
        Names pack = {"pack", "-o", Path("p." + kind)};
        for (const std::string& name : names) {
            pack.push_back(Path(name));
        }
        const Result packed = Run(pack);
        ASSERT_EQ(packed.code, 0);
        EXPECT_EQ(packed.err, "Packed 3 files into '" + Path("p." + kind) + "'.\n");
        EXPECT_TRUE(Has(Run({"list", Path("p." + kind)}).out,
                        "3\t" + (kind == "wad" ? names[2] : "edsnd003.wav") + "\t70\t"));
        ASSERT_EQ(Run({"extract", "-o", Path(kind), Path("p." + kind)}).code, 0);
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string name =
                kind == "wad" ? names[i] : "edsnd00" + std::to_string(i + 1) + ".wav";
            EXPECT_EQ(ReadBytes(dir / kind / name), ReadBytes(dir / names[i])) << name;
        }
        EXPECT_EQ(FileNames(dir / kind).size(), 3u);
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
    const std::string archive = Wad("many.wad", members);
    std::filesystem::resize_file(archive, std::filesystem::file_size(archive) - 9);
    const Result serial = Run({"extract", "--no", "-v", "-j", "1", "-o", Path("one"), archive});
    const Result parallel =
        Run({"extract", "--no", "-v", "--jobs=8", "-o", Path("eight"), archive});
    EXPECT_EQ(serial.code, 1);  // skipped and padded sounds
    EXPECT_EQ(parallel.code, serial.code);
    const auto names = FileNames(dir / "one");
    ASSERT_EQ(FileNames(dir / "eight"), names);
    for (const std::string& name : names) {
        EXPECT_EQ(ReadBytes(dir / "eight" / name), ReadBytes(dir / "one" / name)) << name;
    }
    // The same lines in the same order, the folder aside.
    std::string expected = serial.err;
    for (auto at = expected.find(Path("one")); at != std::string::npos;
         at = expected.find(Path("one"), at)) {
        expected.replace(at, Path("one").size(), Path("eight"));
    }
    EXPECT_EQ(parallel.err, expected);
    EXPECT_TRUE(Has(parallel.err, "padded with zeros"));
    EXPECT_TRUE(Has(parallel.err, "was skipped: it does not begin"));
}

// Root is not held to a process limit, so this runs as an ordinary user (see
// CMakeLists.txt): with no thread to be had, the calling thread does it all.
TEST_F(CliTest, ExtractionWithoutThreadsToBeHadIsDoneByTheCallingThread) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may start threads past any limit";
    }
    MakeFiles();
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NPROC, &before), 0);
    const rlimit none{1, before.rlim_max};  // this user's processes: this one, no thread more
    ASSERT_EQ(setrlimit(RLIMIT_NPROC, &none), 0);
    EXPECT_THROW(std::thread([] {}).join(), std::system_error);  // really none to be had
    const Result r = Run({"extract", "-j", "8", "-o", Path("out"), Path("ten.wad")});
    setrlimit(RLIMIT_NPROC, &before);  // the leak checker starts a process at the end
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(FileNames(dir / "out").size(), 10u);
    EXPECT_EQ(ReadBytes(dir / "out" / "s10.wav"), MakeWav(60, 10));
}

// find: every archive under the folders, by extension or content, each
// filter at work, duplicates grouped across kinds; links to folders not
// followed, files that are no archive counted and named with -v.
TEST_F(CliTest, FindLooksThroughFoldersAndFilters) {
    std::filesystem::create_directories(dir / "tree" / "sub");
    const Bytes tone = test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050, 2, 0.5, 440, 0.5);
    const Bytes looped =
        test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 11025, 1, 1.0, 440, 0.5, 100, 900);
    Wad("tree/a.wad",
        {PackMember::FromBytes("s1.wav", MakeWav(60)), PackMember::FromBytes("tone.wav", tone),
         PackMember::FromBytes("pcm.wav", looped)});
    std::filesystem::copy_file(dir / "tree/a.wad", dir / "tree/sub/game.dat");
    WriteSfxArchive(dir / "tree/sub/b.sfx", {PackMember::FromBytes("x", MakeWav(60)),
                                             PackMember::FromBytes("y", MakeWav(70, 2))});
    Write("tree/notes.txt", {'h', 'i'});
    std::filesystem::create_directory_symlink(dir / "tree/sub", dir / "tree/link");
    const std::string tree = Path("tree");
    const auto lines = [](const std::string& text) {
        return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
    };
    const struct {
        Names args;
        int code;
        int lines;
        std::string has;  // in stdout, or stderr for a failure
    } cases[] = {
        {{}, 0, 8, "/tree/sub/game.dat\t2\ttone.wav\t"},
        {{"--name=S1*"}, 0, 2, "\t1\ts1.wav\t60\tPCM "},
        {{"--encoding=*adpcm"}, 0, 2, "IMA ADPCM\t22050\t2\t-\n"},
        {{"--rate=11025"}, 0, 2, "pcm.wav\t"},
        {{"--rate=11026-"}, 0, 2, "tone.wav"},
        {{"--channels=2"}, 0, 2, "tone.wav"},
        {{"--duration=0.9-1"}, 0, 2, "\t1.000\n"},
        {{"--duration=-0.9"}, 0, 4, "\t1\tedsnd001.wav\t60\t"},  // ADPCM's is unknown
        {{"--size=61-70"}, 0, 1, "\t2\tedsnd002.wav\t70\t"},
        {{"--loop"}, 0, 2, "pcm.wav"},
        {{"--duplicates"},
         0,
         7,
         "/tree/sub/b.sfx\t1\tedsnd001.wav\t60\tPCM 8-bit\t8000\t1\t0.002\t1\n"},
        {{"--json", "--encoding=IMA*"},
         0,
         2,
         R"("encoding": "IMA ADPCM", "rate": 22050, "channels": 2, "duration": null})"},
        {{"--json", "--duplicates", "--name=x"}, 0, 0, ""},
        {{"-v", "--name=none"}, 0, 0, "notes.txt' was skipped: it is no archive."},
        {{"--rate=x"}, 2, 0, "--rate takes MIN-MAX"},
        {{"--duration=5-1"}, 2, 0, "--duration takes MIN-MAX"},
    };
    for (const auto& c : cases) {
        Names args = {"find"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(tree);
        SCOPED_TRACE(::testing::PrintToString(args));
        const Result r = Run(args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(lines(r.out), c.lines) << r.out;
        EXPECT_TRUE(Has(c.code == 0 && !c.args.empty() && c.args[0] == "-v" ? r.err
                        : c.code == 0                                       ? r.out
                                                                            : r.err,
                        c.has))
            << r.out << r.err;
    }
    // A damaged archive, or a path that is not there, fails the run; the rest is listed.
    std::filesystem::copy_file(dir / "tree/a.wad", dir / "tree/cut.wad");
    std::filesystem::resize_file(dir / "tree/cut.wad",
                                 std::filesystem::file_size(dir / "tree/a.wad") - 20);
    const Result damaged = Run({"find", tree, Path("none")});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_EQ(lines(damaged.out), 11);
    EXPECT_TRUE(Has(damaged.err, "cut.wad': sound 3 'pcm.wav': 20 of "));
    EXPECT_TRUE(Has(damaged.err, "none' does not exist."));
}

TEST_F(CliTest, EditAppliesItsOperationsInOrderAndWithNoneGivesTheArchiveBack) {
    MakeFiles();
    const Result edited =
        Run({"edit", "-o", Path("e.wad"), "--rename=5=bell.wav", "--remove=1-2",
             "--replace=s3.wav=" + Path("a.wav"), "--add=" + Path("A.WAV"), Path("ten.wad")});
    ASSERT_EQ(edited.code, 0) << edited.err;
    const Result listed = Run({"list", Path("e.wad")});
    std::vector<std::string> names;
    for (std::size_t at = 0; at < listed.out.size();) {
        const std::size_t tab = listed.out.find('\t', at) + 1;
        names.push_back(listed.out.substr(tab, listed.out.find('\t', tab) - tab));
        at = listed.out.find('\n', at) + 1;
    }
    EXPECT_EQ(names, (Names{"s3.wav", "s4.wav", "bell.wav", "s6.wav", "s7.wav", "s8.wav", "s9.wav",
                            "s10.wav", "A.WAV"}));
    const Result third = Run({"extract", "-p", Path("e.wad"), "1"});
    EXPECT_EQ(Bytes(third.out.begin(), third.out.end()), MakeWav(60));  // a.wav's bytes
    EXPECT_EQ(Run({"check", Path("e.wad")}).code, 0);

    // No operations: the same bytes, for each kind.
    for (const char* archive : {"ten.wad", "LOUD.SFX"}) {
        const std::string copy = Path(std::string("same-") + archive);
        ASSERT_EQ(Run({"edit", "-o", copy, Path(archive)}).code, 0) << archive;
        EXPECT_EQ(ReadBytes(copy), ReadBytes(Path(archive))) << archive;
    }
}

const std::string kPast = "Sound 10 's10.wav': 20 of 60 bytes lie past the end of the archive";
const std::string kPadded = "echodelve-cli extract: " + kPast + "; written padded with zeros.\n";
const Io kAsked{"y\n", true};

// Every limit and choice at its edge and one past it.
const Row kEdgeRows[] = {
    // -j takes 1 to 64.
    {"extract -j 0 -o @j @ten.wad", 2, "", "--jobs must be a number from 1 to 64, not '0'"},
    {"extract -j 1 -o @j @ten.wad", 0, "", "Wrote 10 of 10 sounds to '@j'."},
    {"extract --jobs=64 -o @j @ten.wad", 0, "", "Wrote 10 of 10 sounds"},
    {"extract -j65 -o @j @ten.wad", 2, "", "from 1 to 64, not '65'"},
    {"extract -j -1 -o @j @ten.wad", 2, "", "from 1 to 64, not '-1'"},
    {"extract -j 8x -o @j @ten.wad", 2, "", "from 1 to 64, not '8x'"},
    // An SFX of 1000 sounds opens, of 1001 only with --no-limits; pack takes 1000.
    {"list @1000.sfx", 0, "\n1000\tedsnd1000.wav\t", ""},
    {"list @1001.sfx", 1, "", "holds more than 1000 sounds"},
    {"list --no-limits @1001.sfx", 0, "\n1001\tedsnd1001.wav\t", ""},
    {"check @1000.sfx", 0, ": clean, 1000 sounds and", ""},
    {"check @1001.sfx", 1, ": not checked (it could not be read)\n", "check: The archive"},
    {"check --no-limits @1001.sfx", 0, ": clean, 1001 sounds and", ""},
    {"extract -o @x @1001.sfx", 1, "", "--no-limits reads them all."},
    {"extract --no-limits -vo@x @1001.sfx 1001", 0, "", "@x/edsnd1001.wav\n"},
    {"pack -o @p.sfx @w:1000", 0, "", "Packed 1000 files into"},
    {"pack -o @p.sfx @w:1001", 1, "", "at most 1000 sounds; 1001 were given"},
    // A WAD directory of 299 records ends before its 80000-byte limit; a 300th runs past.
    {"list @299.wad", 0, "\n299\ts299.wav\t50\t", ""},
    {"list @300.wad", 1, "\n299\ts299.wav\t50\t", "runs past the program's limit"},
    {"list --no-limits @300.wad", 0, "\n300\ts300.wav\t50\t", ""},
    {"check @299.wad", 0, ": clean, 299 sounds and", ""},
    {"check @300.wad", 1, "runs past the program's limit", ""},
    {"check --no-limits @300.wad", 0, ": clean, 300 sounds and", ""},
    {"extract -q -o @x @300.wad 1", 1, "", "--no-limits reads on"},
    {"list @endless.wad", 1, "1\ta.wav\t10\t1000\n", "--no-limits reads on"},
    {"list --no-limits @endless.wad", 1, "1\ta.wav\t10\t1000\n", "it is damaged"},
    {"pack -o @p.wad @w:299", 0, "", "Packed 299 files into"},
    {"pack -o @p.wad @w:300", 1, "", "at most 299 files; 300 were given"},
    // A name takes its record's 260 bytes or ends at a zero; a file's, 255 at most.
    {"list @259.wad", 0, "1\t" + Named(259) + "\t50\t", ""},
    {"list @260.wad", 0, "1\t" + Named(260) + "\t50\t", ""},
    {"extract -v -o @n @255.wad", 0, "", "@n/" + Named(255) + "\n"},
    {"extract -v -o @n @259.wad", 0, "", "@n/" + Named(255) + "\n"},
    {"extract -v -o @n @260.wad", 0, "", "@n/" + Named(255) + "\n"},
    // The kind: given, or the extension's, in any case; else the content's.
    {"list @LOUD.SFX", 0, "1\tedsnd001.wav\t100\t0\n", ""},
    {"list @sounds.bin", 0, "1\tedsnd001.wav\t100\t0\n", ""},  // RIFF first: SFX
    {"list @game.dat", 0, "1\ta.wav\t100\t", ""},              // a sound's record first: WAD
    {"list @noise.bin", 2, "", "from its name or its content; give --kind sfx"},
    {"list --kind=SFX @sounds.bin", 0, "1\tedsnd001.wav\t100\t0\n", ""},
    {"list --kind Wad @game.sfx", 0, "1\ta.wav\t100\t", ""},  // over the name
    {"check --kind=wad @game.sfx", 0, ": clean, 1 sound and no problems", ""},
    {"extract --kind=sfx -p @sounds.bin", 0, "RIFF", ""},
    // A Doom WAD by its magic, whatever its name; another kind only when given.
    {"list @doom.wad", 0, "1\tDSPISTOL.wav\t72\t12\n", ""},
    {"check @doom.wad", 0, ": clean, 1 sound and no problems", ""},
    {"list --kind=doom @ten.wad", 1, "", "is not a Doom WAD: it does not begin with"},
    {"list --kind=wad @doom.wad", 1, "", "runs past the program's limit"},
    {"edit -o @e.wad --remove=1 @doom.wad", 0, "", "Wrote '@e.wad'.\n"},
    {"edit -o @e.sfx @doom.wad", 2, "", "(sfx) than the one edited (doom)"},
    {"list @doomcut.wad", 1, "", "(2 entries at offset 80) lies outside it"},
    {"list --salvage @doomcut.wad", 0, "1\tDSPISTOL.wav\t72\t12\tsalvaged\n",
     "The sounds salvage found are listed."},
    {"check --salvage @doomcut.wad", 1, "  the archive: as it stands: The directory of", ""},
    {"list --kind=zip @game.dat", 2, "", "--kind must be sfx, wad or doom, not 'zip'"},
    {"list --kind= @game.dat", 2, "", "--kind must be sfx, wad or doom, not ''"},
    {"extract --kind=sf -p @game.dat", 2, "", "not 'sf'"},  // no prefix
    {"pack --kind=sfx -o @p.wad @a.wav @a.wav", 0, "", "Packed 2 files"},
    {"pack -o @p.bin @a.wav", 2, "", "from its name; give --kind sfx"},
    {"pack --kind=zip -o @p.wad @a.wav", 2, "", "not 'zip'"},
    // Control characters: 0x1F, 0x7F and C1 (0x81 read as U+0081); not " ", "~", U+00A0.
    {"list @edges.wad", 0, "1\ta\\x1F b~\\x7F.wav\t100\t", ""},
    {"list --json @edges.wad", 0, R"("name": "a\u001F b~\u007F.wav")", ""},
    {"check @edges.wad", 1, "  sound 1 'a\\x1F b~\\x7F.wav': its name cannot", ""},
    {"list @c1.wad", 0, "1\ta\\x81\xC2\xA0.wav\t100\t", ""},
    {"list --json @c1.wad", 0, "\"name\": \"a\\u0081\xC2\xA0.wav\"", ""},
    {"list @quote.wad", 0, "1\tq\"b\\s.wav\t100\t", ""},  // JSON's to escape only
    {"list --json @quote.wad", 0, R"("name": "q\"b\\s.wav")", ""},
    {"list --json @mixed.wad", 0,
     R"({"number": 4, "name": "../up\u0001.wav", "size": 60, "offset": )" + Offset(300) + ", ", ""},
    {"list --json @bad\xFF.wad", 0, "bad\\uFFFD.wad\", \"kind\": \"wad\"", "", {}, "\xFF"},
    // Details: "-" or null where unknown (a loop where there is none), an
    // encoding not decoded named by its tag.
    {"list --details @d.wad", 0, "\tIMA ADPCM\t22050\t2\t4\t0.5", ""},
    {"list --details @d.wad", 0, "\t-\t-\t-\t-\t-\n3\tspeech.wav\t", ""},
    {"list --details @d.wad", 0, "\tformat 0x0022, TrueSpeech\t-\t-\t-\t-\t-\t-\n", ""},
    {"list --json @d.wad", 0, R"("IMA ADPCM", "rate": 22050, "channels": 2, )", ""},
    {"list --json @d.wad", 0, R"("duration": 0.500, "loop": null, "problem": null)", ""},
    {"list --json @d.wad", 0, R"(null, "problem": "it is not a RIFF/WAVE file")", ""},
    {"list --json @d.wad", 0, R"("format 0x0022, TrueSpeech", "rate": null, )", ""},
    {"list --json @d.wad", 0, R"("its encoding is format 0x0022, TrueSpeech")", ""},
    // A sound that is not RIFF: written with --yes, skipped with --no, else asked on a
    // terminal only, with progress shown there unless -q.
    {"extract --yes -o @q @mixed.wad 3", 0, "", "Wrote 1 of 1", {}, "skipped"},
    {"extract --no -o @q @mixed.wad 3", 1, "", "skipped", kAsked, "[y/N]"},
    {"extract -o @q @mixed.wad 3", 0, "", "write it anyway? [y/N]", kAsked},
    {"extract -o @q @mixed.wad 3", 0, "", "Extracting 1 of 1", {"Yes\n", true}},
    {"extract -o @q @mixed.wad 3", 1, "", "(--yes writes it", {"n\n", true}},
    {"extract -o @q @mixed.wad 3", 1, "", "[y/N]", {"", true}},  // no answer
    {"extract -o @q @mixed.wad 3", 1, "", "skipped", {"y\n"}, "[y/N]"},
    {"extract -q -o @q @mixed.wad 3", 0, "", "[y/N]", kAsked, "Extracting"},
    // Without -o, into a new folder named after the archive, unless something is there
    // other than an empty folder; -o . is the current folder.
    {"extract @ten.wad 1-2", 0, "", "Wrote 2 of 2 sounds to 'ten'.\n", {.here = true}},
    {"extract @empty.wad 1", 0, "", "Wrote 1 of 1 sounds to 'empty'.\n", {.here = true}},
    {"extract @kept.wad 1", 1, "", "'kept' is there already and is not an empty", {.here = true}},
    {"extract @nodot.wad 1", 1, "", "'nodot' is there already and is not", {.here = true}},
    {"extract -o . @ten.wad 1", 0, "", "Wrote 1 of 1 sounds to '.'.\n", {.here = true}},
    // Options in every usual form, anywhere; -n keeps what is there.
    {"extract -o@o @ten.wad 1", 0, "", "Wrote 1 of 1 sounds to '@o'."},
    {"extract --output=@o @ten.wad 1", 0, "", "to '@o'."},
    {"extract --out @o @ten.wad 1", 0, "", "to '@o'."},
    {"extract @ten.wad 1 -qo @o", 0, "", ""},
    {"extract -o @o -- @ten.wad 1", 0, "", "to '@o'."},
    {"extract -n -o @kept @ten.wad 1-2", 0, "", "@kept/s2.wav', which was"},
    {"extract -o @kept @ten.wad 1-2", 0, "", "Wrote 2 of 2", {}, ", 1 kept"},
    // Sounds chosen by number, range and pattern, each once, in archive order.
    {"extract -v -o @o @ten.wad 9 2-3 door* S1* 1", 0, "",
     "@o/s1.wav\n@o/s2.wav\n@o/s3.wav\n@o/Door.WAV\n@o/s9.wav\n@o/s10.wav\nWrote 6 of 6"},
    {"extract -v -o @o @ten.wad 10-12 *.ogg 4", 1, "",
     "extract: Sounds 11 to 12: there are no such sounds; the archive holds 10.\n"},
    {"extract -v -o @o @ten.wad 10-12 *.ogg 4", 1, "",
     "No sound's name matches '*.ogg'.\n@o/s4.wav\n@o/s10.wav\nWrote 2 of 2"},
};

// Every way each command ends: its status, and what it says on which stream.
const Row kExitRows[] = {
    {"", 2, "", "echodelve-cli: No command was given; see 'echodelve-cli --help'.\n"},
    {"frobnicate", 2, "", "echodelve-cli: There is no command 'frobnicate'; see"},
    {"--help", 0, "Commands:", ""},
    {"-h", 0, "Commands:", ""},
    {"help", 0, "Commands:", ""},
    {"help check", 0, "Usage: echodelve-cli check", ""},
    {"help unpack", 2, "", "no command 'unpack'"},
    {"--version", 0, "echodelve-cli ", ""},
    {"list --help", 0, "Usage: echodelve-cli list", ""},
    {"extract -o @out @ten.wad -h", 0, "Usage: echodelve-cli extract", ""},
    {"pack --help", 0, "Usage: echodelve-cli pack", ""},
    {"check -h", 0, "Usage: echodelve-cli check", ""},
    {"list -- --help", 1, "", "The archive '--help' does not exist."},  // a name after --
    {"list @ten.wad", 0, "10\ts10.wav\t60\t", ""},
    {"list @mixed.wad", 0,
     "1\tdoor.wav\t100\t" + Offset(0) + "\n2\tdoor.wav\t120\t" + Offset(100) +
         "\n3\todd.wav\t80\t" + Offset(220) + "\n4\t../up\\x01.wav\t60\t" + Offset(300) + "\n",
     ""},
    {"list @cut.wad", 1, "10\ts10.wav\t60\t", "echodelve-cli list: " + kPast + ".\n"},
    {"list @cut.sfx", 1, "2\tedsnd002.wav\t20000\t", "16,000 of 20,000 bytes lie past"},
    {"list @noise.wad", 1, "1\t", "declares a negative"},
    {"list @none.wad", 1, "", "The archive '@none.wad' does not exist."},
    {"list @loop.sfx", 1, "", "--no-limits reads them all."},
    {"list --no-limits @loop.sfx", 1, "", "so its sounds have no end"},
    {"list @pipe.wad", 1, "", "it is a device, pipe or socket, not a file"},
    {"list /dev/null", 1, "", "it is a device, pipe or socket, not a file"},
    {"list --kind sfx @", 1, "", "it is a folder, not a file"},
    {"list @", 1, "", "it is a folder, not a file"},
    {"list", 2, "", "echodelve-cli list: No archive was given; see 'echodelve-cli list --help'.\n"},
    {"list @ten.wad @ten.wad", 2, "", "Give exactly one archive"},
    {"list --bogus @ten.wad", 2, "", "Unknown option '--bogus'"},
    {"list @ten.wad --kind", 2, "", "Option '--kind' needs a value"},
    {"extract -o @out @ten.wad", 0, "", "Wrote 10 of 10 sounds"},
    {"extract -q -o @out @ten.wad", 0, "", ""},
    {"extract -p @ten.wad 2", 0, "RIFF", ""},
    {"extract --yes -o @out @mixed.wad", 0, "", "Wrote 4 of 4 sounds"},
    {"extract -v -o @out @mixed.wad", 1, "",
     "@out/door.wav\n@out/door (2).wav\necho"
     "delve-cli extract: Sound 3 'odd.wav' was skipped: it does "
     "not begin with \"RIFF\" (--yes writes it anyway).\n@out/.._up_.wav\nWrote 3 of 4 sounds to "
     "'@out', 1 skipped.\n"},
    {"extract -v -o @b @bad.wad 1 9 2 3", 1, "",
     "extract: Sound 9: there is no such sound; the archive holds 3.\necho"
     "delve-cli extract: "
     "'neg.wav': Sound 1 of '@bad.wad' declares a negative size (-1 bytes), so it cannot be "
     "extracted.\necho"
     "delve-cli extract: 'big.wav': Sound 2 of"},
    {"extract -v -o @b @bad.wad", 1, "", "more than the whole archive holds"},
    {"extract -v -o @b @bad.wad", 1, "", "@b/ok.wav\nWrote 1 of 3 sounds to '@b', 2 failed.\n"},
    {"extract -p @bad.wad", 1, "RIFF", "extract: Sound 1 of '@bad.wad' declares a negative"},
    // Converted: names as written plain, the extension changed; what cannot be decoded is said.
    {"extract --to flac -v -o @f @mixed.wad", 1, "",
     "@f/door.flac\n@f/door (2).flac\necho"
     "delve-cli extract: 'odd.flac': Sound 3 of '@mixed.wad' "
     "cannot be decoded: it is not a RIFF/WAVE file.\n@f/.._up_.flac\nWrote 3 of 4 sounds to "
     "'@f', 1 failed.\n"},
    {"extract -o @out @ten.wad 11", 1, "", "extract: Sound 11: there is no such sound;"},
    {"extract -p @ten.wad 1 x*", 1, "RIFF", "No sound's name matches 'x*'."},
    {"extract -o @out @cut.wad", 1, "", kPadded},
    {"extract -q -o @out @cut.wad", 1, "", kPadded},
    {"extract -p @cut.wad 10", 1, "RIFF", kPadded},
    {"extract --to pcm16 -o @out @cut.wad 10", 1, "", kPadded},
    {"extract --to flac -o @out @cut.wad", 1, "", kPadded},
    {"extract -p @cut.wad 9", 0, "RIFF", ""},  // a whole sound is no failure
    {"extract -o @out @none.wad", 1, "", "none.wad' does not exist."},
    {"extract -p @pipe.wad", 1, "", "it is a device, pipe or socket, not a file"},
    {"extract -o @out @", 1, "", "it is a folder, not a file"},
    {"extract -o @ten.wad @ten.wad", 1, "", "Could not make the folder"},
    {"extract -p @ten.wad", 1, "", "Could not write to standard output.\n", {.outBroken = true}},
    {"extract -p @ten.wad", 2, "", "not write sounds to a terminal", {.outTerminal = true}},
    {"extract -o @out", 2, "", "echodelve-cli extract: No archive was given; see"},
    {"extract -o", 2, "", "Option '-o' needs a value"},
    {"extract --output= @ten.wad", 2, "", "The output folder's name is empty"},
    {"extract -x -o @out @ten.wad", 2, "", "Unknown option '-x'"},
    {"extract -p -o @out @ten.wad", 2, "", "--stdout writes the sounds to"},
    {"extract --yes --no -o @out @ten.wad", 2, "", "Give --yes or --no, not"},
    {"extract -o @out @ten.wad 0", 2, "", "'0' is not a sound number"},
    {"extract -o @out @ten.wad 9-5", 2, "", "'9-5' is not a sound number"},
    {"extract --to mp3 -o @out @ten.wad", 2, "", "--to must be pcm16, flac"},
    {"pack -o @p.wad @a.wav", 0, "", "Packed 1 file into '@p.wad'.\n"},
    {"pack -o @p.sfx @a.wav @a.wav", 0, "", "Packed 2 files into"},  // no names
    {"pack -o @p.wad @a.wav @a.wav", 1, "", "would be stored under the same"},
    {"pack -o @p.wad @a.wav @A.WAV", 1, "", "as '@a.wav' (ignoring case);"},
    {"pack -o @p.wad @none.wav", 1, "", "Could not read '@none.wav'"},
    {"pack -o @p.sfx @noise.bin", 1, "", "it does not begin with \"RIFF\""},
    {"pack -o @p.sfx @ten.wad", 1, "", "it does not begin with \"RIFF\""},
    {"pack -o @p.wad @nodot", 1, "", "has no \".\""},
    {"pack -o @p.wad @\xC4\x81.wav", 1, "", "(Windows-1252 only)"},
    {"pack -o @no/p.wad @a.wav", 1, "", "Could not write"},
    {"pack -o @p.wad", 2, "", "No files to pack given"},
    {"pack @a.wav", 2, "", "No archive to write given"},
    {"pack @a.wav -o", 2, "", "Option '-o' needs a value"},
    {"pack -o @p.wad -q @a.wav", 2, "", "Unknown option '-q'"},
    // check: every problem with its sound; a clean archive after one at fault
    // leaves the run failed.
    {"check @mixed.wad @ten.wad @none.wad", 1,
     "@mixed.wad: 3 problems\n"
     "  sound 2 'door.wav': sound 1 has the same name; this one is written as 'door (2).wav'\n"
     "  sound 3 'odd.wav': it is not a RIFF/WAVE file\n"
     "  sound 4 '../up\\x01.wav': its name cannot stand as a file name; it is written as "
     "'.._up_.wav'\n@ten.wad: clean, 10 sounds and no problems found\n@none.wad: not checked (it "
     "could not be read)\n",
     "echodelve-cli check: The archive '@none.wad' does not exist.\n"},
    {"check @ten.wad", 0, ": clean, 10 sounds and no problems found\n", ""},
    {"check @mixed.wad @ten.wad", 1, ": clean, 10 sounds", ""},
    {"check @none.wad @ten.wad @ten.wad", 1, ": clean, 10 sounds", "does not exist"},
    {"check @cut.wad @ten.wad @mixed.wad", 1, "@cut.wad: 1 problem\n", ""},
    {"check @ten.wad @cut.wad", 1, "  sound 10 's10.wav': 20 of 60 bytes lie past", ""},
    {"check --json @cut.wad @ten.wad", 1, R"("clean": true)", ""},
    {"check --json @ten.wad", 0, R"("clean": true)", ""},
    {"check --no-limits @loop.sfx", 1, ": not checked", "so its sounds have no end."},
    {"check", 2, "", "echodelve-cli check: No archive was given; see"},
    // edit: applied in order into a new archive, or refused with nothing written.
    {"edit -o @e.wad --remove=1 @ten.wad", 0, "", "Wrote '@e.wad'.\n"},
    {"edit -o @e.wad --add=@a.wav --add=@A.WAV @ten.wad", 1, "",
     "Two sounds would be called 'A.WAV' (ignoring case). Nothing was written.\n"},
    {"edit -o @e.wad --remove=11 @ten.wad", 1, "", "Sound 11: there is no such sound"},
    {"edit -o @e.wad --remove=1 --rename=1=x.wav @ten.wad", 1, "", "was removed already"},
    {"edit -o @e.wad --rename=2-3=x.wav @ten.wad", 1, "", "is for one sound, not 2."},
    {"edit -o @e.wad --rename=2=nodot @ten.wad", 1, "", "has no \".\""},
    {"edit -o @e.wad --replace=2=@noise.bin @ten.wad", 1, "", "'@noise.bin' cannot go into"},
    {"edit -o @e.sfx --rename=1=x.wav @LOUD.SFX", 1, "", "by their place"},
    {"edit -o @ten.wad @ten.wad", 1, "", "is the archive being edited"},
    {"edit -o @e.wad @cut.wad", 1, "", "lie past the end of the archive; it cannot be kept"},
    {"edit @ten.wad", 2, "", "No new archive was given (-o NEW, or --in-place)"},
    {"edit --in-place --remove=1 @kept.wad", 0, "",
     "Wrote '@kept.wad', keeping the old one as '@kept.wad.bak'.\n"},
    {"edit --in-place --no-backup --remove=1 @kept.wad", 0, "", "Wrote '@kept.wad'.\n"},
    {"edit --in-place -o @e.wad @ten.wad", 2, "", "Give either -o NEW or --in-place, not both"},
    {"edit --no-backup -o @e.wad @ten.wad", 2, "", "--no-backup is for --in-place"},
    {"edit --match -o @e.wad --replace=2=@a.wav @ten.wad", 0, "", "Wrote '@e.wad'.\n"},
    {"edit -o @e.wad @LOUD.SFX", 2, "",
     "'@e.wad' names another kind of archive (wad) than the "
     "one edited (sfx)"},
    {"edit -o @e.wad --add= @ten.wad", 2, "", "--add takes a FILE"},
    {"edit -o @pipe.wad @ten.wad", 1, "", "something other than a file is there"},
    {"edit -o @e.wad --rename=1=a/b.wav @ten.wad", 1, "", "cannot stand as a file name"},
    {"edit -o @e.wad --remove=10 @cut.wad", 0, "", "Wrote '@e.wad'.\n"},
    {"edit -o @e.wad --replace=10=@a.wav @cut.wad", 0, "", "Wrote '@e.wad'.\n"},
    // --move takes a place from 1 to one past the sounds that stay.
    {"edit -o @e.wad --move=1=0 @ten.wad", 2, "", "'0' is not a place (1 is the first)"},
    {"edit -o @e.wad --move=1=x @ten.wad", 2, "", "'x' is not a place"},
    {"edit -o @e.wad --move=1 @ten.wad", 2, "", "--move takes SOUND=PLACE, not '1'"},
    {"edit -o @e.wad --move=1=10 @ten.wad", 0, "", "Wrote '@e.wad'.\n"},
    {"edit -o @e.wad --move=1=11 @ten.wad", 1, "", "the places are 1 to 10. Nothing was written."},
    {"edit -o @e.wad --move=1-2=10 @ten.wad", 1, "", "the places are 1 to 9."},
    {"edit -o @e.wad --replace=2 @ten.wad", 2, "", "--replace takes SOUND=FILE, not '2'"},
    {"edit -o @e.wad --remove=0 @ten.wad", 2, "", "'0' is not a sound number"},
    // --salvage: past the break, the sounds found by their headers, so marked.
    {"list @junk.sfx", 1, "1\tedsnd001.wav\t60\t0\n2\tedsnd002.wav\t", "lie past the end"},
    {"list --salvage @junk.sfx", 0,
     "1\tedsnd001.wav\t60\t0\n2\tedsnd002.wav\t70\t68\tsalvaged\n3\tedsnd003.wav\t80\t138\t"
     "salvaged\n",
     ""},
    {"list --salvage --json @junk.sfx", 0, R"("offset": 0, "encoding")", ""},
    {"list --salvage --json @junk.sfx", 0, R"(, "salvaged": true}
]})",
     ""},
    {"list --salvage @ten.wad", 0, "10\ts10.wav\t60\t3175\n", ""},
    {"check @junk.sfx", 1, "  the archive: --salvage would recover 2 more sounds.\n", ""},
    {"check @ten.wad", 0, "clean", ""},
    {"check --salvage @junk.sfx", 1, "bytes 60 to 67 (8 bytes) belong to no sound", ""},
    {"extract --salvage -v -o @s @junk.sfx", 0, "", "Wrote 3 of 3 sounds to '@s'.\n"},
    {"extract -o @s @junk.sfx", 1, "", "more than the whole archive holds (218)"},
    // diff: 0 the same, 1 different, 2 trouble, as cmp has it.
    {"diff @ten.wad @kept.wad", 0, "", ""},
    {"diff --json @ten.wad @kept.wad", 0, R"("same": true)", ""},
    {"diff @ten.wad @mixed.wad", 1, "removed  a:1 's1.wav'\n", ""},
    {"diff @mixed.wad @ten.wad", 1, "added    b:10 's10.wav'\n", ""},
    {"diff @ten.wad @none.wad", 2, "", "The archive '@none.wad' does not exist."},
    {"diff @ten.wad @cut.wad", 1, "changed  a:10 b:10 's10.wav'", ""},
    {"diff @ten.wad", 2, "", "Give two archives, A and B"},
    {"diff @ten.wad @mixed.wad", 2, "", "Could not write to standard output", {.outBroken = true}},
    // An archive whose kind cannot be told spoils only itself; the document stays whole.
    {"check @noise.bin @ten.wad", 1,
     "@noise.bin: not checked (it could not be read)\n@ten.wad: clean", "Cannot tell the kind of"},
    {"check --json @noise.bin @ten.wad", 1, "\"clean\": true, \"problems\": []}\n]}\n",
     "Cannot tell the kind"},
    // Standard output that cannot be written fails every command that writes there.
    {"list @ten.wad",
     1,
     "",
     "echodelve-cli list: Could not write to standard output.\n",
     {.outBroken = true}},
    {"check @ten.wad", 1, "", "Could not write to standard output.", {.outBroken = true}},
    {"--version", 1, "", "echodelve-cli: Could not write to standard output.", {.outBroken = true}},
    {"list --help", 1, "", "Could not write to standard output.", {.outBroken = true}},
    // A missing archive is missing, whatever its name.
    {"list @none", 1, "", "echodelve-cli list: The archive '@none' does not exist.\n"},
    {"check --kind=zip @ten.wad", 2, "", "--kind must be sfx, wad or doom"},
    {"check --bogus @ten.wad", 2, "", "Unknown option '--bogus'"},
    {"check @ten.wad --kind", 2, "", "Option '--kind' needs a value"},
};

class CliRows : public CliTest, public ::testing::WithParamInterface<Row> {};

TEST_P(CliRows, DoWhatTheyShould) {
    MakeFiles(GetParam().command);
    ExpectRow(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Edges, CliRows, ::testing::ValuesIn(kEdgeRows));
INSTANTIATE_TEST_SUITE_P(ExitStatus, CliRows, ::testing::ValuesIn(kExitRows));

}  // namespace
}  // namespace echodelve::cli
