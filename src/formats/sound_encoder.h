#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sound_stream.h"

namespace echodelve {

// Fills `out` with whole interleaved float frames and returns how many; 0 at
// the end of the sound.
using FrameSource = std::function<std::size_t(std::span<float> out)>;

// Encodes every frame `frames` hands on with libsndfile into a file in
// memory, in `format` (SF_FORMAT_* container and encoding) at `rate` with
// `channels`. A WAV file keeps `loop` as a "smpl" chunk. Samples past full
// scale are clipped, not wrapped. Throws ArchiveError naming `target` when
// libsndfile cannot write that format or fails.
std::vector<std::uint8_t> EncodeFrames(int format, int rate, int channels,
                                       const std::optional<SoundLoop>& loop,
                                       const FrameSource& frames, const std::string& target);

}  // namespace echodelve
