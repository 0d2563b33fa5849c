#include <array>
#include <ostream>
#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "cli/escaping.h"
#include "formats/archive_diff.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"

namespace echodelve::cli {

const std::string kDiffHelp =
    "Usage: echodelve-cli diff [--json] [--no-limits] A B\n"
    "Compares two archives sound by sound and prints how B differs from A:\n"
    "  added     a sound only B holds\n"
    "  removed   a sound only A holds\n"
    "  changed   the same name (or, where either is an SFX archive, the same\n"
    "            number) with other bytes, their details side by side\n"
    "  renamed   the same bytes under another name\n"
    "  moved     the same sound elsewhere in the order (not merely renumbered by\n"
    "            sounds added or removed before it)\n"
    "Sounds are the same when their bytes are, so archives of either kind compare\n"
    "(an SFX archive names its sounds by their place: with one, nothing is renamed).\n"
    "Numbers are given as a:N in A and b:N in B. Nothing is printed when the two\n"
    "hold the same sounds in the same order.\n"
    "\n"
    "  --json          print one JSON object instead: {\"a\", \"b\", \"same\", \"added\",\n"
    "                  \"removed\", \"changed\", \"renamed\", \"moved\"}, each list of\n"
    "                  objects with \"name\" (\"from\" and \"to\" when renamed) and the\n"
    "                  numbers \"a\" and \"b\" where the sound is there; a changed one\n"
    "                  has \"details\": {\"a\", \"b\"}\n" +
    NoLimitsHelp(18, "read") + KindHelp(18, "both archives' kind") +
    "\n"
    "Exit status: 0 when the archives hold the same sounds in the same order; 1\n"
    "when they differ; 2 for trouble (an archive that cannot be read, a mistake in\n"
    "the command line), as diff and cmp have it.\n";

namespace {

constexpr std::array<Option, 4> kDiffOptions = {{
    {"json", 0, false},
    {"no-limits", 0, false},
    {"kind", 0, true},
    {"help", 'h', false},
}};

// "PCM 16-bit, 22050 Hz, 2 channels, 0.500 s", or why that cannot be told.
std::string Details(const ArchiveDecoder& archive, std::int32_t number) {
    const DetailsOrProblem sound = archive.Details(number);
    if (!sound.details) {
        return "cannot be decoded (" + sound.problem + ")";
    }
    return EscapeControls(DescribeFormat(*sound.details) + ", " + Seconds(sound.details->seconds) +
                          " s");
}

std::string DetailsJson(const ArchiveDecoder& archive, std::int32_t number) {
    const DetailsOrProblem sound = archive.Details(number);
    if (!sound.details) {
        return "null";
    }
    const SoundDetails& d = *sound.details;
    return R"({"encoding": )" + JsonString(d.encoding) + R"(, "rate": )" +
           std::to_string(d.sampleRate) + R"(, "channels": )" + std::to_string(d.channels) +
           R"(, "duration": )" + Seconds(d.seconds) + "}";
}

std::string Numbers(const ArchiveDifference::Sound& sound) {
    std::string numbers;
    if (sound.a != 0) {
        numbers += R"(, "a": )" + std::to_string(sound.a);
    }
    if (sound.b != 0) {
        numbers += R"(, "b": )" + std::to_string(sound.b);
    }
    return numbers;
}

void PrintJson(const ArchiveDifference& d, const OpenedArchive& a, const OpenedArchive& b,
               const std::string& pathA, const std::string& pathB, std::ostream& out) {
    const auto list = [&out](const char* key, const auto& entries, const auto& entry) {
        out << ",\n \"" << key << "\": [";
        for (std::size_t i = 0; i < entries.size(); ++i) {
            out << (i > 0 ? ",\n  " : "\n  ") << entry(entries[i]);
        }
        out << (entries.empty() ? "]" : "\n ]");
    };
    const auto sound = [](const ArchiveDifference::Sound& s) {
        return R"({"name": )" + JsonString(s.name) + Numbers(s) + "}";
    };
    out << R"({"a": )" << JsonString(pathA) << R"(, "b": )" << JsonString(pathB) << R"(, "same": )"
        << (d.Same() ? "true" : "false");
    list("added", d.added, sound);
    list("removed", d.removed, sound);
    list("changed", d.changed, [&](const ArchiveDifference::Sound& s) {
        return R"({"name": )" + JsonString(s.name) + Numbers(s) + R"(, "details": {"a": )" +
               DetailsJson(*a.decoder, s.a) + R"(, "b": )" + DetailsJson(*b.decoder, s.b) + "}}";
    });
    list("renamed", d.renamed, [](const ArchiveDifference::Renamed& r) {
        return R"({"from": )" + JsonString(r.from) + R"(, "to": )" + JsonString(r.to) +
               R"(, "a": )" + std::to_string(r.a) + R"(, "b": )" + std::to_string(r.b) + "}";
    });
    list("moved", d.moved, sound);
    out << "\n}\n";
}

void PrintText(const ArchiveDifference& d, const OpenedArchive& a, const OpenedArchive& b,
               std::ostream& out) {
    const auto named = [](const std::string& name) { return "'" + EscapeControls(name) + "'"; };
    for (const auto& s : d.added) {
        out << "added    b:" << s.b << ' ' << named(s.name) << '\n';
    }
    for (const auto& s : d.removed) {
        out << "removed  a:" << s.a << ' ' << named(s.name) << '\n';
    }
    for (const auto& s : d.changed) {
        out << "changed  a:" << s.a << " b:" << s.b << ' ' << named(s.name) << ": "
            << Details(*a.decoder, s.a) << " | " << Details(*b.decoder, s.b) << '\n';
    }
    for (const auto& r : d.renamed) {
        out << "renamed  a:" << r.a << ' ' << named(r.from) << " -> b:" << r.b << ' ' << named(r.to)
            << '\n';
    }
    for (const auto& s : d.moved) {
        out << "moved    a:" << s.a << " b:" << s.b << ' ' << named(s.name) << '\n';
    }
}

}  // namespace

int RunDiff(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, kDiffOptions);
    if (parsed.positionals.size() != 2) {
        throw UsageError("give two archives, A and B");
    }
    CheckKindOption(parsed.Value("--kind"));
    ConsoleHooks hooks(console, AnswerPolicy::No);
    const bool limits = !parsed.Has("--no-limits");
    try {
        const auto open = [&](const std::string& path) {
            OpenedArchive opened = DecodeArchive(
                hooks, console, "diff", ResolveKind(parsed.Value("--kind"), path), path, limits);
            if (opened.cutAtLimit) {  // said; only part of it could be compared
                throw ArchiveError("'" + path +
                                   "' could be read only in part, so it is not compared.");
            }
            return opened;
        };
        const OpenedArchive a = open(parsed.positionals[0]);
        const OpenedArchive b = open(parsed.positionals[1]);
        const ArchiveDifference difference = CompareArchives(*a.decoder, *b.decoder);
        if (parsed.Has("--json")) {
            PrintJson(difference, a, b, parsed.positionals[0], parsed.positionals[1], console.out);
        } else {
            PrintText(difference, a, b, console.out);
        }
        return difference.Same() ? kExitOk : kExitFailure;
    } catch (const ArchiveError& error) {
        Say(console, "diff", error.what());
        return kExitUsage;
    }
}

}  // namespace echodelve::cli
