#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace echodelve {

// The longest file name the usual file systems take, in UTF-8 bytes.
inline constexpr std::size_t kMaxOutputNameBytes = 255;

// Makes a catalogue name (UTF-8) into one safe path component: "/", "\", the
// control characters (U+0000-U+001F, U+007F-U+009F) and bytes that are not
// UTF-8 become "_"; a result that is empty, "." or ".." becomes
// "sound<number>.wav"; a name longer than kMaxOutputNameBytes is cut at a
// character before its extension, which stays. Nothing else changes.
std::string SafeOutputName(std::string_view name, std::int64_t number);

// The name with ASCII letters in lower case: how names are compared where a
// file system may ignore case.
std::string FoldCase(std::string_view name);

// The name with its extension (from the last ".", unless that is its first
// character) replaced by `extension` (".flac"), or `extension` appended.
std::string ReplaceExtension(std::string_view name, std::string_view extension);

// The file names of one save-all run. A name the run has already written gets
// " (2)", " (3)" ... before its last extension (the name cut to make room), so
// equal catalogue names never replace each other. Names are compared ignoring
// ASCII case, so the rule also holds on file systems that ignore case.
class SaveAllNames {
  public:
    // The safe, not yet used name for sound `number` called `name`.
    std::string Claim(std::string_view name, std::int64_t number);

  private:
    std::unordered_set<std::string> used_;  // folded to lower case
};

}  // namespace echodelve
