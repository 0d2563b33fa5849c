#include "archive_check.h"

#include <algorithm>
#include <map>

#include "archive_kinds.h"
#include "output_names.h"
#include "riff.h"
#include "sound_stream.h"

namespace echodelve {

namespace {

// What a sound's fmt and data chunks get wrong, if anything.
void CheckWave(const WaveLayout& wave, std::int64_t size, std::vector<std::string>& problems) {
    if (!wave.format) {
        problems.emplace_back("it has no fmt chunk");
    } else {
        if (wave.channels == 0) {
            problems.emplace_back("its fmt chunk declares no channels");
        }
        if (wave.sampleRate == 0) {
            problems.emplace_back("its fmt chunk declares a sample rate of 0 Hz");
        }
        constexpr std::uint32_t kPcm = 1;
        constexpr std::uint32_t kFloat = 3;
        const std::uint32_t frameBytes = wave.channels * ((wave.bitsPerSample + 7) / 8);
        if ((wave.formatTag == kPcm || wave.formatTag == kFloat) && frameBytes != 0 &&
            wave.blockAlign != frameBytes) {
            problems.push_back("its fmt chunk's block align is " + std::to_string(wave.blockAlign) +
                               ", not the " + std::to_string(frameBytes) + " bytes that " +
                               std::to_string(wave.channels) + " channels of " +
                               std::to_string(wave.bitsPerSample) + " bits take");
        }
    }
    if (!wave.data) {
        problems.emplace_back("it has no data chunk");
    } else if (const std::int64_t missing = wave.data->offset + wave.data->length - size;
               missing > 0) {
        problems.push_back("its data chunk runs past the end of the sound (" + Grouped(missing) +
                           " of its " + Grouped(wave.data->length) + " bytes are missing)");
    }
}

struct Extent {
    std::int64_t begin;
    std::int64_t end;
    std::int32_t sound;
};

std::string ByteRange(std::int64_t begin, std::int64_t end) {
    return "bytes " + Grouped(begin) + " to " + Grouped(end - 1) + " (" + Grouped(end - begin) +
           (end - begin == 1 ? " byte)" : " bytes)");
}

}  // namespace

std::vector<Finding> CheckArchive(const ArchiveDecoder& archive, bool cutAtLimit) {
    const SoundCatalogue& catalogue = archive.Catalogue();
    const std::unique_ptr<ByteReader> reader = catalogue.source->Open();
    const std::int64_t archiveSize = reader->Size().value_or(0);
    const ArchiveKindInfo& kind = Describe(archive.Kind());
    std::vector<Finding> findings;
    std::vector<Extent> extents;
    // Sounds by the safe name they are written under, ignoring case as
    // extraction does, and the names extraction gives them.
    std::map<std::string, std::int32_t> firstWithName;
    SaveAllNames written;
    for (std::int32_t n = 1; n <= archive.Count(); ++n) {
        const SoundEntry& entry = archive.Entry(n);
        std::vector<std::string> problems;
        const std::string safe = SafeOutputName(entry.name, n);
        if (safe != entry.name) {
            problems.push_back("its name cannot stand as a file name; it is written as '" + safe +
                               "'");
        }
        const std::string name = written.Claim(entry.name, n);
        if (const auto [first, isNew] = firstWithName.emplace(FoldCase(safe), n); !isNew) {
            const bool sameCase =
                SafeOutputName(archive.Entry(first->second).name, first->second) == safe;
            problems.push_back("sound " + std::to_string(first->second) + " has the same name" +
                               (sameCase ? "" : " but for letter case") +
                               "; this one is written as '" + name + "'");
        }
        if (std::string place = PlaceProblem(entry, archiveSize); !place.empty()) {
            problems.push_back(std::move(place));
        }
        if (entry.size >= 0 && entry.offset >= 0) {
            const std::int64_t end = entry.offset + entry.size;
            if (entry.size > 0 && entry.offset < archiveSize) {
                extents.push_back({entry.offset, std::min(end, archiveSize), n});
            }
            const WaveLayout wave = ReadWaveLayout(*reader, entry.offset, entry.size);
            if (!wave.riffWave) {
                problems.emplace_back("it is not a RIFF/WAVE file");
            } else {
                const std::int64_t declared = wave.riffLength + riff::kChunkHeaderBytes;
                if (kind.hasDirectory && declared != entry.size) {
                    problems.push_back("its RIFF header declares " + Grouped(declared) +
                                       " bytes, its record " + Grouped(entry.size));
                }
                const std::size_t before = problems.size();
                CheckWave(wave, entry.size, problems);
                if (problems.size() == before) {
                    if (const DetailsOrProblem details = archive.Details(n); !details.details) {
                        problems.push_back("it cannot be decoded: " + details.problem);
                    }
                }
            }
        }
        for (std::string& problem : problems) {
            findings.push_back({n, std::move(problem)});
        }
    }

    // The archive as a whole: what its sounds and directory leave unclaimed
    // or claim twice.
    const std::int64_t directoryEnd = kind.directoryEnd(archive, cutAtLimit, archiveSize);
    std::sort(extents.begin(), extents.end(),
              [](const Extent& a, const Extent& b) { return a.begin < b.begin; });
    std::int64_t claimed = directoryEnd;
    const Extent* furthest = nullptr;
    for (const Extent& extent : extents) {
        if (extent.begin < directoryEnd) {
            findings.push_back({extent.sound, "it begins inside the archive's directory"});
        } else if (furthest != nullptr && extent.begin < furthest->end) {
            findings.push_back(
                {extent.sound, "it overlaps sound " + std::to_string(furthest->sound) + " by " +
                                   Grouped(std::min(extent.end, furthest->end) - extent.begin) +
                                   " bytes"});
        } else if (extent.begin > claimed) {
            findings.push_back({0, ByteRange(claimed, extent.begin) + " belong to no sound"});
        }
        if (furthest == nullptr || extent.end > furthest->end) {
            furthest = &extent;
        }
        claimed = std::max(claimed, extent.end);
    }
    if (claimed < archiveSize) {
        findings.push_back({0, ByteRange(claimed, archiveSize) + " at the end belong to no sound"});
    }
    for (auto& [sound, problem] : kind.storageProblems(archive)) {
        findings.push_back({sound, std::move(problem)});
    }
    if (cutAtLimit) {
        findings.push_back(
            {0, archive.Limited()
                    ? "it runs past the program's limit (" + kind.limit +
                          "); sounds after that are not listed"
                    : std::string("its directory does not end before the archive does")});
    }
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return (a.sound == 0 ? INT32_MAX : a.sound) < (b.sound == 0 ? INT32_MAX : b.sound);
    });
    return findings;
}

std::string PlaceProblem(const SoundEntry& entry, std::int64_t archiveSize) {
    if (entry.size < 0) {
        return "declares a negative size (" + std::to_string(entry.size) + " bytes)";
    }
    if (entry.offset < 0) {
        return "declares a negative offset (" + std::to_string(entry.offset) + ")";
    }
    const std::int64_t past =
        entry.offset + entry.size - std::max<std::int64_t>(archiveSize, entry.offset);
    if (entry.size == 0 || past <= 0) {
        return {};
    }
    return (past >= entry.size ? "all " + Grouped(entry.size)
                               : Grouped(past) + " of " + Grouped(entry.size)) +
           " bytes lie past the end of the archive";
}

std::string Grouped(std::int64_t number) {
    std::string digits = std::to_string(number < 0 ? -number : number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return (number < 0 ? "-" : "") + digits;
}

}  // namespace echodelve
