// Writes seed corpora for the fuzzers with the archive writers:
//   make_seeds FOLDER  ->  FOLDER/decode_sfx, FOLDER/decode_wad, FOLDER/decode_doom,
//   FOLDER/extract ...
// The extract fuzzer's inputs start with a byte that picks the kind (by 3:
// 0 WAD, 1 SFX, 2 Doom WAD).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sndfile.h>

#include "formats/archive_writers.h"
#include "formats/little_endian.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using echodelve::PackMember;

Bytes Wav(std::size_t size, unsigned seed) {
    Bytes wav = {'R', 'I', 'F', 'F'};
    const auto length = static_cast<std::uint32_t>(size - 8);
    echodelve::AppendLittleEndian(wav, length, 4);
    const std::string rest = "WAVEfmt ";
    wav.insert(wav.end(), rest.begin(), rest.end());
    while (wav.size() < size) {
        wav.push_back(static_cast<std::uint8_t>(seed + wav.size() * 3));
    }
    return wav;
}

// A Doom WAD of (name, bytes) lumps, the directory last; `count` and
// `directory` as given, where they are.
Bytes DoomWad(const std::vector<std::pair<std::string, Bytes>>& lumps, std::int64_t count = -1,
              std::int64_t directory = -1) {
    Bytes data;
    Bytes entries;
    for (const auto& [name, bytes] : lumps) {
        echodelve::AppendLittleEndian(entries, 12 + data.size(), 4);
        echodelve::AppendLittleEndian(entries, bytes.size(), 4);
        std::string field = name;
        field.resize(8, '\0');
        entries.insert(entries.end(), field.begin(), field.end());
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    Bytes wad = {'P', 'W', 'A', 'D'};
    echodelve::AppendLittleEndian(
        wad, count < 0 ? lumps.size() : static_cast<std::uint64_t>(count) & 0xFFFFFFFFU, 4);
    echodelve::AppendLittleEndian(
        wad, directory < 0 ? 12 + data.size() : static_cast<std::uint64_t>(directory), 4);
    wad.insert(wad.end(), data.begin(), data.end());
    wad.insert(wad.end(), entries.begin(), entries.end());
    return wad;
}

// A DMX sound lump of `samples` samples at `rate`.
Bytes Dmx(std::uint16_t rate, std::size_t samples) {
    Bytes lump;
    echodelve::AppendLittleEndian(lump, 3, 2);
    echodelve::AppendLittleEndian(lump, rate, 2);
    echodelve::AppendLittleEndian(lump, samples, 4);
    for (std::size_t i = 0; i < samples; ++i) {
        lump.push_back(static_cast<std::uint8_t>(128 + (i % 16) * 4));
    }
    return lump;
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Save(const fs::path& path, std::uint8_t prefix, const Bytes& bytes, bool withPrefix) {
    std::ofstream out(path, std::ios::binary);
    if (withPrefix) {
        out.put(static_cast<char>(prefix));
    }
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const fs::path root = argv[1];
    for (const char* name :
         {"decode_sfx", "decode_wad", "decode_doom", "extract", "sound_read", "edit"}) {
        fs::create_directories(root / name);
    }
    // Edits: a kind byte, a sound count, sizes, then (code, picks, file[, name or place]).
    const std::vector<Bytes> edits = {
        {0, 4, 10, 20, 30, 40, 4, 0x01, 0, 2},                         // a WAD, sound 1 to place 2
        {1, 5, 1, 2, 3, 4, 5, 0, 0x02, 1, 1, 0x04, 0, 2, 0x08, 0},     // SFX: add, replace, remove
        {0, 3, 9, 9, 9, 3, 0x01, 0, 2, 3, 0x02, 0, 6, 0, 0x04, 2},     // rename, repeat, add
        {0, 8, 1, 2, 3, 4, 5, 6, 7, 8, 4, 0xF0, 0, 1, 2, 0x0F, 0, 0},  // remove four, move
    };
    for (std::size_t i = 0; i < edits.size(); ++i) {
        std::ofstream(root / "edit" / ("seed" + std::to_string(i)), std::ios::binary)
            .write(reinterpret_cast<const char*>(edits[i].data()),
                   static_cast<std::streamsize>(edits[i].size()));
    }
    const fs::path scratch = root / "scratch.bin";
    const std::vector<std::vector<PackMember>> sets = {
        {PackMember::FromBytes("door.wav", Wav(60, 1))},
        {PackMember::FromBytes("door.wav", Wav(60, 1)),
         PackMember::FromBytes("door.wav", Wav(90, 2)),
         PackMember::FromBytes("..\\up.wav", Wav(50, 3))},
        {PackMember::FromBytes("a.wav", Wav(44, 4)), PackMember::FromBytes("b.wav", Wav(300, 5)),
         PackMember::FromBytes("caf\xC3\xA9 bell.WAV", Wav(120, 6)),
         PackMember::FromBytes(".", Wav(48, 7))},
    };
    int n = 0;
    for (const auto& members : sets) {
        ++n;
        echodelve::WriteSfxArchive(scratch, members);
        const Bytes sfx = ReadAll(scratch);
        echodelve::WriteWadArchive(scratch, members);
        const Bytes wad = ReadAll(scratch);
        const std::string id = std::to_string(n);
        Save(root / "decode_sfx" / ("seed" + id), 0, sfx, false);
        Save(root / "decode_wad" / ("seed" + id), 0, wad, false);
        Save(root / "extract" / ("sfx" + id), 1, sfx, true);
        Save(root / "extract" / ("wad" + id), 0, wad, true);
    }
    // Doom WADs: sound lumps among others, and each kind of damage.
    const std::vector<std::pair<std::string, Bytes>> lumps = {{"MAP01", {}},
                                                              {"THINGS", Bytes(13, 7)},
                                                              {"DSPISTOL", Dmx(11025, 80)},
                                                              {"BANG", Dmx(8000, 40)},
                                                              {"DSWAV", Wav(100, 9)},
                                                              {"DSJUNK", Bytes(30, 1)},
                                                              {"DSSHORT", Dmx(11025, 48)},
                                                              {"F_END", {}}};
    Bytes pastEnd = DoomWad(lumps);
    pastEnd[pastEnd.size() - 16 * 6 + 4] = 0xFF;  // DSPISTOL's size
    const std::vector<std::pair<const char*, Bytes>> dooms = {
        {"sounds", DoomWad(lumps)},
        {"none", DoomWad({{"MAP01", {}}, {"THINGS", Bytes(10, 1)}})},
        {"directory-past-end", DoomWad(lumps, -1, 100000)},
        {"negative-count", DoomWad(lumps, 0xFFFFFFFF)},
        {"lump-past-end", pastEnd},
        {"not-dmx", DoomWad({{"DSBAD", Bytes(64, 3)}})},
    };
    for (const auto& [name, wad] : dooms) {
        Save(root / "decode_doom" / name, 0, wad, false);
        Save(root / "extract" / (std::string("doom-") + name), 2, wad, true);
    }

    // A short tone in each encoding libsndfile writes into WAV files.
    for (const int format : {SF_FORMAT_PCM_U8, SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_PCM_32,
                             SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE, SF_FORMAT_ULAW, SF_FORMAT_ALAW,
                             SF_FORMAT_IMA_ADPCM, SF_FORMAT_MS_ADPCM, SF_FORMAT_GSM610}) {
        const int channels = format == SF_FORMAT_GSM610 ? 1 : 2;
        SF_INFO info{};
        info.samplerate = 8000;
        info.channels = channels;
        info.format = SF_FORMAT_WAV | format;
        SNDFILE* file = sf_open(scratch.c_str(), SFM_WRITE, &info);
        if (file == nullptr) {
            continue;
        }
        std::vector<float> tone(std::size_t{200} * static_cast<std::size_t>(channels));
        for (std::size_t i = 0; i < tone.size(); ++i) {
            tone[i] = static_cast<float>((i % 40) < 20 ? 0.4 : -0.4);
        }
        sf_writef_float(file, tone.data(), 200);
        sf_close(file);
        Save(root / "sound_read" / ("format" + std::to_string(format)), 0, ReadAll(scratch), false);
    }
    fs::remove(scratch);
    return 0;
}
