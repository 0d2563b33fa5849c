#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <vector>

#include "formats/little_endian.h"

// Writing synthesised sounds as 16-bit mono PCM WAV files, for the tools
// that make the program's own sounds.
namespace echodelve::tools {

inline constexpr int kRate = 22050;

// The samples (in [-1, 1], clipped) as the bytes of a WAV file. The file is
// laid out at fixed offsets in a buffer of its final size.
inline std::vector<std::uint8_t> EncodeWav(const std::vector<double>& samples) {
    constexpr std::size_t kHeaderBytes = 44;
    const std::size_t dataBytes = samples.size() * 2;
    std::vector<std::uint8_t> bytes(kHeaderBytes + dataBytes);
    const std::span<std::uint8_t> all(bytes);
    const auto tag = [&all](std::size_t at, const char(&text)[5]) {
        std::copy_n(text, 4, all.begin() + static_cast<std::ptrdiff_t>(at));
    };
    const auto number = [&all](std::size_t at, std::size_t width, std::uint64_t value) {
        StoreLittleEndian(all.subspan(at, width), value);
    };
    tag(0, "RIFF");
    number(4, 4, kHeaderBytes - 8 + dataBytes);
    tag(8, "WAVE");
    tag(12, "fmt ");
    number(16, 4, 16);
    number(20, 2, 1);  // PCM
    number(22, 2, 1);  // mono
    number(24, 4, kRate);
    number(28, 4, kRate * 2);  // bytes per second
    number(32, 2, 2);          // bytes per frame
    number(34, 2, 16);         // bits per sample
    tag(36, "data");
    number(40, 4, dataBytes);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double clipped = std::fmax(-1.0, std::fmin(1.0, samples[i]));
        const auto sample = static_cast<std::int16_t>(std::lround(clipped * 32767));
        number(kHeaderBytes + 2 * i, 2, static_cast<std::uint16_t>(sample));
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
