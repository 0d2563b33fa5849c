// Prints how fast the archive library decodes and extracts, against `split`
// from coreutils writing the same bytes into the same number of files, all
// measured in this one run. Not a test: it only reports figures.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "formats/archive_writers.h"
#include "formats/doom_wad.h"
#include "formats/little_endian.h"
#include "formats/sfx_decoder.h"
#include "formats/sound_stream.h"
#include "formats/wad_decoder.h"
#include "tools/synth_wav.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The WAV file with a "smpl" chunk of one forward loop over frames
// [start, end] appended, its RIFF length grown to match.
std::vector<std::uint8_t> WithLoop(std::vector<std::uint8_t> wav, std::uint32_t start,
                                   std::uint32_t end) {
    constexpr std::uint32_t kSmplBytes = 60;  // 36 of sampler fields, 24 of the one loop
    constexpr std::uint32_t kUnityNote = 60;
    std::vector<std::uint8_t> chunk(8 + kSmplBytes, 0);
    std::copy_n("smpl", 4, chunk.begin());
    echodelve::StoreLittleEndian(std::span(chunk).subspan(4, 4), kSmplBytes);
    echodelve::StoreLittleEndian(std::span(chunk).subspan(8 + 12, 4), kUnityNote);
    echodelve::StoreLittleEndian(std::span(chunk).subspan(8 + 28, 4), 1);  // loops
    echodelve::StoreLittleEndian(std::span(chunk).subspan(8 + 36 + 8, 4), start);
    echodelve::StoreLittleEndian(std::span(chunk).subspan(8 + 36 + 12, 4), end);
    wav.insert(wav.end(), chunk.begin(), chunk.end());
    echodelve::StoreLittleEndian(std::span(wav).subspan(4, 4), wav.size() - 8);
    return wav;
}

using Clock = std::chrono::steady_clock;
using echodelve::PackMember;

class QuietHooks : public echodelve::UiHooks {
  public:
    void PumpEvents() override {}
    bool SaveSoundThatIsNotRiff(const echodelve::SoundQuery& /*sound*/) override { return true; }
};

// A well-formed 8-bit mono PCM WAV file of exactly `size` bytes (at least 44).
std::vector<std::uint8_t> Wav(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> wav(size);
    for (std::size_t i = 44; i < size; ++i) {
        wav[i] = static_cast<std::uint8_t>(seed * 131 + i * 7);
    }
    const std::span<std::uint8_t> head(wav);
    std::copy_n("RIFF", 4, wav.begin());
    echodelve::StoreLittleEndian(head.subspan(4, 4), static_cast<std::uint32_t>(size - 8));
    std::copy_n("WAVEfmt ", 8, wav.begin() + 8);
    echodelve::StoreLittleEndian(head.subspan(16, 4), 16U);    // fmt chunk length
    echodelve::StoreLittleEndian(head.subspan(20, 2), 1U);     // PCM
    echodelve::StoreLittleEndian(head.subspan(22, 2), 1U);     // mono
    echodelve::StoreLittleEndian(head.subspan(24, 4), 8000U);  // frames per second
    echodelve::StoreLittleEndian(head.subspan(28, 4), 8000U);  // bytes per second
    echodelve::StoreLittleEndian(head.subspan(32, 2), 1U);     // bytes per frame
    echodelve::StoreLittleEndian(head.subspan(34, 2), 8U);     // bits per sample
    std::copy_n("data", 4, wav.begin() + 36);
    echodelve::StoreLittleEndian(head.subspan(40, 4), static_cast<std::uint32_t>(size - 44));
    return wav;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct ChildRun {
    double seconds;
    long peakKiB;
};

// Runs a command that must end with `expected` as its exit status; its
// standard output goes nowhere (the figures are what this prints).
ChildRun Spawn(const std::vector<std::string>& argv, int expected = 0) {
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid, args[0], &quiet, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) {
        std::fprintf(stderr, "could not start %s\n", args[0]);
        std::exit(1);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != expected) {
        std::fprintf(stderr, "%s failed\n", args[0]);
        std::exit(1);
    }
    return {seconds, usage.ru_maxrss};
}

