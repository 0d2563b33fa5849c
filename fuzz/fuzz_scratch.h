#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "formats/archive_decoder.h"
#include "formats/byte_source.h"
#include "formats/errors.h"
#include "formats/ui_hooks.h"

namespace echodelve::fuzz {

// A folder of this process's own for the archive under test.
inline const std::filesystem::path& ScratchRoot() {
    static const std::filesystem::path root = [] {
        auto path =
            std::filesystem::temp_directory_path() / ("echodelve-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return root;
}

// The fuzzer's bytes as an archive in memory.
inline std::shared_ptr<const ByteSource> InMemory(const std::uint8_t* data, std::size_t size) {
    return std::make_shared<MemorySource>(std::vector<std::uint8_t>(data, data + size));
}

// Answers the question about sounds that are not RIFF by turns, so both
// answers are explored.
class FuzzHooks : public UiHooks {
  public:
    void PumpEvents() override {}
    bool SaveSoundThatIsNotRiff(const SoundQuery& /*sound*/) override {
        return (++asked_ % 2) == 0;
    }

  private:
    unsigned asked_ = 0;
};

// The input as an archive: its first byte (not empty) picks the kind (its
// remainder by 3: 0 WAD, 1 SFX, 2 Doom WAD), the rest is the archive,
// decoded; `decoded` is false when the decode threw.
struct FuzzArchive {
    ArchiveKind kind;
    std::shared_ptr<const ByteSource> source;
    std::unique_ptr<ArchiveDecoder> decoder;
    bool decoded = false;
};
inline FuzzArchive DecodeInput(const std::uint8_t* data, std::size_t size, UiHooks& hooks) {
    constexpr ArchiveKind kKinds[] = {ArchiveKind::Wad, ArchiveKind::Sfx, ArchiveKind::Doom};
    FuzzArchive archive{kKinds[data[0] % 3], InMemory(data + 1, size - 1), nullptr, false};
    archive.decoder = MakeDecoder(archive.kind, hooks);
    try {
        archive.decoder->Decode(archive.source);
        archive.decoded = true;
    } catch (const ArchiveError&) {
    }
    return archive;
}

// Ends the run, naming the line (__LINE__) of the requirement not met.
inline void Require(bool condition, int line) {
    if (!condition) {
        std::fprintf(stderr, "fuzzer: the requirement on line %d is not met\n", line);
        std::abort();
    }
}

}  // namespace echodelve::fuzz
