#include <array>
#include <ostream>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "formats/archive_writers.h"
#include "formats/errors.h"

namespace echodelve::cli {

const std::string_view kPackHelp =
    "Usage: echodelve-cli pack [--kind=sfx|wad] -o ARCHIVE FILE...\n"
    "Writes the files, in the order given, into a new archive (an existing one is\n"
    "replaced only once the new one is complete).\n"
    "  sfx: each file must be a complete RIFF/WAVE file; at most 1000.\n"
    "  wad: each file is stored under its base name, which must hold a \".\" and\n"
    "       take fewer than 260 bytes; at most 299 files.\n"
    "\n"
    "  -o, --output=ARCHIVE  the archive to write\n"
    "  --kind=sfx|wad        the archive's kind (by default taken from its extension)\n";

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
    try {
        if (kind == ArchiveKind::Sfx) {
            WriteSfxArchive(*output, members);
        } else {
            WriteWadArchive(*output, members);
        }
    } catch (const ArchiveError& error) {
        console.err << "echodelve-cli pack: " << error.what() << '\n';
        return kExitFailure;
    }
    console.err << "Packed " << members.size() << " files into '" << *output << "'.\n";
    return kExitOk;
}

}  // namespace echodelve::cli
