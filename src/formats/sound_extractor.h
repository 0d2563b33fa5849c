#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "sound_catalogue.h"
#include "ui_hooks.h"

namespace echodelve {

inline constexpr std::string_view kSaveAnywaysQuestion =
    "File is blank or it is not WAV format, and may be unplayable. Save Anyways?";

// Writes sound `number` of `catalogue` to `output` exactly as it stands in the
// archive, bytes past the archive's end as zeros. A sound that does not begin
// with "RIFF" is written only if the user answers Yes; returns whether the
// file was written. The copy goes through a bounded buffer whatever the size,
// and a failed write leaves nothing behind and any earlier file untouched.
// Throws ArchiveError, writing nothing, for a negative size or offset, a size
// larger than the whole archive, an output that is the archive itself, and
// any failure to read or write.
bool ExtractCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                            const std::filesystem::path& output, UiHooks& ui);

}  // namespace echodelve
