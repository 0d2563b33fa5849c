// Playing a 256 MiB sound through the program's sound service, on the real
// sound server bench/run starts for it (tests/audio/with-pulse): how much of
// the file is read in the first seconds of playback, and how much memory the
// playback takes above the program's idle size.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "formats/little_endian.h"
#include "platform/sound_service.h"

namespace {

// A field of /proc/self/status ("VmRSS") or /proc/self/io ("rchar"), in its units.
long long ProcField(const char* file, const std::string& field) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::stoll(line.substr(field.size() + 1));
        }
    }
    return -1;
}

// 16-bit stereo at 44.1 kHz: a header, then silence to 256 MiB (a sparse file).
std::filesystem::path LongSound() {
    const auto path = std::filesystem::temp_directory_path() / "echodelve-playback-bench.wav";
    constexpr std::uint64_t kBytes = std::uint64_t{256} << 20;
    std::vector<std::uint8_t> header(44);
    const auto put = [&header](std::size_t at, std::uint64_t value, std::size_t width) {
        echodelve::StoreLittleEndian(std::span(header).subspan(at, width), value);
    };
    std::copy_n("RIFF", 4, header.begin());
    put(4, kBytes - 8, 4);
    std::copy_n("WAVEfmt ", 8, header.begin() + 8);
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 2, 2);
    put(24, 44100, 4);
    put(28, 44100 * 4, 4);
    put(32, 4, 2);
    put(34, 16, 2);
    std::copy_n("data", 4, header.begin() + 36);
    put(40, kBytes - 44, 4);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(header.data()),
               static_cast<std::streamsize>(header.size()));
    std::filesystem::resize_file(path, kBytes);
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const auto sound = LongSound();
    echodelve::platform::SoundService service;
    QTest::qWait(500);
    const long long idleKiB = ProcField("/proc/self/status", "VmRSS");
    const long long readBefore = ProcField("/proc/self/io", "rchar");

    service.Play(QString::fromStdString(sound.string()), false);
    long long peakKiB = idleKiB;
    for (int i = 0; i < 40; ++i) {  // two seconds of playback
        QTest::qWait(50);
        peakKiB = std::max(peakKiB, ProcField("/proc/self/status", "VmRSS"));
    }
    const long long readBytes = ProcField("/proc/self/io", "rchar") - readBefore;
    service.Stop();
    std::filesystem::remove(sound);
    std::printf(
        "playback: 256 MiB sound, first 2 s: %.1f MiB read from the file; memory +%.1f MiB above "
        "idle (target < 32 MiB)\n",
        static_cast<double>(readBytes) / (1 << 20), static_cast<double>(peakKiB - idleKiB) / 1024);
    return 0;
}
