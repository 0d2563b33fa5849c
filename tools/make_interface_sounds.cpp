// Writes the program's three interface sounds, synthesised here:
//   make_interface_sounds FOLDER -> FOLDER/swishin.wav, swishout.wav, change.wav
// The swishes are noise through a band-pass filter sweeping up (in) or down
// (out); the change sound is a short, soft click. 22050 Hz, 16-bit, mono.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

namespace {

constexpr int kRate = 22050;

void WriteWav(const std::filesystem::path& path, const std::vector<double>& samples) {
    std::vector<std::uint8_t> bytes;
    const auto le = [&bytes](std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    const auto tag = [&bytes](const char* text) { bytes.insert(bytes.end(), text, text + 4); };
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    tag("RIFF");
    le(36 + dataBytes, 4);
    tag("WAVE");
    tag("fmt ");
    le(16, 4);
    le(1, 2);  // PCM
    le(1, 2);  // mono
    le(kRate, 4);
    le(kRate * 2, 4);
    le(2, 2);
    le(16, 2);
    tag("data");
    le(dataBytes, 4);
    for (double sample : samples) {
        const double clipped = std::fmax(-1.0, std::fmin(1.0, sample));
        le(static_cast<std::uint32_t>(static_cast<std::int16_t>(std::lround(clipped * 32767))), 2);
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "could not write %s\n", path.string().c_str());
        std::exit(1);
    }
}

// Noise through a band-pass whose centre moves from `fromHz` to `toHz`.
std::vector<double> Swish(double seconds, double fromHz, double toHz) {
    const int n = static_cast<int>(seconds * kRate);
    std::vector<double> out(static_cast<std::size_t>(n));
    std::uint32_t seed = 0x2545F491;
    double low = 0;
    double band = 0;
    for (int i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 8) / static_cast<double>(1u << 24) * 2 - 1;
        const double t = static_cast<double>(i) / n;
        const double centre = fromHz * std::pow(toHz / fromHz, t);
        // A state-variable filter; f and q set the centre and the width.
        const double f = 2 * std::sin(std::numbers::pi * centre / kRate);
        const double q = 0.35;
        low += f * band;
        const double high = noise - low - q * band;
        band += f * high;
        const double envelope = std::sin(std::numbers::pi * t) * std::sin(std::numbers::pi * t);
        out[static_cast<std::size_t>(i)] = 0.45 * band * envelope;
    }
    return out;
}

std::vector<double> Click() {
    const int n = kRate * 35 / 1000;
    std::vector<double> out(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        out[static_cast<std::size_t>(i)] =
            0.35 * std::exp(-t * 160) * std::sin(2 * std::numbers::pi * 1600 * t) +
            0.15 * std::exp(-t * 90) * std::sin(2 * std::numbers::pi * 520 * t);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_interface_sounds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    WriteWav(folder / "swishin.wav", Swish(0.30, 300, 3500));
    WriteWav(folder / "swishout.wav", Swish(0.30, 3500, 300));
    WriteWav(folder / "change.wav", Click());
    return 0;
}
