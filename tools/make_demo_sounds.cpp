// Writes the short sounds the demo archives in examples/ are packed from:
//   make_demo_sounds FOLDER
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <numbers>
#include <vector>

#include "synth_wav.h"

namespace {

using echodelve::tools::kRate;
using echodelve::tools::WriteWav;
constexpr double kTau = 2 * std::numbers::pi;

std::vector<double> Render(double seconds,
                           const std::function<double(double t, double& phase)>& sample) {
    std::vector<double> out(static_cast<std::size_t>(seconds * kRate));
    double phase = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = sample(static_cast<double>(i) / kRate, phase);
    }
    return out;
}

double Noise() {
    static std::uint32_t seed = 0x1234567;
    seed = seed * 1664525u + 1013904223u;
    return static_cast<double>(seed >> 8) / static_cast<double>(1u << 24) * 2 - 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_sounds FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    // A coin: two quick rising tones.
    WriteWav(folder / "coin.wav", Render(0.35, [](double t, double& phase) {
                 phase += kTau * (t < 0.08 ? 988 : 1319) / kRate;
                 return 0.4 * std::sin(phase) * std::exp(-t * 8);
             }));
    // A laser: a falling chirp.
    WriteWav(folder / "laser.wav", Render(0.4, [](double t, double& phase) {
                 phase += kTau * (1800 * std::exp(-t * 6) + 120) / kRate;
                 return 0.35 * (std::sin(phase) > 0 ? 1 : -1) * std::exp(-t * 5);
             }));
    // A door: a low thump with a rattle of noise.
    WriteWav(folder / "door.wav", Render(0.5, [](double t, double& phase) {
                 phase += kTau * (70 - 30 * t) / kRate;
                 return 0.6 * std::sin(phase) * std::exp(-t * 9) +
                        0.2 * Noise() * std::exp(-t * 25);
             }));
    // A bell: a few inharmonic partials, slowly fading.
    WriteWav(folder / "bell.wav", Render(1.2, [](double t, double&) {
                 double sum = 0;
                 for (const auto& [ratio, weight] :
                      {std::pair{1.0, 0.5}, {2.76, 0.25}, {5.4, 0.15}, {8.93, 0.08}}) {
                     sum += weight * std::sin(kTau * 660 * ratio * t) * std::exp(-t * (2 + ratio));
                 }
                 return 0.5 * sum;
             }));
    // A step: a short filtered tick.
    WriteWav(folder / "step.wav", Render(0.15, [](double t, double& phase) {
                 phase = 0.7 * phase + 0.3 * Noise();
                 return 0.8 * phase * std::exp(-t * 40);
             }));
    return 0;
}
