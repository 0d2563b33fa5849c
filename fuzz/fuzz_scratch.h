#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

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

inline std::filesystem::path WriteArchive(const std::uint8_t* data, std::size_t size,
                                          const char* name) {
    const auto path = ScratchRoot() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::abort();
    }
    return path;
}

// Answers the "Save Anyways?" question by turns, so both answers are explored.
class FuzzHooks : public UiHooks {
  public:
    void PumpEvents() override {}
    void ShowWarning(std::string_view, std::string_view) override {}
    bool AskYesNo(std::string_view, std::string_view) override { return (++asked_ % 2) == 0; }

  private:
    unsigned asked_ = 0;
};

}  // namespace echodelve::fuzz
