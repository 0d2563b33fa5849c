// Writes the program's three interface sounds, synthesised here:
//   make_interface_sounds FOLDER -> FOLDER/swishin.wav, swishout.wav, change.wav
// The swishes are noise through a band-pass filter sweeping up (in) or down
// (out); the change sound is a short, soft click. 22050 Hz, 16-bit, mono.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <vector>

#include "synth_wav.h"

namespace {

using echodelve::tools::kRate;
using echodelve::tools::WriteWav;

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
