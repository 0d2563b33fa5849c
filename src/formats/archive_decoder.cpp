#include "archive_decoder.h"

#include "sfx_decoder.h"
#include "sound_extractor.h"
#include "wad_decoder.h"

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
        return {std::nullopt, "no archive has been opened"};
    }
    return ReadSoundDetails(catalogue_.source, entry.offset, entry.size);
}

std::unique_ptr<ArchiveDecoder> MakeDecoder(ArchiveKind kind, UiHooks& ui) {
    if (kind == ArchiveKind::Sfx) {
        return std::make_unique<SfxDecoder>(ui);
    }
    return std::make_unique<wadDecoder>(ui);
}

const char* KindName(ArchiveKind kind) {
    return kind == ArchiveKind::Sfx ? "sfx" : "wad";
}

}  // namespace echodelve
