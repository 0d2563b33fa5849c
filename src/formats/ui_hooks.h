#pragma once

#include <cstdint>
#include <filesystem>

namespace echodelve {

struct SoundEntry;

// The sound a question is about.
struct SoundQuery {
    std::int64_t number;                   // 1-based
    const SoundEntry& entry;               // its name, offset and size
    const std::filesystem::path& archive;  // empty for bytes in memory
};

// The only way the archive library reaches the user. The library asks typed
// questions; each front end puts them in its own words (the desktop program
// in message boxes, the command-line tool on the terminal).
class UiHooks {
  public:
    virtual ~UiHooks() = default;

    // Lets pending user-interface events run once (long loops call it per step).
    virtual void PumpEvents() = 0;
    // The sound does not begin with "RIFF" and may not play: write it anyway?
    // Waits for the answer; true means write it.
    virtual bool SaveSoundThatIsNotRiff(const SoundQuery& sound) = 0;
};

}  // namespace echodelve
