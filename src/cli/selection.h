#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/archive_decoder.h"

namespace echodelve::cli {

// The sounds a command line picks, in archive order, each once.
struct Selection {
    std::vector<std::int32_t> numbers;
    // What was asked for and is not there ("sound 12: there is no such
    // sound; the archive holds 10."), one line each.
    std::vector<std::string> missing;
};

// Each item is a sound number ("7"), a range of them ("5-9"), or a pattern
// matched against the names like a shell glob, ignoring case ("door*",
// "*.wav"); no items pick every sound. Throws UsageError for a range that
// runs backwards or a number below 1.
Selection SelectSounds(std::span<const std::string> items, const ArchiveDecoder& archive);
// The same mistakes, found before the archive is read.
void CheckSelection(std::span<const std::string> items);

}  // namespace echodelve::cli
