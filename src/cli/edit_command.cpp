#include <array>
#include <charconv>
#include <optional>
#include <ostream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli/console_hooks.h"
#include "cli/selection.h"
#include "formats/archive_edit.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"

namespace echodelve::cli {

const std::string kEditHelp =
    "Usage: echodelve-cli edit (-o NEW | --in-place) [OPERATION...] ARCHIVE\n"
    "Writes ARCHIVE again as the new archive NEW, with the operations applied in\n"
    "the order given; ARCHIVE itself is only read. Sounds not touched are copied\n"
    "byte for byte. SOUND picks sounds as extract does (7, 5-9, 'door*'), by\n"
    "their numbers in ARCHIVE as it was read.\n"
    "\n"
    "  -o, --output=NEW       the new archive, written whole or not at all\n"
    "  --in-place             replace ARCHIVE itself, whole or not at all, keeping\n"
    "                         its old bytes as ARCHIVE.bak\n"
    "  --no-backup            with --in-place, keep no ARCHIVE.bak\n"
    "  --replace=SOUND=FILE   each sound picked becomes FILE, keeping its name\n"
    "  --add=FILE             FILE is added at the end, under its base name\n"
    "  --remove=SOUND         the sounds picked are left out\n"
    "  --rename=SOUND=NAME    the one sound picked is called NAME\n"
    "  --move=SOUND=PLACE     the sounds picked go, in their order, to PLACE\n"
    "                         (1 is the first) among the sounds as they stand\n"
    "  --match                convert each replacement to the encoding, rate and\n"
    "                         channels of the sound it replaces, keeping that\n"
    "                         sound's loop at the same place in the new length\n" +
    NoLimitsHelp(25, "read") + KindHelp(25, "the archive's kind") +
    "\n"
    "A new sound must be a complete RIFF/WAVE file that decodes; names must not\n"
    "repeat (ignoring case) where the archive keeps names. A replacement in\n"
    "another format than the sound it replaces is noted (without --match).\n"
    "In a Doom WAD every other lump is kept byte for byte; a new sound is stored\n"
    "as a DMX lump (8-bit mono, padded as the game expects) named after its\n"
    "file without the extension: at most 8 characters, made upper case.\n"
    "\n"
    "Exit status: 0 when every operation was applied; 1 when any was refused\n"
    "(nothing is written then); 2 for a mistake in the command line.\n";

namespace {

constexpr std::array<Option, 12> kEditOptions = {{
    {"output", 'o', true},
    {"no-limits", 0, false},
    {"in-place", 0, false},
    {"no-backup", 0, false},
    {"match", 0, false},
    {"move", 0, true},
    {"replace", 0, true},
    {"add", 0, true},
    {"remove", 0, true},
    {"rename", 0, true},
    {"kind", 0, true},
    {"help", 'h', false},
}};

// "SOUND=VALUE" at its first "=".
std::pair<std::string, std::string> Split(const std::string& option, const std::string& value) {
    const std::size_t equals = value.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == value.size()) {
        const char* what = option == "--rename" ? "NAME" : option == "--move" ? "PLACE" : "FILE";
        throw UsageError(option + " takes SOUND=" + what + ", not '" + value + "'");
    }
    return {value.substr(0, equals), value.substr(equals + 1)};
}

// A place to move sounds to: a whole number from 1.
std::optional<std::int32_t> PlaceNumber(const std::string& text) {
    std::int32_t place = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), place);
    if (error != std::errc() || end != text.data() + text.size() || place < 1) {
        return std::nullopt;
    }
    return place;
}

}  // namespace

