#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "formats/byte_source.h"
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

}  // namespace echodelve::fuzz
