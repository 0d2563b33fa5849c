#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "sound_catalogue.h"
#include "ui_hooks.h"

namespace echodelve {

// Writes sound `number` of `catalogue` to `output` exactly as it stands in the
// archive, bytes past the archive's end as zeros. A sound that does not begin
// with "RIFF" is written only if the user agrees (UiHooks::SaveSoundThatIsNotRiff); returns whether
// the file was written. The copy goes through a bounded buffer whatever the size, and a failed
// write leaves nothing behind and any earlier file untouched. Throws ArchiveError, writing nothing,
// for a negative size or offset, a size larger than the whole archive, an output that is the
// archive itself, and any failure to read or write.
bool ExtractCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                            const std::filesystem::path& output, UiHooks& ui);

}  // namespace echodelve
