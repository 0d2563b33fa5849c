#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "sound_stream.h"

// The loop as FLAC and Ogg Vorbis players of game audio read it: the
// comments LOOPSTART and LOOPLENGTH, in frames. libsndfile writes no such
// comments, so the Xiph libraries do.
namespace echodelve::xiph {

// A FLAC file (as libsndfile wrote it) with the loop's comments added to its
// Vorbis comment block, made if it has none. Throws ArchiveError for bytes
// libFLAC cannot read as FLAC.
std::vector<std::uint8_t> AddFlacLoop(std::vector<std::uint8_t> flac, const SoundLoop& loop);

// Encodes `stream` as Ogg Vorbis (quality 0.4, as libsndfile would), with the
// loop's comments where it has one. Throws ArchiveError when the encoder
// refuses the stream's rate or channels.
std::vector<std::uint8_t> EncodeVorbis(SoundStream& stream, const std::optional<SoundLoop>& loop);

}  // namespace echodelve::xiph
