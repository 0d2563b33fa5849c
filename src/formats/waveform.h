#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "sound_stream.h"

namespace echodelve {

// The outline of a sound for a small picture: for each of a number of equal
// stretches of its frames, the lowest and the highest sample of any channel
// (-1 to 1), and where it loops.
struct Waveform {
    std::vector<float> low;
    std::vector<float> high;
    std::int64_t frames = 0;  // as read: a damaged sound may hold fewer than it declares
    std::optional<SoundLoop> loop;
};

// Reads every frame of `stream` once, into `columns` stretches (none for a
// sound without frames). Throws ArchiveError when the archive cannot be read.
Waveform ReadWaveform(SoundStream& stream, std::size_t columns);

}  // namespace echodelve
