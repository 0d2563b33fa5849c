#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive_decoder.h"

namespace echodelve {

// One problem an archive health check found.
struct Finding {
    std::int32_t sound = 0;  // the sound it concerns; 0 for the archive as a whole
    std::string problem;     // "it is not a RIFF/WAVE file", "bytes 10 to 19 ..."
};

// Everything wrong with a decoded archive, reading its bytes without writing
// anything: per sound, a negative size or offset, bytes past the archive's
// end, not RIFF/WAVE, a RIFF length that disagrees with a WAD record's size,
// a fmt chunk missing or impossible, no data chunk or one running past the
// sound's end, an encoding that cannot be decoded, a name that must change
// to be written, a name that occurs twice; for the archive, sounds that
// overlap, sounds inside a WAD directory, bytes that no sound claims, and a
// directory cut at its limit (`cutAtLimit`). In sound order, the archive's
// own findings last. Throws ArchiveError when the archive cannot be read.
std::vector<Finding> CheckArchive(const ArchiveDecoder& archive, bool cutAtLimit);

// Where a sound lies against its archive's end, or a negative size or offset,
// in words ("1,204 of 20,480 bytes lie past the end of the archive");
// empty when the sound lies whole within the archive.
std::string PlaceProblem(const SoundEntry& entry, std::int64_t archiveSize);

// 20480 as "20,480".
std::string Grouped(std::int64_t number);

}  // namespace echodelve
