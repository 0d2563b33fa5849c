// DecodeSfx over arbitrary archive bytes: it must end, finished or with an
// ArchiveError, and leave a catalogue whose count matches its slots.
#include <cstdlib>

#include "formats/errors.h"
#include "formats/sfx_decoder.h"
#include "fuzz_scratch.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace echodelve;
    static fuzz::FuzzHooks hooks;
    SfxDecoder decoder(hooks);
    try {
        decoder.Decode(fuzz::InMemory(data, size));
    } catch (const ArchiveError&) {
    }
    if (decoder.GetSfxCount() < 0 || decoder.GetSfxCount() > kCatalogueSlots) {
        std::abort();
    }
    std::int64_t expectedOffset = 0;
    for (std::int32_t i = 1; i <= decoder.GetSfxCount(); ++i) {
        const SoundEntry& entry = decoder.Catalogue().Slot(i);
        if (entry.name != SfxSoundName(i) || entry.offset != expectedOffset) {
            std::abort();
        }
        expectedOffset += entry.size;
    }
    return 0;
}
