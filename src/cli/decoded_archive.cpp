#include "decoded_archive.h"

#include <system_error>

#include "formats/errors.h"

namespace echodelve::cli {

DecodedArchive::DecodedArchive(UiHooks& hooks, ArchiveKind kind, const std::filesystem::path& path)
    : kind_(kind), sfx_(hooks), wad_(hooks) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        throw ArchiveError("The archive '" + path.string() + "' does not exist.");
    }
    if (kind_ == ArchiveKind::Sfx) {
        sfx_.DecodeSfx(path);
    } else {
        wad_.DecodeWad(path);
    }
}

std::int32_t DecodedArchive::Count() const {
    return kind_ == ArchiveKind::Sfx ? sfx_.GetSfxCount() : wad_.GetWadCount();
}

const SoundEntry& DecodedArchive::Entry(std::int64_t number) const {
    return (kind_ == ArchiveKind::Sfx ? sfx_.Catalogue() : wad_.Catalogue()).Slot(number);
}

bool DecodedArchive::Extract(const std::filesystem::path& output, std::int64_t number) {
    return kind_ == ArchiveKind::Sfx ? sfx_.ExtractSfxSound(output, number)
                                     : wad_.ExtractWadSound(output, number);
}

}  // namespace echodelve::cli
