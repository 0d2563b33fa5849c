#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace echodelve {

// Makes a catalogue name (UTF-8) into one safe path component: "/", "\" and
// the control characters 1-31 and 127 become "_"; a result that is empty, "."
// or ".." becomes "sound<number>.wav". Nothing else changes.
std::string SafeOutputName(std::string_view name, std::int64_t number);

// The file names of one save-all run. A name the run has already written gets
// " (2)", " (3)" ... before its last extension, so equal catalogue names never
// replace each other. Names are compared ignoring ASCII case, so the rule also
// holds on file systems that ignore case.
class SaveAllNames {
  public:
    // The safe, not yet used name for sound `number` called `name`.
    std::string Claim(std::string_view name, std::int64_t number);

  private:
    std::unordered_set<std::string> used_;  // folded to lower case
};

}  // namespace echodelve
