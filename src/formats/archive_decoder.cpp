#include "archive_decoder.h"

#include "sound_extractor.h"

namespace echodelve {

DecodeOutcome ArchiveDecoder::Decode(const std::filesystem::path& archive) {
    return Decode(std::make_shared<FileSource>(archive));
}

bool ArchiveDecoder::Extract(const std::filesystem::path& output, std::int64_t number) {
    return ExtractCataloguedSound(catalogue_, number, output, ui_);
}

DetailsOrProblem ArchiveDecoder::Details(std::int64_t number) const {
    const SoundEntry& entry = catalogue_.Slot(number);
    if (!catalogue_.source) {
        return {std::nullopt, "no archive has been opened", {}};
    }
    return ReadSoundDetails(catalogue_.source, entry.offset, entry.size);
}

}  // namespace echodelve
