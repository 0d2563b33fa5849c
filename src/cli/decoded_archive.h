#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "cli/cli_options.h"
#include "formats/sfx_decoder.h"
#include "formats/wad_decoder.h"

namespace echodelve::cli {

// One archive decoded by the decoder of its kind, seen through one interface.
class DecodedArchive {
  public:
    // Decodes; throws ArchiveError as the decoders do, and also for a missing
    // file, which on the command line is a mistake rather than an empty WAD.
    DecodedArchive(UiHooks& hooks, ArchiveKind kind, const std::filesystem::path& path);

    std::int32_t Count() const;
    const SoundEntry& Entry(std::int64_t number) const;
    bool Extract(const std::filesystem::path& output, std::int64_t number);

  private:
    ArchiveKind kind_;
    SfxDecoder sfx_;
    wadDecoder wad_;
};

}  // namespace echodelve::cli