int RunEdit(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, kEditOptions);
    const bool inPlace = parsed.Has("--in-place");
    std::optional<std::string> output = parsed.Value("--output");
    if (inPlace && output) {
        throw UsageError("give either -o NEW or --in-place, not both");
    }
    if (!inPlace && (!output || output->empty())) {
        throw UsageError("no new archive was given (-o NEW, or --in-place)");
    }
    if (parsed.Has("--no-backup") && !inPlace) {
        throw UsageError("--no-backup is for --in-place");
    }
    if (parsed.positionals.size() != 1) {
        throw UsageError(parsed.positionals.empty() ? "no archive was given"
                                                    : "give exactly one archive");
    }
    // The sounds each operation picks are checked before the archive is read.
    for (const auto& [option, value] : parsed.given) {
        if (option == "--add" && value.empty()) {
            throw UsageError("--add takes a FILE");
        }
        if (option == "--replace" || option == "--rename" || option == "--move") {
            const auto [sound, rest] = Split(option, value);
            CheckSelection(std::span(&sound, 1));
            if (option == "--move" && !PlaceNumber(rest)) {
                throw UsageError("'" + rest + "' is not a place (1 is the first)");
            }
        } else if (option == "--remove") {
            CheckSelection(std::span(&value, 1));
        }
    }
    const std::filesystem::path archivePath = parsed.positionals[0];
    if (inPlace) {
        output = archivePath.string();
    }
    const ArchiveKind kind = ResolveKind(parsed.Value("--kind"), archivePath);
    // An archive of one kind under a name that says another would be read as that.
    // (A Doom WAD, known by its magic number, shares *.wad with WAD archives.)
    if (const std::optional<ArchiveKind> named = KindFromName(*output);
        named && Describe(*named).extension != Describe(kind).extension) {
        throw UsageError("'" + *output + "' names another kind of archive (" +
                         std::string(Describe(*named).name) + ") than the one edited (" +
                         std::string(Describe(kind).name) + ")");
    }
    ConsoleHooks hooks(console, AnswerPolicy::No, "edit");
    try {
        const OpenedArchive opened =
            DecodeArchive(hooks, console, "edit", kind, archivePath, !parsed.Has("--no-limits"));
        if (opened.cutAtLimit) {
            // A listing cut short is not written back: its other sounds would be lost.
            Say(console, "edit", "Only part of the archive could be read. Nothing was written.");
            return kExitFailure;
        }
        std::vector<EditOperation> operations;
        std::string missing;  // every sound asked for that is not there
        for (const auto& [option, value] : parsed.given) {
            EditOperation operation{EditOperation::Kind::Add, {}, {}, {}};
            std::string sound = value;
            if (option == "--add") {
                operation.file = value;
            } else if (option == "--replace") {
                operation.kind = EditOperation::Kind::Replace;
                std::tie(sound, operation.file) = Split(option, value);
            } else if (option == "--rename") {
                operation.kind = EditOperation::Kind::Rename;
                std::tie(sound, operation.name) = Split(option, value);
            } else if (option == "--remove") {
                operation.kind = EditOperation::Kind::Remove;
            } else if (option == "--move") {
                operation.kind = EditOperation::Kind::Move;
                std::string place;
                std::tie(sound, place) = Split(option, value);
                operation.position = *PlaceNumber(place);
            } else {
                continue;  // -o, --kind
            }
            if (operation.kind != EditOperation::Kind::Add) {
                const Selection picked = SelectSounds(std::span(&sound, 1), *opened.decoder);
                for (const std::string& reason : picked.missing) {
                    missing += reason + " ";
                }
                operation.numbers = picked.numbers;
            }
            operations.push_back(std::move(operation));
        }
        if (!missing.empty()) {
            Say(console, "edit", missing + "Nothing was written.");
            return kExitFailure;
        }
        const EditOptions options{parsed.Has("--match"), inPlace, !parsed.Has("--no-backup")};
        const EditReport report = WriteEditedArchive(*opened.decoder, operations, *output, options);
        for (const std::string& note : report.notes) {
            Say(console, "edit", note + " --match converts it.");
        }
    } catch (const ArchiveError& error) {
        Say(console, "edit", std::string(error.what()) + " Nothing was written.");
        return kExitFailure;
    }
    console.err << "Wrote '" << *output << "'"
                << (inPlace && !parsed.Has("--no-backup")
                        ? ", keeping the old one as '" + BackupPath(*output).string() + "'"
                        : std::string())
                << ".\n";
    return kExitOk;
}

}  // namespace echodelve::cli
