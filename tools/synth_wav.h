#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

// Writing synthesised sounds as 16-bit mono PCM WAV files, for the tools
// that make the program's own sounds.
namespace echodelve::tools {

inline constexpr int kRate = 22050;

// The samples (in [-1, 1], clipped) as the bytes of a WAV file.
inline std::vector<std::uint8_t> EncodeWav(const std::vector<double>& samples) {
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
    return bytes;
}

inline void WriteWav(const std::filesystem::path& path, const std::vector<double>& samples) {
    const std::vector<std::uint8_t> bytes = EncodeWav(samples);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "could not write %s\n", path.string().c_str());
        std::exit(1);
    }
}

}  // namespace echodelve::tools
