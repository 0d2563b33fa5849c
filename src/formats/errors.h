#pragma once

#include <stdexcept>

namespace echodelve {

// Every failure of the archive library: what() is a sentence a user can act on,
// naming the file and what went wrong.
class ArchiveError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// An archive that holds more sounds than the program lists (the SFX
// decoder's 1000): nothing is wrong with what was read, and a decode without
// the limits reads on.
class SoundLimitReached : public ArchiveError {
  public:
    using ArchiveError::ArchiveError;
};

// A sound its archive declares impossibly (a negative size or offset, more
// bytes than the whole archive holds): that one sound cannot be written, but
// nothing stops the archive's other sounds, so a run of many goes on.
class SoundRefused : public ArchiveError {
  public:
    using ArchiveError::ArchiveError;
};

}  // namespace echodelve
