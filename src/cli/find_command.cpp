#include <fnmatch.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <deque>
#include <filesystem>
#include <future>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>
#include <thread>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "cli/escaping.h"
#include "formats/archive_check.h"
#include "formats/archive_diff.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"
#include "formats/extraction.h"
#include "formats/sound_extractor.h"
#include "formats/sound_stream.h"

namespace echodelve::cli {

const std::string kFindHelp =
    "Usage: echodelve-cli find [FILTERS] [--duplicates] [--json] [-v] PATH...\n"
    "Looks through the folders given (and those inside them; links to folders are\n"
    "not followed) for archives, known by their extension or else their content,\n"
    "and prints one line per sound that passes every filter: the archive, the\n"
    "sound's number, name, size in bytes, encoding, sample rate, channels and\n"
    "duration in seconds (\"-\" where its header does not tell), separated by tabs.\n"
    "Archives are read at once, one per core; each one's sounds stay together, in\n"
    "the order the folders list their files.\n"
    "\n"
    "  --name=GLOB          names matching a shell pattern, ignoring case\n"
    "  --encoding=GLOB      encodings matching ('PCM*', '*ADPCM'), ignoring case\n"
    "  --rate=MIN[-MAX]     sample rates in Hz\n"
    "  --channels=MIN[-MAX] channel counts\n"
    "  --duration=[MIN]-[MAX]  durations in seconds ('-0.5', '2-')\n"
    "  --size=[MIN]-[MAX]   sizes in bytes\n"
    "  --loop               sounds with loop points only\n"
    "  --duplicates         only sounds whose bytes another one found has too,\n"
    "                       grouped (a group number as the last column)\n"
    "  --json               one JSON object per line instead: \"archive\", \"number\",\n"
    "                       \"name\", \"size\", \"encoding\", \"rate\", \"channels\",\n"
    "                       \"duration\" (null where unknown), and \"group\"\n"
    "  -v, --verbose        name each file skipped, and why\n"
    "\n"
    "Exit status: 0 when every archive found could be read whole; 1 when one was\n"
    "damaged or could not be read (files that are no archive are only counted);\n"
    "2 for a mistake in the command line.\n";

namespace {

// Reading many archives at once, from workers: nothing to pump, no one to ask.
class NoQuestions : public UiHooks {
  public:
    void PumpEvents() override {}
    bool SaveSoundThatIsNotRiff(const SoundQuery& /*sound*/) override { return false; }
};

constexpr std::array<Option, 11> kFindOptions = {{
    {"name", 0, true},
    {"encoding", 0, true},
    {"rate", 0, true},
    {"channels", 0, true},
    {"duration", 0, true},
    {"size", 0, true},
    {"loop", 0, false},
    {"duplicates", 0, false},
    {"json", 0, false},
    {"verbose", 'v', false},
    {"help", 'h', false},
}};

// A range of numbers, either end open.
struct Range {
    std::optional<double> low;
    std::optional<double> high;
    bool Holds(std::optional<double> value) const {
        if (!low && !high) {
            return true;
        }
        return value && (!low || *value >= *low) && (!high || *value <= *high);
    }
};

std::optional<double> Number(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

// "N", "MIN-MAX", "MIN-" or "-MAX".
Range ParseRange(const std::string& option, const std::optional<std::string>& given) {
    if (!given) {
        return {};
    }
    const std::size_t dash = given->find('-');
    const std::string low = dash == std::string::npos ? *given : given->substr(0, dash);
    const std::string high = dash == std::string::npos ? *given : given->substr(dash + 1);
    Range range{low.empty() ? std::nullopt : Number(low),
                high.empty() ? std::nullopt : Number(high)};
    if ((!low.empty() && !range.low) || (!high.empty() && !range.high) ||
        (!range.low && !range.high) || (range.low && range.high && *range.low > *range.high)) {
        throw UsageError(option + " takes MIN-MAX (either may be left out), not '" + *given + "'");
    }
    return range;
}

struct Filters {
    std::optional<std::string> name;
    std::optional<std::string> encoding;
    Range rate, channels, duration, size;
    bool loop = false;
};

// One sound found, as printed.
struct Found {
    std::int32_t number;
    std::string name;
    std::int64_t size;
    std::optional<HeaderDetails> details;
    std::optional<SoundFingerprint> hash;  // with --duplicates
};

// What reading one file gave.
struct Searched {
    std::string path;
    bool archive = false;
    std::string problem;  // why it is damaged or could not be read
    std::vector<Found> sounds;
};

bool Passes(const Filters& filters, const ArchiveDecoder& archive, std::int32_t n,
            const Found& sound) {
    const auto matches = [](const std::optional<std::string>& glob, const std::string& text) {
        return !glob || fnmatch(glob->c_str(), text.c_str(), FNM_CASEFOLD) == 0;
    };
    const auto optional = [](int value) {
        return value > 0 ? std::optional<double>(value) : std::nullopt;
    };
    const HeaderDetails* d = sound.details ? &*sound.details : nullptr;
    if (!matches(filters.name, sound.name) ||
        (filters.encoding && (d == nullptr || !matches(filters.encoding, d->encoding))) ||
        !filters.size.Holds(static_cast<double>(sound.size)) ||
        !filters.rate.Holds(d != nullptr ? optional(d->sampleRate) : std::nullopt) ||
        !filters.channels.Holds(d != nullptr ? optional(d->channels) : std::nullopt) ||
        !filters.duration.Holds(d != nullptr ? d->seconds : std::nullopt)) {
        return false;
    }
    // Loop points need the decoder: asked only of what passed the rest.
    if (filters.loop) {
        const DetailsOrProblem full = archive.Details(n);
        return full.details && full.details->loop;
    }
    return true;
}

Searched Search(const std::filesystem::path& path, const Filters& filters, bool duplicates) {
    Searched searched{path.string(), false, {}, {}};
    NoQuestions hooks;
    std::optional<ArchiveKind> kind;
    try {
        kind = KindOfFile(path);
        if (!kind) {
            return searched;  // not an archive
        }
        searched.archive = true;
        const std::unique_ptr<ArchiveDecoder> archive = MakeDecoder(*kind, hooks);
        if (archive->Decode(path).cutAtLimit) {
            searched.problem = "its directory runs past the program's limit, or it is damaged";
        }
        const std::unique_ptr<ByteReader> reader = archive->Catalogue().source->Open();
        const std::int64_t size = reader->Size().value_or(0);
        for (std::int32_t n = 1; n <= archive->Count(); ++n) {
            const SoundEntry& entry = archive->Entry(n);
            if (const std::string problem = PlaceProblem(entry, size);
                !problem.empty() && searched.problem.empty()) {
                searched.problem = "sound " + std::to_string(n) + " '" +
                                   EscapeControls(entry.name) + "': " + problem;
            }
            Found sound{n, entry.name, entry.size, std::nullopt, std::nullopt};
            if (entry.size > 0 && entry.offset >= 0) {
                sound.details =
                    DetailsFromHeader(ReadWaveLayout(*reader, entry.offset, entry.size));
            }
            if (!Passes(filters, *archive, n, sound)) {
                continue;
            }
            if (duplicates) {
                try {
                    sound.hash = FingerprintSound(archive->Catalogue(), n);
                } catch (const ArchiveError&) {
                    // Bytes that cannot be read duplicate nothing.
                }
            }
            searched.sounds.push_back(std::move(sound));
        }
    } catch (const ArchiveError& error) {
        searched.archive = searched.archive || kind.has_value();
        searched.problem = error.what();
    }
    return searched;
}

std::string Column(const std::optional<std::string>& value) {
    return value ? *value : "-";
}

void Print(const std::string& archive, const Found& sound, std::optional<std::size_t> group,
           bool json, std::ostream& out) {
    const HeaderDetails* d = sound.details ? &*sound.details : nullptr;
    const std::optional<std::string> duration =
        d != nullptr && d->seconds ? std::optional(Seconds(*d->seconds)) : std::nullopt;
    if (json) {
        out << R"({"archive": )" << JsonString(archive) << R"(, "number": )" << sound.number
            << R"(, "name": )" << JsonString(sound.name) << R"(, "size": )" << sound.size
            << R"(, "encoding": )" << (d != nullptr ? JsonString(d->encoding) : "null")
            << R"(, "rate": )" << (d != nullptr ? std::to_string(d->sampleRate) : "null")
            << R"(, "channels": )" << (d != nullptr ? std::to_string(d->channels) : "null")
            << R"(, "duration": )" << duration.value_or("null");
        if (group) {
            out << R"(, "group": )" << *group;
        }
        out << "}\n";
        return;
    }
    out << EscapeControls(archive) << '\t' << sound.number << '\t' << EscapeControls(sound.name)
        << '\t' << sound.size << '\t'
        << (d != nullptr ? EscapeControls(d->encoding) + '\t' + std::to_string(d->sampleRate) +
                               '\t' + std::to_string(d->channels)
                         : std::string("-\t-\t-"))
        << '\t' << Column(duration);
    if (group) {
        out << '\t' << *group;
    }
    out << '\n';
}

// Whether two sounds' bytes are the same, byte for byte.
bool SameBytes(const std::string& archiveA, std::int32_t a, const std::string& archiveB,
               std::int32_t b) {
    NoQuestions hooks;
    const auto bytes = [&hooks](const std::string& path, std::int32_t n) {
        const std::optional<ArchiveKind> kind = KindOfFile(path);
        if (!kind) {
            throw ArchiveError("'" + path + "' is no longer an archive.");  // changed meanwhile
        }
        const std::unique_ptr<ArchiveDecoder> archive = MakeDecoder(*kind, hooks);
        archive->Decode(path);
        std::vector<std::uint8_t> all;
        CopyCataloguedSound(archive->Catalogue(), n, [&all](auto piece) {
            all.insert(all.end(), piece.begin(), piece.end());
        });
        return all;
    };
    try {
        return bytes(archiveA, a) == bytes(archiveB, b);
    } catch (const ArchiveError&) {
        return false;
    }
}

}  // namespace

int RunFind(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, kFindOptions);
    if (parsed.positionals.empty()) {
        throw UsageError("no folder or file to look through was given");
    }
    const Filters filters{parsed.Value("--name"),
                          parsed.Value("--encoding"),
                          ParseRange("--rate", parsed.Value("--rate")),
                          ParseRange("--channels", parsed.Value("--channels")),
                          ParseRange("--duration", parsed.Value("--duration")),
                          ParseRange("--size", parsed.Value("--size")),
                          parsed.Has("--loop")};
    const bool json = parsed.Has("--json");
    const bool verbose = parsed.Has("--verbose");
    const bool duplicates = parsed.Has("--duplicates");
    const std::size_t workers = DefaultWorkers();

