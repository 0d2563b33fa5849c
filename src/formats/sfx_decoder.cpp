#include "sfx_decoder.h"

#include <array>
#include <system_error>

#include "archive_reader.h"
#include "errors.h"
#include "hex_mod.h"
#include "sound_extractor.h"

namespace echodelve {

std::string SfxSoundName(std::int32_t number) {
    std::string digits = std::to_string(number);
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    return "edsnd" + digits + ".wav";
}

void SfxDecoder::DecodeSfx(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw ArchiveError("The archive '" + path.string() + "' does not exist.");
    }
    // Built apart and taken only when complete: a failed decode changes nothing.
    SoundCatalogue decoded;
    decoded.archivePath = path;
    std::int64_t position = 0;
    std::array<std::uint8_t, 4> field{};
    for (;;) {
        const std::int64_t readAt = position + 4;
        if (readAt < 0 || readAt > HexMod::kArchiveNumberMax) {
            throw ArchiveError("The archive '" + path.string() +
                               "' is damaged: the length of sound " +
                               std::to_string(decoded.count) + " points " +
                               (readAt < 0 ? "before the start of the archive."
                                           : "past the 2 GiB an SFX archive can address."));
        }
        // Opened and closed per entry, so the file is never held across PumpEvents.
        ReadArchiveBytes(path, readAt, field);
        if (field == std::array<std::uint8_t, 4>{}) {
            catalogue_ = std::move(decoded);
            return;
        }
        const std::int64_t size = static_cast<std::int64_t>(HexMod::ReadArchiveNumber(field)) + 8;
        if (decoded.count == kCatalogueSlots) {
            throw ArchiveError("The archive '" + path.string() + "' holds more than " +
                               std::to_string(kCatalogueSlots) +
                               " sounds (or is damaged), and EchoDelve lists at most " +
                               std::to_string(kCatalogueSlots) + ", so it was not opened.");
        }
        ++decoded.count;
        SoundEntry& entry = decoded.Slot(decoded.count);
        entry.offset = static_cast<std::int32_t>(position);
        entry.size = size;
        entry.name = SfxSoundName(decoded.count);
        ui_.PumpEvents();

        position += size;
        if (position < HexMod::kArchiveNumberMin || position > HexMod::kArchiveNumberMax) {
            throw ArchiveError("The archive '" + path.string() +
                               "' is damaged: the length of sound " +
                               std::to_string(decoded.count) +
                               " points past the 2 GiB an SFX archive can address.");
        }
    }
}

bool SfxDecoder::ExtractSfxSound(const std::filesystem::path& output, std::int64_t number) {
    return ExtractCataloguedSound(catalogue_, number, output, ui_);
}

}  // namespace echodelve
