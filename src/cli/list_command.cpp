#include <ostream>
#include <span>
#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "cli/decoded_archive.h"
#include "formats/errors.h"
#include "formats/hex_mod.h"

namespace echodelve::cli {

const std::string_view kListHelp =
    "Usage: echodelve-cli list [--kind sfx|wad] [--json] ARCHIVE\n"
    "Prints one line per sound: number, name, size in bytes and offset in the\n"
    "archive, separated by tabs. Control characters in a name are written as \\xNN.\n"
    "\n"
    "  --kind sfx|wad  the archive's kind (by default taken from its extension)\n"
    "  --json          print the listing as a JSON object instead\n";

namespace {

std::string EscapeControls(std::string_view name) {
    std::string escaped;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || byte == 127) {
            escaped += "\\x" + HexMod::BytesToHex(std::span(&byte, 1));
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string JsonString(std::string_view text) {
    std::string json = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 32 || byte == 127) {
            json += "\\u00" + HexMod::BytesToHex(std::span(&byte, 1));
        } else {
            json += c;
        }
    }
    return json + "\"";
}

}  // namespace

int RunList(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, {"--json"}, {"--kind"});
    if (parsed.positionals.size() != 1) {
        throw UsageError(parsed.positionals.empty() ? "no archive given"
                                                    : "give exactly one archive");
    }
    const std::filesystem::path archivePath = parsed.positionals[0];
    const ArchiveKind kind = ResolveKind(parsed.Value("--kind"), archivePath);

    ConsoleHooks hooks(console, AnswerPolicy::No);
    std::ostringstream listing;  // nothing reaches stdout unless the decode finished
    try {
        const DecodedArchive archive(hooks, kind, archivePath);
        if (parsed.Has("--json")) {
            listing << R"({"archive": )" << JsonString(archivePath.string()) << R"(, "kind": ")"
                    << (kind == ArchiveKind::Sfx ? "sfx" : "wad") << R"(", "sounds": [)";
            for (std::int32_t i = 1; i <= archive.Count(); ++i) {
                const SoundEntry& entry = archive.Entry(i);
                listing << (i > 1 ? ",\n  " : "\n  ") << "{\"number\": " << i
                        << ", \"name\": " << JsonString(entry.name) << ", \"size\": " << entry.size
                        << ", \"offset\": " << entry.offset << "}";
            }
            listing << (archive.Count() > 0 ? "\n]}\n" : "]}\n");
        } else {
            for (std::int32_t i = 1; i <= archive.Count(); ++i) {
                const SoundEntry& entry = archive.Entry(i);
                listing << i << '\t' << EscapeControls(entry.name) << '\t' << entry.size << '\t'
                        << entry.offset << '\n';
            }
        }
    } catch (const ArchiveError& error) {
        console.err << "echodelve-cli list: " << error.what() << '\n';
        return kExitFailure;
    }
    console.out << listing.str() << std::flush;
    return kExitOk;
}

}  // namespace echodelve::cli
