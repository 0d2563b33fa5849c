#include <ostream>
#include <span>
#include <sstream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "formats/errors.h"
#include "formats/hex_mod.h"
#include "formats/text_encoding.h"

namespace echodelve::cli {

const std::string_view kListHelp =
    "Usage: echodelve-cli list [--kind sfx|wad] [--json] ARCHIVE\n"
    "Prints one line per sound: number, name, size in bytes and offset in the\n"
    "archive, separated by tabs. Control characters in a name are written as \\xNN.\n"
    "\n"
    "  --kind sfx|wad  the archive's kind (by default taken from its extension)\n"
    "  --json          print the listing as a JSON object instead\n";

namespace {

// Two hex digits of a code point below U+0100.
std::string Hex2(char32_t cp) {
    const auto byte = static_cast<std::uint8_t>(cp);
    return HexMod::BytesToHex(std::span(&byte, 1));
}

// The name with its control characters (C0, DEL and C1) written as \xNN.
std::string EscapeControls(std::string_view name) {
    std::string escaped;
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::size_t start = pos;
        const auto cp = NextCodePoint(name, pos);
        if (!cp) {
            escaped += "\\x" + Hex2(static_cast<unsigned char>(name[pos++]));
        } else if (IsControlCharacter(*cp)) {
            escaped += "\\x" + Hex2(*cp);
        } else {
            escaped += name.substr(start, pos - start);
        }
    }
    return escaped;
}

// A JSON string that strict parsers take: controls escaped, and any bytes that
// are not UTF-8 (an archive path may hold some) replaced by U+FFFD.
std::string JsonString(std::string_view text) {
    std::string json = "\"";
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const auto cp = NextCodePoint(text, pos);
        if (!cp) {
            ++pos;
            json += "\\uFFFD";
        } else if (*cp == '"' || *cp == '\\') {
            json += '\\';
            json += static_cast<char>(*cp);
        } else if (IsControlCharacter(*cp)) {
            json += "\\u00" + Hex2(*cp);
        } else {
            json += text.substr(start, pos - start);
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
        const std::unique_ptr<ArchiveDecoder> decoded =
            DecodeArchive(hooks, console, kind, archivePath);
        const ArchiveDecoder& archive = *decoded;
        if (parsed.Has("--json")) {
            listing << R"({"archive": )" << JsonString(archivePath.string()) << R"(, "kind": ")"
                    << KindName(kind) << R"(", "sounds": [)";
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
