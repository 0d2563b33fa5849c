#include <array>
#include <ios>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "cli/escaping.h"
#include "cli/selection.h"
#include "formats/archive_check.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"

namespace echodelve::cli {

const std::string kListHelp =
    "Usage: echodelve-cli list [--kind=" + KindNames("|") +
    "] [--details] [--json] [--no-limits] [--salvage] ARCHIVE\n"
    "Prints one line per sound: number, name, size in bytes and offset in the\n"
    "archive, separated by tabs. Control characters in a name are written as \\xNN.\n"
    "\n" +
    KindHelp(18, "the archive's kind") +
    "  --details       add what each sound is: encoding, sample rate, channels,\n"
    "                  bits per sample, duration in seconds, and its loop as\n"
    "                  START-END in frames and in seconds, END not included\n"
    "                  (\"-\" where unknown or where it has none)\n" +
    NoLimitsHelp(18, "list") + kSalvageHelp +
    "  --json          print the listing as a JSON object instead, details\n"
    "                  included (null where unknown, with the reason as \"problem\")\n";

namespace {

template <typename T>
std::string Or(const std::optional<T>& value, const std::string& otherwise) {
    if (!value) {
        return otherwise;
    }
    std::ostringstream text;
    text << *value;
    return text.str();
}

// Where frame `frame` of the sound falls, in seconds as the details write them.
std::string AtSeconds(const SoundDetails& d, std::int64_t frame) {
    return Seconds(static_cast<double>(frame) / d.sampleRate);
}

// A loop's frames and seconds as two columns: "1024-8192\t0.046-0.372".
std::string LoopColumns(const SoundDetails& d) {
    if (!d.loop) {
        return "-\t-";
    }
    const auto at = [&d](std::int64_t frame) { return AtSeconds(d, frame); };
    return std::to_string(d.loop->start) + '-' + std::to_string(d.loop->end) + '\t' +
           at(d.loop->start) + '-' + at(d.loop->end);
}

// The details as tab-separated columns, "-" where unknown.
std::string DetailColumns(const DetailsOrProblem& sound) {
    if (!sound.details) {
        // The encoding as its fmt chunk names it, where that could be read.
        return (sound.format.empty() ? std::string("-") : EscapeControls(sound.format)) +
               "\t-\t-\t-\t-\t-\t-";
    }
    const SoundDetails& d = *sound.details;
    return EscapeControls(d.encoding) + '\t' + std::to_string(d.sampleRate) + '\t' +
           std::to_string(d.channels) + '\t' + Or(d.bits, "-") + '\t' + Seconds(d.seconds) + '\t' +
           LoopColumns(d);
}

// A loop as a JSON object, or null.
std::string LoopField(const SoundDetails& d) {
    if (!d.loop) {
        return "null";
    }
    const auto at = [&d](std::int64_t frame) { return AtSeconds(d, frame); };
    return R"({"start": )" + std::to_string(d.loop->start) + R"(, "end": )" +
           std::to_string(d.loop->end) + R"(, "startSeconds": )" + at(d.loop->start) +
           R"(, "endSeconds": )" + at(d.loop->end) + "}";
}

// The details as JSON fields, null where unknown, with the reason.
std::string DetailFields(const DetailsOrProblem& sound) {
    if (!sound.details) {
        return R"(, "encoding": )" +
               (sound.format.empty() ? std::string("null") : JsonString(sound.format)) +
               R"(, "rate": null, "channels": null, "bits": null, )"
               R"("frames": null, "duration": null, "loop": null, "problem": )" +
               JsonString(sound.problem);
    }
    const SoundDetails& d = *sound.details;
    return R"(, "encoding": )" + JsonString(d.encoding) + R"(, "rate": )" +
           std::to_string(d.sampleRate) + R"(, "channels": )" + std::to_string(d.channels) +
           R"(, "bits": )" + Or(d.bits, "null") + R"(, "frames": )" + std::to_string(d.frames) +
           R"(, "duration": )" + Seconds(d.seconds) + R"(, "loop": )" + LoopField(d) +
           R"(, "problem": null)";
}

constexpr std::array<Option, 6> kListOptions = {{
    {"no-limits", 0, false},
    {"salvage", 0, false},
    {"kind", 0, true},
    {"json", 0, false},
    {"details", 0, false},
    {"help", 'h', false},
}};

}  // namespace

int RunList(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, kListOptions);
    if (parsed.positionals.size() != 1) {
        throw UsageError(parsed.positionals.empty() ? "no archive was given"
                                                    : "give exactly one archive");
    }
    const std::filesystem::path archivePath = parsed.positionals[0];
    const ArchiveKind kind = ResolveKind(parsed.Value("--kind"), archivePath);

    ConsoleHooks hooks(console, AnswerPolicy::No);
    std::ostringstream listing;  // nothing reaches stdout unless the decode finished
    std::vector<std::string> problems;
    bool cut = false;
    try {
        const bool salvage = parsed.Has("--salvage");
        const OpenedArchive opened = DecodeArchive(hooks, console, "list", kind, archivePath,
                                                   !parsed.Has("--no-limits"), salvage);
        const ArchiveDecoder& archive = *opened.decoder;
        cut = opened.cutAtLimit;
        for (std::int32_t i = 1; i <= archive.Count(); ++i) {
            if (const std::string problem = PlaceProblem(archive.Entry(i), opened.size);
                !problem.empty()) {
                problems.push_back(DescribeSound(i, archive.Entry(i).name) + ": " + problem);
            }
        }
        if (parsed.Has("--json")) {
            listing << R"({"archive": )" << JsonString(archivePath.string()) << R"(, "kind": ")"
                    << KindName(kind) << R"(", "sounds": [)";
            for (std::int32_t i = 1; i <= archive.Count(); ++i) {
                const SoundEntry& entry = archive.Entry(i);
                listing << (i > 1 ? ",\n  " : "\n  ") << "{\"number\": " << i
                        << ", \"name\": " << JsonString(entry.name) << ", \"size\": " << entry.size
                        << ", \"offset\": " << entry.StoredOffset()
                        << DetailFields(archive.Details(i));
                if (salvage) {
                    listing << ", \"salvaged\": " << (opened.Salvaged(i) ? "true" : "false");
                }
                listing << "}";
            }
            listing << (archive.Count() > 0 ? "\n]}\n" : "]}\n");
        } else {
            for (std::int32_t i = 1; i <= archive.Count(); ++i) {
                const SoundEntry& entry = archive.Entry(i);
                listing << i << '\t' << EscapeControls(entry.name) << '\t' << entry.size << '\t'
                        << entry.StoredOffset();
                if (parsed.Has("--details")) {
                    listing << '\t' << DetailColumns(archive.Details(i));
                }
                if (opened.Salvaged(i)) {
                    listing << "\tsalvaged";
                }
                listing << '\n';
            }
        }
    } catch (const ArchiveError& error) {
        Say(console, "list", error.what());
        return kExitFailure;
    }
    console.out << listing.str() << std::flush;
    for (const std::string& problem : problems) {
        Say(console, "list", problem);
    }
    return cut || !problems.empty() ? kExitFailure : kExitOk;
}

}  // namespace echodelve::cli
