#include <array>
#include <limits>
#include <optional>
#include <ostream>
#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "cli/escaping.h"
#include "formats/archive_check.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"
#include "formats/salvage.h"

namespace echodelve::cli {

const std::string kCheckHelp =
    "Usage: echodelve-cli check [--json] [--kind=" + KindNames("|") +
    "] [--no-limits] [--salvage] ARCHIVE...\n"
    "Checks each archive's health, reading it without writing anything, and\n"
    "names every problem found with the sound it concerns: a sound that is not\n"
    "RIFF/WAVE, or whose RIFF length disagrees with its record (WAD); a fmt chunk\n"
    "missing or impossible; a data chunk running past the sound's end; bytes\n"
    "past the archive's end; an encoding that cannot be decoded; sounds that\n"
    "overlap or lie inside the directory; bytes no sound claims; a directory cut\n"
    "at its limit; names that must change to be written, or occur twice; sounds\n"
    "a damaged archive hides that --salvage would recover.\n"
    "\n"
    "  --json          print one JSON document: {\"archives\": [{\"archive\", \"kind\",\n"
    "                  \"sounds\", \"clean\", \"problems\": [{\"sound\", \"name\",\n"
    "                  \"problem\"}]}]}, \"sound\" and \"name\" null for the archive\n" +
    NoLimitsHelp(18, "read") + KindHelp(18, "the archives' kind, for each one") + kSalvageHelp +
    "\n"
    "Exit status: 0 when every archive is clean; 1 when a problem was found or an\n"
    "archive could not be read; 2 for a mistake in the command line.\n";

namespace {

constexpr std::array<Option, 5> kCheckOptions = {{
    {"no-limits", 0, false},
    {"salvage", 0, false},
    {"json", 0, false},
    {"kind", 0, true},
    {"help", 'h', false},
}};

struct Checked {
    std::string archive;
    std::string kind;  // empty when the archive could not be read
    std::int32_t sounds = 0;
    std::vector<Finding> findings;
    std::vector<std::string> names;  // of the sounds, for the findings
    std::string unreadable;          // why it could not be read, if it could not
};

// " --salvage would recover N more sounds." where it would, else empty.
std::string Recoverable(ArchiveKind kind, const std::filesystem::path& path,
                        const SoundCatalogue* read, bool limits) {
    const std::int32_t more =
        Salvage(kind, std::make_shared<FileSource>(path), read,
                limits ? kCatalogueSlots : std::numeric_limits<std::int32_t>::max())
            .Recovered();
    if (more == 0) {
        return {};
    }
    return " --salvage would recover " + std::to_string(more) +
           (more == 1 ? " more sound." : " more sounds.");
}

Checked CheckOne(const std::string& path, const ParsedArgs& parsed, Console& console) {
    Checked checked;
    checked.archive = path;
    try {
        const ArchiveKind kind = ResolveKind(parsed.Value("--kind"), path);
        ConsoleHooks hooks(console, AnswerPolicy::No);
        std::ostringstream quiet;  // the limit is a finding here, not a warning
        Console silent{console.in, quiet, quiet};
        const bool limits = !parsed.Has("--no-limits");
        const bool salvage = parsed.Has("--salvage");
        std::optional<OpenedArchive> decoded;
        try {
            decoded.emplace(DecodeArchive(hooks, silent, "check", kind, path, limits, salvage));
        } catch (const SoundLimitReached&) {
            throw;
        } catch (const ArchiveError& error) {
            throw ArchiveError(std::string(error.what()) +
                               Recoverable(kind, path, nullptr, limits));
        }
        const OpenedArchive& opened = *decoded;
        checked.kind = KindName(kind);
        checked.sounds = opened.decoder->Count();
        checked.findings = CheckArchive(*opened.decoder, opened.cutAtLimit);
        if (!opened.broken.empty()) {  // salvage read past it; it is still the archive's fault
            checked.findings.push_back({0, "as it stands: " + Sentence(opened.broken)});
        }
        if (const std::string more =
                salvage ? std::string()
                        : Recoverable(kind, path, &opened.decoder->Catalogue(), limits);
            !more.empty()) {
            checked.findings.push_back({0, more.substr(1)});
        }
        for (std::int32_t n = 1; n <= checked.sounds; ++n) {
            checked.names.push_back(opened.decoder->Entry(n).name);
        }
    } catch (const ArchiveError& error) {
        checked.unreadable = Sentence(error.what());
    } catch (const UsageError& error) {
        // A kind that cannot be told spoils this archive only.
        checked.unreadable = Sentence(error.what());
    }
    if (!checked.unreadable.empty()) {
        Say(console, "check", checked.unreadable);
        checked.findings.push_back({0, checked.unreadable});
    }
    return checked;
}

void PrintText(const Checked& checked, std::ostream& out) {
    const std::string archive = EscapeControls(checked.archive);
    if (!checked.unreadable.empty()) {
        out << archive << ": not checked (it could not be read)\n";  // why is said on stderr
        return;
    }
    if (checked.findings.empty()) {
        out << archive << ": clean, " << checked.sounds
            << (checked.sounds == 1 ? " sound" : " sounds") << " and no problems found\n";
        return;
    }
    out << archive << ": " << checked.findings.size()
        << (checked.findings.size() == 1 ? " problem\n" : " problems\n");
    for (const Finding& finding : checked.findings) {
        out << "  "
            << (finding.sound == 0
                    ? std::string("the archive")
                    : DescribeSound(finding.sound,
                                    checked.names[static_cast<std::size_t>(finding.sound - 1)]))
            << ": " << EscapeControls(finding.problem) << '\n';
    }
}

void PrintJson(const Checked& checked, std::ostream& out) {
    out << R"({"archive": )" << JsonString(checked.archive) << R"(, "kind": )"
        << (checked.kind.empty() ? "null" : JsonString(checked.kind)) << R"(, "sounds": )"
        << checked.sounds << R"(, "clean": )" << (checked.findings.empty() ? "true" : "false")
        << R"(, "problems": [)";
    for (std::size_t i = 0; i < checked.findings.size(); ++i) {
        const Finding& finding = checked.findings[i];
        out << (i > 0 ? ",\n    " : "\n    ") << R"({"sound": )";
        if (finding.sound == 0) {
            out << R"(null, "name": null)";
        } else {
            out << finding.sound << R"(, "name": )"
                << JsonString(checked.names[static_cast<std::size_t>(finding.sound - 1)]);
        }
        out << R"(, "problem": )" << JsonString(finding.problem) << '}';
    }
    out << (checked.findings.empty() ? "]}" : "\n  ]}");
}

}  // namespace

int RunCheck(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, kCheckOptions);
    if (parsed.positionals.empty()) {
        throw UsageError("no archive was given");
    }
    CheckKindOption(parsed.Value("--kind"));  // before the report begins
    const bool json = parsed.Has("--json");
    bool clean = true;
    if (json) {
        console.out << R"({"archives": [)";
    }
    for (std::size_t i = 0; i < parsed.positionals.size(); ++i) {
        const Checked checked = CheckOne(parsed.positionals[i], parsed, console);
        clean = clean && checked.findings.empty();
        if (json) {
            console.out << (i > 0 ? ",\n  " : "\n  ");
            PrintJson(checked, console.out);
        } else {
            PrintText(checked, console.out);
        }
    }
    if (json) {
        console.out << "\n]}\n";
    }
    console.out << std::flush;
    return clean ? kExitOk : kExitFailure;
}

}  // namespace echodelve::cli
