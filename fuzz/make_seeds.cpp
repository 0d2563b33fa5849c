// Writes seed corpora for the fuzzers with the archive writers:
//   make_seeds FOLDER  ->  FOLDER/decode_sfx, FOLDER/decode_wad, FOLDER/extract
// The extract fuzzer's inputs start with a byte that picks the kind (odd: SFX).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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
    for (const char* name : {"decode_sfx", "decode_wad", "extract"}) {
        fs::create_directories(root / name);
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
    fs::remove(scratch);
    return 0;
}
