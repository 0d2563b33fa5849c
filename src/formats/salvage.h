#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archive_decoder.h"
#include "byte_source.h"
#include "sound_catalogue.h"

namespace echodelve {

// A catalogue read with salvage, and which of its sounds the archive's own
// structure does not reach.
struct SalvagedCatalogue {
    SoundCatalogue catalogue;
    std::vector<bool> salvaged;  // per sound, from sound 1
    std::int32_t Recovered() const;
};

// Reads a damaged archive past the point where its own structure breaks,
// finding sounds by their RIFF/WAVE headers: "RIFF", a length, "WAVE", the
// whole declared file within what remains.
//
// SFX: the sounds as the length fields lead from the start, for as long as
// each is such a header (the same sounds, under the same names, as the plain
// reading); after a break, the next such header is looked for and the walk
// goes on from there, its sounds salvaged and numbered on. A last sound cut
// short stays, as the plain reading lists it, when no header follows it.
// WAD: the sounds the directory lists (`read`, the plain decode's catalogue,
// or null when that failed), then the sounds lying in the gaps no record
// claims past the directory, named "salvaged-OFFSET.wav".
// Doom WAD: the sound lumps whose bytes lie within the file, from the
// directory entries that do (see SalvageDoomWad).
// At most `maxSounds` in all. Throws ArchiveError when the archive cannot be read.
SalvagedCatalogue Salvage(ArchiveKind kind, const std::shared_ptr<const ByteSource>& source,
                          const SoundCatalogue* read, std::int32_t maxSounds);
// The same for one kind, as its description calls it.
SalvagedCatalogue SalvageSfxArchive(const std::shared_ptr<const ByteSource>& source,
                                    const SoundCatalogue* read, std::int32_t maxSounds);
SalvagedCatalogue SalvageWadArchive(const std::shared_ptr<const ByteSource>& source,
                                    const SoundCatalogue* read, std::int32_t maxSounds);

}  // namespace echodelve
