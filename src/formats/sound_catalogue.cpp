#include "sound_catalogue.h"

#include "errors.h"

namespace echodelve {

namespace {

void CheckSoundNumber(std::int64_t number) {
    if (number < 1 || number > kCatalogueSlots) {
        throw ArchiveError("There is no sound number " + std::to_string(number) +
                           ": sounds are numbered 1 to " + std::to_string(kCatalogueSlots) + ".");
    }
}

}  // namespace

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
