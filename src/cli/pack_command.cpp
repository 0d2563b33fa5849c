#include <array>
#include <ostream>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "formats/archive_kinds.h"
#include "formats/archive_writers.h"
#include "formats/errors.h"
#include "formats/sfx_decoder.h"
#include "formats/wad_decoder.h"

namespace echodelve::cli {

const std::string kPackHelp =
    "Usage: echodelve-cli pack [--kind=" + KindNames("|") +
    "] -o ARCHIVE FILE...\n"
    "Writes the files, in the order given, into a new archive (an existing one is\n"
    "replaced only once the new one is complete).\n"
    "  sfx: each file must be a complete RIFF/WAVE file; at most " +
    std::to_string(sfx::kMaxSounds) +
    ".\n"
    "  wad: each file is stored under its base name, which must hold a \".\" and\n"
    "       take fewer than " +
    std::to_string(wad::kNameBytes) + " bytes; at most " + std::to_string(wad::kMaxFiles) +
    " files.\n"
    "\n"
    "  -o, --output=ARCHIVE  the archive to write\n" +
    HelpEntry("--kind=" + KindNames("|"), 24,
              "the archive's kind (by default taken from its extension)");

namespace {

constexpr std::array<Option, 3> kPackOptions = {{
    {"output", 'o', true},
    {"kind", 0, true},
    {"help", 'h', false},
}};

}  // namespace

int RunPack(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, kPackOptions);
    const std::optional<std::string> output = parsed.Value("--output");
    if (!output || output->empty()) {
        throw UsageError("no archive to write given (-o ARCHIVE)");
    }
    if (parsed.positionals.empty()) {
        throw UsageError("no files to pack given");
    }
    const ArchiveKind kind = ResolveKind(parsed.Value("--kind"), *output, false);
    std::vector<PackMember> members;
    for (const std::string& file : parsed.positionals) {
        members.push_back(PackMember::FromFile(file));
    }
    // Extraction would rename the later one: an archive is not made to hold such a pair.
    if (const auto repeat = RepeatedName(members); repeat && Describe(kind).hasDirectory) {
        const auto [i, j] = *repeat;
        Say(console, "pack",
            "'" + parsed.positionals[i] + "' would be stored under the same name as '" +
                parsed.positionals[j] + "'" +
                (members[i].name == members[j].name ? "" : " (ignoring case)") +
                "; nothing was written");
        return kExitFailure;
    }
    try {
        Describe(kind).write(*output, members, {}, nullptr);
    } catch (const ArchiveError& error) {
        Say(console, "pack", error.what());
        return kExitFailure;
    }
    console.err << "Packed " << members.size() << (members.size() == 1 ? " file" : " files")
                << " into '" << *output << "'.\n";
    return kExitOk;
}

}  // namespace echodelve::cli
