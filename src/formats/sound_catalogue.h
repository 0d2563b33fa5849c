#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "byte_source.h"

namespace echodelve {

inline constexpr std::int32_t kCatalogueSlots = 1000;

struct SoundEntry {
    std::string name;         // display name, UTF-8
    std::int32_t offset = 0;  // 0-based offset of the sound's first byte in the archive
    std::int64_t size = 0;    // bytes; an SFX size is a length field + 8, so it may pass 2^31
    // Where the sound is stored in the archive's file, where `offset` points
    // into the sound as it is presented instead (a Doom WAD's lump, made a
    // WAV file); nullopt where the two are the same.
    std::optional<std::int64_t> stored;

    // The offset to show a person: where the sound's bytes stand in the file.
    std::int64_t StoredOffset() const { return stored.value_or(offset); }
};

// The decoded sounds of one archive. Slots are numbered 1 to 1000 (more when
// a decode without limits extends them) and slots 1..count hold the sounds in
// archive order; higher slots hold nothing.
struct SoundCatalogue {
    // Where the sounds are read from when they are extracted; null before
    // the first decode.
    std::shared_ptr<const ByteSource> source;
    std::int32_t count = 0;
    // The archive's size when it was decoded: what lies past it then is
    // written as zeros, but an archive cut shorter since fails the sounds it
    // no longer holds. Unknown (nullopt) for a missing archive.
    std::optional<std::int64_t> archiveSize;

    // The archive's file, empty for bytes in memory or before a decode.
    std::filesystem::path ArchivePath() const;
    // Throws ArchiveError for a number outside 1..Slots().
    SoundEntry& Slot(std::int64_t number);
    const SoundEntry& Slot(std::int64_t number) const;
    std::int64_t Slots() const { return static_cast<std::int64_t>(slots_.size()); }
    // Makes room for sound `number` (for a decode without limits).
    void ExtendTo(std::int64_t number);

  private:
    void CheckSoundNumber(std::int64_t number) const;

    std::vector<SoundEntry> slots_ = std::vector<SoundEntry>(kCatalogueSlots);
};

}  // namespace echodelve
