#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sound_catalogue.h"
#include "sound_extractor.h"
#include "ui_hooks.h"

namespace echodelve {

// One sound of a run and the file it is written to.
struct ExtractionJob {
    std::int32_t number;
    std::filesystem::path target;
};

// What became of one sound.
struct SoundOutcome {
    enum class Kind {
        Written,   // complete (padded says whether zeros stand for bytes past the end)
        Declined,  // not RIFF, and the user chose not to write it
        Kept,      // a file was there already and the run keeps existing files
        Refused,   // declared impossibly (SoundRefused): this sound only is spoilt
        Failed,    // could not be read, decoded or written
    };
    Kind kind = Kind::Failed;
    bool padded = false;
    // Why, for Refused and Failed (the failure's sentence); for a padded
    // sound, where it lies past the archive's end.
    std::string problem;
};

struct ExtractionSettings {
    std::optional<ConvertTo> conversion;  // none: the bytes as they stand
    bool keepExisting = false;            // a target already there is Kept
    std::size_t workers = 1;              // sounds written at once
    bool stopAtFailure = false;           // a Failed sound ends the run
};

// The workers a run uses unless told otherwise: one per core.
std::size_t DefaultWorkers();

// The targets in `folder` for `numbers`, named in sound order (SaveAllNames),
// so a run of many workers names its files exactly as a run of one. With a
// conversion the extension follows the target encoding.
std::vector<ExtractionJob> PlanExtraction(const SoundCatalogue& catalogue,
                                          std::span<const std::int32_t> numbers,
                                          const std::filesystem::path& folder,
                                          std::optional<ConvertTo> conversion);

// Writes the jobs, `settings.workers` at a time, and hands each outcome to
// `report` on the calling thread in job order. Every question about a sound
// (UiHooks::SaveSoundThatIsNotRiff) is asked through `ui` on the calling
// thread, in job order too, and the calling thread lets `ui` pump its events
// while it waits for the workers. `report` returning false, or a Failed sound
// under stopAtFailure, starts no further sound; those under way finish.
// Returns how many outcomes were reported.
std::size_t RunExtraction(const SoundCatalogue& catalogue, std::span<const ExtractionJob> jobs,
                          const ExtractionSettings& settings, UiHooks& ui,
                          const std::function<bool(std::size_t, const SoundOutcome&)>& report);

}  // namespace echodelve