    std::size_t archives = 0;
    std::size_t skipped = 0;
    std::size_t damaged = 0;
    // With --duplicates every sound waits for the end; else each archive's
    // are printed as soon as those before it are.
    std::vector<std::pair<std::string, Found>> kept;
    const auto report = [&](Searched searched) {
        if (!searched.archive) {
            ++skipped;
            if (verbose) {
                Say(console, "find",
                    "'" + EscapeControls(searched.path) + "' was skipped: it is no archive");
            }
            return;
        }
        ++archives;
        if (!searched.problem.empty()) {
            ++damaged;
            Say(console, "find", "'" + EscapeControls(searched.path) + "': " + searched.problem);
        }
        for (Found& sound : searched.sounds) {
            if (duplicates) {
                if (sound.hash) {
                    kept.emplace_back(searched.path, std::move(sound));
                }
            } else {
                Print(searched.path, sound, std::nullopt, json, console.out);
            }
        }
        if (console.errIsTerminal) {
            console.err << "\rLooked through " << archives << " archives" << std::flush;
        }
    };

    std::deque<std::future<Searched>> running;  // in the order found: at most two per worker
    const auto search = [&](const std::filesystem::path& file) {
        running.push_back(
            std::async(std::launch::async, Search, file, std::cref(filters), duplicates));
        if (running.size() >= 2 * workers) {
            report(running.front().get());
            running.pop_front();
        }
    };
    for (const std::string& given : parsed.positionals) {
        std::error_code ec;
        const auto status = std::filesystem::status(given, ec);
        if (ec || !std::filesystem::exists(status)) {
            ++damaged;
            Say(console, "find", "'" + EscapeControls(given) + "' does not exist");
            continue;
        }
        if (!std::filesystem::is_directory(status)) {
            search(given);
            continue;
        }
        for (std::filesystem::recursive_directory_iterator
                 it(given, std::filesystem::directory_options::skip_permission_denied, ec),
             end;
             !ec && it != end; it.increment(ec)) {
            if (it->is_regular_file(ec)) {
                search(it->path());
            }
        }
        if (ec) {
            ++damaged;
            Say(console, "find",
                "could not look through '" + EscapeControls(given) + "': " + ec.message());
        }
    }
    while (!running.empty()) {
        report(running.front().get());
        running.pop_front();
    }
    if (duplicates) {
        // Sounds with the same hash, confirmed byte for byte against the first.
        std::map<SoundFingerprint, std::vector<std::size_t>> byHash;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            byHash[*kept[i].second.hash].push_back(i);
        }
        std::size_t group = 0;
        for (std::size_t i = 0; i < kept.size(); ++i) {
            const auto& same = byHash[*kept[i].second.hash];
            if (same.size() < 2 || same.front() != i) {
                continue;
            }
            std::vector<std::size_t> members = {i};
            for (std::size_t k = 1; k < same.size(); ++k) {
                const auto& [path, sound] = kept[same[k]];
                if (SameBytes(kept[i].first, kept[i].second.number, path, sound.number)) {
                    members.push_back(same[k]);
                }
            }
            if (members.size() < 2) {
                continue;
            }
            ++group;
            for (const std::size_t m : members) {
                Print(kept[m].first, kept[m].second, group, json, console.out);
            }
        }
    }
    if (console.errIsTerminal) {
        console.err << '\r';
    }
    if (verbose || skipped > 0) {
        Say(console, "find",
            "Looked through " + std::to_string(archives) +
                (archives == 1 ? " archive" : " archives") +
                (skipped > 0 ? "; skipped " + std::to_string(skipped) +
                                   (skipped == 1 ? " file that is no archive"
                                                 : " files that are no archive")
                             : std::string()));
    }
    return damaged == 0 ? kExitOk : kExitFailure;
}

}  // namespace echodelve::cli
