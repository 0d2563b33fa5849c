#include "fixtures.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <stdexcept>

#include <sndfile.h>

#include "formats/little_endian.h"

namespace echodelve::test {

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Le32(std::uint32_t value) {
    Bytes field(4);
    StoreLittleEndian(field, value);
    return field;
}

Bytes ToneWav(int format, int rate, int channels, double seconds, double hz, double amplitude,
              std::int64_t loopStart, std::int64_t loopEnd) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("echodelve-tone-" + std::to_string(std::random_device{}()) + ".wav");
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        throw std::runtime_error(std::string("could not make a tone: ") + sf_strerror(nullptr));
    }
    if (loopEnd != 0) {
        SF_INSTRUMENT instrument{};
        instrument.loop_count = 1;
        instrument.loops[0].mode = SF_LOOP_FORWARD;
        instrument.loops[0].start = static_cast<unsigned>(loopStart);
        instrument.loops[0].end = static_cast<unsigned>(loopEnd);
        sf_command(file, SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
    }
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<double> samples(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i) {
        const double value =
            amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate);
        for (int c = 0; c < channels; ++c) {
            samples[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = value;
        }
    }
    sf_writef_double(file, samples.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    Bytes bytes = ReadBytes(path);
    std::filesystem::remove(path);
    return bytes;
}

Bytes MakeWav(std::size_t size, std::uint8_t seed) {
    if (size < 44) {
        throw std::invalid_argument("a WAV file has at least 44 bytes");
    }
    Bytes wav = {'R', 'I', 'F', 'F'};
    const auto append = [&wav](const Bytes& more) {
        wav.insert(wav.end(), more.begin(), more.end());
    };
    append(Le32(static_cast<std::uint32_t>(size - 8)));
    append({'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    append(Le32(16));
    append({1, 0, 1, 0});  // PCM, mono
    append(Le32(8000));
    append(Le32(8000));
    append({1, 0, 8, 0});  // 1 byte per frame, 8 bits
    append({'d', 'a', 't', 'a'});
    append(Le32(static_cast<std::uint32_t>(size - 44)));
    for (std::size_t i = 0; wav.size() < size; ++i) {
        wav.push_back(static_cast<std::uint8_t>(seed * 31 + i * 7));
    }
    return wav;
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("could not write fixture " + path.string());
    }
}

Bytes ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("could not read " + path.string());
    }
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes WadRecord(const std::string& name, std::uint32_t size, std::uint32_t offset) {
    Bytes record(name.begin(), name.end());
    record.resize(260, 0);
    const Bytes sizeField = Le32(size);
    const Bytes offsetField = Le32(offset);
    record.insert(record.end(), sizeField.begin(), sizeField.end());
    record.insert(record.end(), offsetField.begin(), offsetField.end());
    return record;
}

std::vector<std::string> FileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace echodelve::test
