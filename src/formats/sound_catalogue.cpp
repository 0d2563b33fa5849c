#include "sound_catalogue.h"

#include <algorithm>

#include "errors.h"

namespace echodelve {

void SoundCatalogue::CheckSoundNumber(std::int64_t number) const {
    if (number < 1 || number > Slots()) {
        throw ArchiveError("There is no sound number " + std::to_string(number) +
                           ": sounds are numbered 1 to " + std::to_string(Slots()) + ".");
    }
}

void SoundCatalogue::ExtendTo(std::int64_t number) {
    if (number > Slots()) {
        slots_.resize(static_cast<std::size_t>(std::max(number, Slots() * 2)));
    }
}

SoundEntry& SoundCatalogue::Slot(std::int64_t number) {
    CheckSoundNumber(number);
    return slots_[static_cast<std::size_t>(number - 1)];
}

const SoundEntry& SoundCatalogue::Slot(std::int64_t number) const {
    CheckSoundNumber(number);
    return slots_[static_cast<std::size_t>(number - 1)];
}

std::filesystem::path SoundCatalogue::ArchivePath() const {
    return source ? source->Path() : std::filesystem::path();
}

}  // namespace echodelve
