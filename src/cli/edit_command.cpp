#include <array>
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
    "Usage: echodelve-cli edit -o NEW [OPERATION...] ARCHIVE\n"
    "Writes ARCHIVE again as the new archive NEW, with the operations applied in\n"
    "the order given; ARCHIVE itself is only read. Sounds not touched are copied\n"
    "as they stand. SOUND picks sounds as extract does (7, 5-9, 'door*'), by\n"
    "their numbers in ARCHIVE as it was read.\n"
    "\n"
    "  -o, --output=NEW       the new archive, written whole or not at all\n"
    "  --replace=SOUND=FILE   each sound picked becomes FILE, keeping its name\n"
    "  --add=FILE             FILE is added at the end, under its base name\n"
    "  --remove=SOUND         the sounds picked are left out\n"
    "  --rename=SOUND=NAME    the one sound picked is called NAME\n" +
    HelpEntry("--kind=" + KindNames("|"), 23,
              "the archive's kind (by default taken from its extension, or else its "
              "content)") +
    "\n"
    "A new sound must be a complete RIFF/WAVE file that decodes; names must not\n"
    "repeat (ignoring case) where the archive keeps names.\n"
    "\n"
    "Exit status: 0 when every operation was applied; 1 when any was refused\n"
    "(nothing is written then); 2 for a mistake in the command line.\n";

namespace {

constexpr std::array<Option, 7> kEditOptions = {{
    {"output", 'o', true},
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
        throw UsageError(option + " takes SOUND=" + (option == "--rename" ? "NAME" : "FILE") +
                         ", not '" + value + "'");
    }
    return {value.substr(0, equals), value.substr(equals + 1)};
}

}  // namespace

int RunEdit(std::span<const std::string> args, Console& console) {
    const ParsedArgs parsed = ParseArgs(args, kEditOptions);
    const std::optional<std::string> output = parsed.Value("--output");
    if (!output || output->empty()) {
        throw UsageError("no new archive was given (-o NEW)");
    }
    if (parsed.positionals.size() != 1) {
        throw UsageError(parsed.positionals.empty() ? "no archive was given"
                                                    : "give exactly one archive");
    }
    // The sounds each operation picks are checked before the archive is read.
    for (const auto& [option, value] : parsed.given) {
        if (option == "--replace" || option == "--rename") {
            const std::string sound = Split(option, value).first;
            CheckSelection(std::span(&sound, 1));
        } else if (option == "--remove") {
            CheckSelection(std::span(&value, 1));
        }
    }
    const std::filesystem::path archivePath = parsed.positionals[0];
    const ArchiveKind kind = ResolveKind(parsed.Value("--kind"), archivePath);
    ConsoleHooks hooks(console, AnswerPolicy::No, "edit");
    try {
        const OpenedArchive opened = DecodeArchive(hooks, console, "edit", kind, archivePath);
        if (opened.cutAtLimit) {
            return kExitFailure;  // said; a listing cut short is not written back
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
        WriteEditedArchive(*opened.decoder, operations, *output);
    } catch (const ArchiveError& error) {
        Say(console, "edit", std::string(error.what()) + " Nothing was written.");
        return kExitFailure;
    }
    console.err << "Wrote '" << *output << "'.\n";
    return kExitOk;
}

}  // namespace echodelve::cli
