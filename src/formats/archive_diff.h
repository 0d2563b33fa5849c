#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "archive_decoder.h"

namespace echodelve {

// A sound's bytes told apart from others': its size and a 128-bit XXH3 hash
// of them.
struct SoundFingerprint {
    std::int64_t size = 0;
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    bool operator==(const SoundFingerprint&) const = default;
    bool operator<(const SoundFingerprint& other) const {
        return std::tie(size, low, high) < std::tie(other.size, other.low, other.high);
    }
};
// Nullopt for a sound whose bytes cannot be read (declared impossibly).
std::optional<SoundFingerprint> FingerprintSound(const SoundCatalogue& catalogue,
                                                 std::int32_t number);

// How archive B differs from archive A, sound by sound. Sounds are the same
// when their bytes are (compared by a 128-bit XXH3 hash of each); names count
// only where both kinds keep names, so an SFX compares with a WAD by content.
struct ArchiveDifference {
    struct Sound {
        std::string name;
        std::int32_t a = 0;  // its number in A, 0 where it is not there
        std::int32_t b = 0;  // in B
    };
    struct Renamed {
        std::string from;  // the name in A
        std::string to;    // in B
        std::int32_t a = 0;
        std::int32_t b = 0;
    };
    std::vector<Sound> added;      // in B only
    std::vector<Sound> removed;    // in A only
    std::vector<Sound> changed;    // the same name (or place, without names), other bytes
    std::vector<Renamed> renamed;  // the same bytes under another name
    std::vector<Sound> moved;      // the same sound at another number
    bool Same() const;
};

// Reads every sound of both archives (the two at once) and pairs them: the
// same bytes under the same name first, then the same name, then the same
// bytes under another name; what is left was removed or added. Where either
// kind names its sounds by their place (SFX), the same bytes pair first and
// the same place second, and nothing is renamed. A sound whose bytes cannot
// be read pairs only by name (or place). Throws ArchiveError when an archive
// cannot be read.
ArchiveDifference CompareArchives(const ArchiveDecoder& a, const ArchiveDecoder& b);

}  // namespace echodelve
