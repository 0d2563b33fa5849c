#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace echodelve::test {

using Bytes = std::vector<std::uint8_t>;

// A complete RIFF/WAVE file of exactly `size` bytes (at least 44): a PCM
// header and data bytes derived from `seed`, so different sounds differ.
Bytes MakeWav(std::size_t size, std::uint8_t seed = 1);

// A sine tone of `seconds` at `hz` and `amplitude` (a fraction of full
// scale) on every channel, as a WAV file that libsndfile encodes in `format`
// (SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, ...), with a "smpl" loop over frames
// [loopStart, loopEnd) where loopEnd is not 0.
Bytes ToneWav(int format, int rate, int channels, double seconds, double hz, double amplitude,
              std::int64_t loopStart = 0, std::int64_t loopEnd = 0);

// The parts one after another.
Bytes Join(std::initializer_list<Bytes> parts);

// Four bytes, little-endian.
Bytes Le32(std::uint32_t value);

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadBytes(const std::filesystem::path& path);

// A WAD directory record: `name` padded with zeros to 260 bytes, then size and offset.
Bytes WadRecord(const std::string& name, std::uint32_t size, std::uint32_t offset);

// Names of the regular files in a folder, sorted.
std::vector<std::string> FileNames(const std::filesystem::path& folder);

}  // namespace echodelve::test