template <typename Decode>
double DecodeMilliseconds(Decode decode) {
    std::vector<double> times;
    for (int i = 0; i < 21; ++i) {
        const auto start = Clock::now();
        decode();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return Median(times);
}

void Fresh(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

constexpr std::size_t kSoundBytes = 200 * 1024;

// Writes the archives the figures are measured on. It runs in a process of
// its own, so the measuring process stays small: a spawned child is charged
// with its parent's peak memory at the time of the spawn.
void MakeFixtures(const fs::path& work) {
    std::vector<PackMember> small;
    for (unsigned i = 0; i < 1000; ++i) {
        small.push_back(
            PackMember::FromBytes("s" + std::to_string(i) + ".wav", Wav(64 + i % 50, i)));
    }
    echodelve::WriteSfxArchive(work / "decode.sfx", small);
    echodelve::WriteWadArchive(work / "decode.wad",
                               std::vector<PackMember>(small.begin(), small.begin() + 299));
    // 1000 real tones, a tenth of a second each, for the sound details.
    std::vector<PackMember> tones;
    for (unsigned i = 0; i < 1000; ++i) {
        std::vector<double> samples(echodelve::tools::kRate / 10);
        for (std::size_t n = 0; n < samples.size(); ++n) {
            samples[n] = 0.5 * std::sin(0.05 * static_cast<double>(n * (i + 1)));
        }
        tones.push_back(PackMember::FromBytes(
            "t.wav", WithLoop(echodelve::tools::EncodeWav(samples), 100, 700)));
    }
    echodelve::WriteSfxArchive(work / "details.sfx", tones);
    // ~200 MB in 1000 equal sounds, so `split -b` makes the same files.
    std::vector<PackMember> sounds;
    for (unsigned i = 0; i < 1000; ++i) {
        sounds.push_back(PackMember::FromBytes("x.wav", Wav(kSoundBytes, i)));
    }
    echodelve::WriteSfxArchive(work / "big.sfx", sounds);
    // The same with its last 10 sounds different: cmp reads nearly all of both.
    {
        std::vector<PackMember> other(sounds.begin(), sounds.end() - 10);
        for (unsigned i = 0; i < 10; ++i) {
            other.push_back(PackMember::FromBytes("x.wav", Wav(kSoundBytes, 5000 + i)));
        }
        echodelve::WriteSfxArchive(work / "other.sfx", other);
    }
    // The same with 8 junk bytes after the first sound: its walk breaks there.
    sounds.insert(sounds.begin() + 1,
                  PackMember::FromBytes("junk", {'R', 'I', 'F', 'F', 'J', 'U', 'N', 'K'}));
    {
        std::ofstream damaged(work / "damaged.sfx", std::ios::binary);
        for (const PackMember& member : sounds) {
            const auto& bytes = std::get<std::vector<std::uint8_t>>(member.content);
            damaged.write(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<std::streamsize>(bytes.size()));
        }
    }
    sounds.clear();
    std::ofstream replacement(work / "replacement.wav", std::ios::binary);
    const std::vector<std::uint8_t> wav = Wav(kSoundBytes, 7777);
    replacement.write(reinterpret_cast<const char*>(wav.data()),
                      static_cast<std::streamsize>(wav.size()));
    // A game's worth of archives for find: 2000 of 250 sounds each, half SFX
    // and half WAD, in 20 folders.
    for (unsigned a = 0; a < 2000; ++a) {
        std::vector<PackMember> members;
        for (unsigned i = 0; i < 250; ++i) {
            members.push_back(
                PackMember::FromBytes("s" + std::to_string(i) + ".wav", Wav(60 + i % 40, a + i)));
        }
        const fs::path folder = work / "tree" / ("folder" + std::to_string(a % 20));
        fs::create_directories(folder);
        if (a % 2 == 0) {
            echodelve::WriteSfxArchive(folder / ("a" + std::to_string(a) + ".sfx"), members);
        } else {
            echodelve::WriteWadArchive(folder / ("a" + std::to_string(a) + ".wad"), members);
        }
    }
    // Two sounds of 256 MiB, and a record claiming 1 GiB past the end of its archive.
    std::vector<PackMember> large;
    large.push_back(PackMember::FromBytes("a.wav", Wav(256u << 20, 1)));
    large.push_back(PackMember::FromBytes("b.wav", Wav(256u << 20, 2)));
    echodelve::WriteWadArchive(work / "large.wad", large);
    large.clear();
    std::ofstream claim(work / "claim.wad", std::ios::binary);
    std::vector<std::uint8_t> record(268, 0);
    std::copy_n("big.wav", 7, record.begin());
    echodelve::StoreLittleEndian(std::span(record).subspan(260, 4), 1U << 30);  // size
    echodelve::StoreLittleEndian(std::span(record).subspan(264, 4), 268);       // offset
    claim.write(reinterpret_cast<const char*>(record.data()),
                static_cast<std::streamsize>(record.size()));
    claim.write("RIFF", 4);
}

}  // namespace

// A Doom-engine WAD (Debian's freedoom2.wad): its listing, and the
// extraction of its sounds against the same sounds in an SFX archive, the
// floor the other kinds meet.
void DoomFigures(const fs::path& work, const std::string& cli, QuietHooks& hooks) {
    const fs::path doom = "/usr/share/games/doom/freedoom2.wad";
    if (!fs::exists(doom)) {
        std::printf("doom: %s is missing (scripts/setup installs freedoom)\n", doom.c_str());
        return;
    }
    echodelve::DoomWadDecoder decoder(hooks);
    const double listMs = DecodeMilliseconds([&] { decoder.Decode(doom); });
    std::printf("doom: decode of freedoom2.wad (%.1f MB, %d sounds): %.3f ms (target < 20 ms)\n",
                static_cast<double>(fs::file_size(doom)) / 1e6, decoder.Count(), listMs);
    std::vector<double> listTimes;
    for (int round = 0; round < 5; ++round) {
        listTimes.push_back(Spawn({cli, "list", doom.string()}).seconds * 1000);
    }
    std::printf("doom: echodelve-cli list freedoom2.wad, whole process: %.3f ms\n",
                Median(listTimes));

    Fresh(work / "doom");
    Spawn({cli, "extract", "-q", "-o", (work / "doom").string(), doom.string()});
    std::vector<echodelve::PackMember> members;
    for (std::int32_t n = 1; n <= decoder.Count(); ++n) {
        members.push_back(echodelve::PackMember::FromFile(work / "doom" / decoder.Entry(n).name));
    }
    echodelve::WriteSfxArchive(work / "doom.sfx", members);
    std::vector<double> ratios;
    for (int round = 0; round < 5; ++round) {
        const auto timed = [&](const fs::path& archive) {
            Fresh(work / "extract");
            Spawn({"sync"});
            return Spawn({cli, "extract", "-q", "-j", "1", "-o", (work / "extract").string(),
                          archive.string()})
                .seconds;
        };
        const double sfx = timed(work / "doom.sfx");
        const double wad = timed(doom);
        ratios.push_back(wad / sfx);
        std::printf("doom: round %d: the sounds as SFX %.3f s; from freedoom2.wad %.3f s (%.2fx)\n",
                    round + 1, sfx, wad, wad / sfx);
    }
    std::printf(
        "doom: extracting freedoom2.wad's sounds: median ratio to the same sounds as SFX %.2fx "
        "(target <= 1.5x)\n",
        Median(ratios));
}

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--make-fixtures") {
        MakeFixtures(argv[2]);
        return 0;
    }
    const fs::path work =
        argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path() / "echodelve-bench";
    const std::string cli = ECHODELVE_CLI_PATH;
    Fresh(work);
    Spawn({fs::read_symlink("/proc/self/exe").string(), "--make-fixtures", work.string()});
    QuietHooks hooks;

    echodelve::SfxDecoder sfx(hooks);
    echodelve::wadDecoder wad(hooks);
    const double sfxMs = DecodeMilliseconds([&] { sfx.DecodeSfx(work / "decode.sfx"); });
    const double wadMs = DecodeMilliseconds([&] { wad.DecodeWad(work / "decode.wad"); });
    std::printf("decode: SFX, 1000 sounds: %.3f ms (target < 10 ms)\n", sfxMs);
    std::printf("decode: WAD, 299 records: %.3f ms (target < 10 ms)\n", wadMs);
    echodelve::SfxDecoder tones(hooks);
    tones.DecodeSfx(work / "details.sfx");
    const double detailsMs = DecodeMilliseconds([&] {
        for (std::int32_t i = 1; i <= tones.Count(); ++i) {
            const echodelve::DetailsOrProblem details = tones.Details(i);
            if (!details.details || !details.details->loop) {
                std::abort();  // every tone is read with its loop
            }
        }
    });
    std::printf(
        "details: all 1000 sounds of an archive, loop points included: %.3f ms (target < 100 ms)\n",
        detailsMs);

    const std::string archive = (work / "big.sfx").string();
    std::vector<double> checkTimes;
    for (int round = 0; round < 5; ++round) {
        checkTimes.push_back(Spawn({cli, "check", archive}).seconds * 1000);
    }
    std::printf("check: 1000 sounds, 204.8 MB: %.1f ms (target < 200 ms)\n", Median(checkTimes));

    // Each run starts with no dirty pages left by the run before it; a run of
    // the whole pool and one of a single worker against split in each round.
    std::vector<double> ratios;
    std::vector<double> serialRatios;
    long extractPeak = 0;
    const auto extract = [&](const char* jobs) {
        Fresh(work / "extract");
        Spawn({"sync"});
        const ChildRun run = Spawn({cli, "extract", "--yes", "-q", "-j", jobs, "-o",
                                    (work / "extract").string(), archive});
        extractPeak = std::max(extractPeak, run.peakKiB);
        return run.seconds;
    };
    for (int round = 0; round < 5; ++round) {
        Fresh(work / "split");
        Spawn({"sync"});
        const double split = Spawn({"split", "-b", std::to_string(kSoundBytes), "-a", "3", archive,
                                    (work / "split" / "part").string()})
                                 .seconds;
        const std::string cores = std::to_string(std::max(1U, std::thread::hardware_concurrency()));
        const double pooled = extract(cores.c_str());
        const double serial = extract("1");
        ratios.push_back(pooled / split);
        serialRatios.push_back(serial / split);
        std::printf(
            "extract: round %d: split -b %.3f s; %s workers %.3f s (%.2fx); one worker "
            "%.3f s (%.2fx)\n",
            round + 1, split, cores.c_str(), pooled, pooled / split, serial, serial / split);
    }
    std::printf(
        "extract: 1000 sounds, %.1f MB: median ratio to split -b %.2fx with the pool, "
        "%.2fx with one worker (target <= 0.5x)\n",
        1000.0 * kSoundBytes / 1e6, Median(ratios), Median(serialRatios));
    std::printf("extract: peak memory %.1f MiB (target < 32 MiB)\n",
                static_cast<double>(extractPeak) / 1024.0);
    // Rewriting the archive with one sound replaced, against cp of it.
    std::vector<double> editRatios;
    for (int round = 0; round < 5; ++round) {
        fs::remove(work / "copy.sfx");
        fs::remove(work / "edited.sfx");
        Spawn({"sync"});
        const double copy = Spawn({"cp", archive, (work / "copy.sfx").string()}).seconds;
        Spawn({"sync"});
        const double edit = Spawn({cli, "edit", "-o", (work / "edited.sfx").string(),
                                   "--replace=500=" + (work / "replacement.wav").string(), archive})
                                .seconds;
        editRatios.push_back(edit / copy);
        std::printf("edit: round %d: cp %.3f s; one sound replaced %.3f s (%.2fx)\n", round + 1,
                    copy, edit, edit / copy);
    }
    std::printf(
        "edit: 1000 sounds, one replaced: median ratio to cp of the archive %.2fx (target <= "
        "1.3x)\n",
        Median(editRatios));
    // find over the whole tree, its pages in the cache after a first run.
    const std::string tree = (work / "tree").string();
    Spawn({cli, "find", tree});
    std::vector<double> findTimes;
    long findPeak = 0;
    for (int round = 0; round < 3; ++round) {
        const ChildRun run = Spawn({cli, "find", tree});
        findTimes.push_back(run.seconds);
        findPeak = std::max(findPeak, run.peakKiB);
    }
    std::printf(
        "find: 2000 archives, 500000 sounds, every one printed: %.2f s (target < 5 s), peak "
        "memory %.1f MiB (target < 64 MiB)\n",
        Median(findTimes), static_cast<double>(findPeak) / 1024.0);

    // Comparing two versions, against cmp of the same two files.
    std::vector<double> diffRatios;
    for (int round = 0; round < 5; ++round) {
        const std::string other = (work / "other.sfx").string();
        const double compared = Spawn({"cmp", archive, other}, 1).seconds;
        const double diffed = Spawn({cli, "diff", archive, other}, 1).seconds;
        diffRatios.push_back(diffed / compared);
        std::printf("diff: round %d: cmp %.3f s; diff %.3f s (%.2fx)\n", round + 1, compared,
                    diffed, diffed / compared);
    }
    std::printf(
        "diff: two 1000-sound archives, the last 10 sounds differing: median ratio to cmp %.2fx "
        "(target <= 1.5x)\n",
        Median(diffRatios));
    // Salvage of the damaged archive, against a plain listing of the whole one.
    std::vector<double> salvageRatios;
    for (int round = 0; round < 5; ++round) {
        const double plain = Spawn({cli, "list", archive}).seconds;
        const double salvaged =
            Spawn({cli, "list", "--salvage", (work / "damaged.sfx").string()}).seconds;
        salvageRatios.push_back(salvaged / plain);
    }
    std::printf(
        "salvage: list --salvage of a damaged 1000-sound archive: median ratio to a plain list "
        "%.2fx (target <= 2x)\n",
        Median(salvageRatios));
    // The claim of 1 GiB past the archive's end is refused, writing nothing.
    for (const auto& [name, status] : {std::pair{"large.wad", 0}, std::pair{"claim.wad", 1}}) {
        Fresh(work / "extract");
        const ChildRun run = Spawn(
            {cli, "extract", "--yes", "-o", (work / "extract").string(), (work / name).string()},
            status);
        std::printf("extract: %s: %.3f s, peak memory %.1f MiB (target < 32 MiB)\n", name,
                    run.seconds, static_cast<double>(run.peakKiB) / 1024.0);
    }
    DoomFigures(work, cli, hooks);
    fs::remove_all(work);
    return 0;
}
