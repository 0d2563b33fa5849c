#include "sfx_decoder.h"

#include <array>

#include "errors.h"
#include "hex_mod.h"

namespace echodelve {

std::string SfxSoundName(std::int32_t number) {
    std::string digits = std::to_string(number);
    if (digits.size() < 3) {
        digits.insert(0, 3 - digits.size(), '0');
    }
    return "edsnd" + digits + ".wav";
}

DecodeOutcome SfxDecoder::Decode(std::shared_ptr<const ByteSource> source) {
    const std::string archive = source->Describe();
    const std::optional<std::int64_t> archiveSize = source->Open()->Size();
    if (!archiveSize) {
        throw ArchiveError("The archive '" + archive + "' does not exist.");
    }
    // Built apart and taken only when complete: a failed decode changes nothing.
    SoundCatalogue decoded;
    decoded.source = source;
    decoded.archiveSize = archiveSize;
    std::int64_t position = 0;
    std::array<std::uint8_t, sfx::kFieldBytes> field{};
    for (;;) {
        const std::int64_t readAt = position + sfx::kLengthField;
        if (readAt < 0 || readAt > HexMod::kArchiveNumberMax) {
            throw ArchiveError("The archive '" + archive + "' is damaged: the length of sound " +
                               std::to_string(decoded.count) + " points " +
                               (readAt < 0 ? "before the start of the archive."
                                           : "past the 2 GiB an SFX archive can address."));
        }
        // Opened and closed per entry, so the file is never held across PumpEvents.
        source->ReadAt(readAt, field);
        if (field == std::array<std::uint8_t, sfx::kFieldBytes>{}) {
            Replace(std::move(decoded));
            return {};
        }
        const std::int64_t size =
            static_cast<std::int64_t>(HexMod::ReadArchiveNumber(field)) + sfx::kChunkHeaderBytes;
        // With the limit a walk that stays or turns back ends at the 1001st
        // sound; without it, it would go round for ever.
        if (!Limited() && size <= 0) {
            throw ArchiveError(
                "The archive '" + archive + "' is damaged: the length of sound " +
                std::to_string(decoded.count + 1) +
                (size == 0 ? " keeps the walk where it is" : " points back to an earlier sound") +
                ", so its sounds have no end.");
        }
        if (Limited() && decoded.count == sfx::kMaxSounds) {
            throw SoundLimitReached("The archive '" + archive + "' holds more than " +
                                    std::to_string(sfx::kMaxSounds) +
                                    " sounds (or is damaged), and EchoDelve lists at most " +
                                    std::to_string(sfx::kMaxSounds) + ", so it was not opened.");
        }
        ++decoded.count;
        decoded.ExtendTo(decoded.count);
        SoundEntry& entry = decoded.Slot(decoded.count);
        entry.offset = static_cast<std::int32_t>(position);
        entry.size = size;
        entry.name = SfxSoundName(decoded.count);
        Ui().PumpEvents();

        position += size;
        if (position < HexMod::kArchiveNumberMin || position > HexMod::kArchiveNumberMax) {
            throw ArchiveError("The archive '" + archive + "' is damaged: the length of sound " +
                               std::to_string(decoded.count) +
                               " points past the 2 GiB an SFX archive can address.");
        }
    }
}

}  // namespace echodelve
