#pragma once

#include <stdexcept>

namespace echodelve {

// Every failure of the archive library: what() is a sentence a user can act on,
// naming the file and what went wrong.
class ArchiveError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace echodelve
