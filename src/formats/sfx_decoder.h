#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "sound_catalogue.h"
#include "ui_hooks.h"

namespace echodelve {

// Reads SFX archives: complete RIFF files laid end to end, with no directory.
// The walk goes from one RIFF length field to the next and names the sounds
// edsnd001.wav, edsnd002.wav ... by position. The catalogue lives until the
// next DecodeSfx.
class SfxDecoder {
  public:
    explicit SfxDecoder(UiHooks& ui) : ui_(ui) {}

    // Replaces the catalogue once the walk ends. Throws ArchiveError when the
    // archive does not exist or is not a file, when a length field sends the
    // walk outside the signed 32-bit range or before the start, or at a
    // 1001st sound; a failed decode leaves the catalogue (path, count and
    // slots) as it was.
    void DecodeSfx(const std::filesystem::path& path);

    std::int32_t GetSfxCount() const { return catalogue_.count; }
    const std::string& GetSfxName(std::int64_t number) const {
        return catalogue_.Slot(number).name;
    }
    std::int64_t GetSfxSize(std::int64_t number) const { return catalogue_.Slot(number).size; }
    // See ExtractCataloguedSound.
    bool ExtractSfxSound(const std::filesystem::path& output, std::int64_t number);

    const SoundCatalogue& Catalogue() const { return catalogue_; }

  private:
    UiHooks& ui_;
    SoundCatalogue catalogue_;
};

// "edsnd" + the number zero-padded to three digits + ".wav".
std::string SfxSoundName(std::int32_t number);

}  // namespace echodelve
