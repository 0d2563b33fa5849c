#include "cli/cli.h"

#include <array>
#include <exception>
#include <ostream>

#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "echodelve_version.h"

namespace echodelve::cli {

namespace {

constexpr std::string_view kToolHelp =
    "Usage: echodelve-cli COMMAND [OPTIONS]\n"
    "Lists, extracts, packs, edits and compares the sounds of SFX and WAD game sound\narchives and "
    "of Doom-engine WADs.\n"
    "\n"
    "Commands:\n"
    "  list      list the sounds of an archive\n"
    "  extract   write sounds of an archive as WAV files into a folder\n"
    "  pack      write WAV files into a new SFX or WAD archive\n"
    "  check     check archives' health: every problem, with the sound it concerns\n"
    "  edit      write an archive again with sounds replaced, added, removed or renamed\n"
    "  diff      compare two archives: sounds added, removed, changed, renamed, moved\n"
    "  find      find sounds in the archives of whole folders, by name, format, length\n"
    "\n"
    "'echodelve-cli COMMAND --help' or 'echodelve-cli help COMMAND' describes each\n"
    "command;\n"
    "'echodelve-cli --version' prints the version.\n";

const std::array<Command, 7> kCommands = {{
    {"list", &kListHelp, RunList},
    {"extract", &kExtractHelp, RunExtract},
    {"pack", &kPackHelp, RunPack},
    {"check", &kCheckHelp, RunCheck},
    {"edit", &kEditHelp, RunEdit},
    {"diff", &kDiffHelp, RunDiff, kExitUsage},
    {"find", &kFindHelp, RunFind},
}};

// Whether everything meant for standard output got there (not so on a full
// disk or a closed pipe), said when it did not.
bool WroteAll(Console& console, std::string_view command) {
    console.out.flush();
    if (console.out) {
        return true;
    }
    Say(console, command, "could not write to standard output");
    return false;
}

bool AsksForHelp(std::span<const std::string> args) {
    for (const std::string& arg : args) {
        if (arg == "--") {
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string Sentence(std::string_view text) {
    std::string sentence(text);
    if (!sentence.empty() && sentence.front() >= 'a' && sentence.front() <= 'z') {
        sentence.front() = static_cast<char>(sentence.front() - 'a' + 'A');
    }
    if (!sentence.empty() && sentence.back() != '.' && sentence.back() != '?' &&
        sentence.back() != '!') {
        sentence += '.';
    }
    return sentence;
}

void Say(Console& console, std::string_view command, std::string_view sentence) {
    console.err << "echodelve-cli" << (command.empty() ? "" : " ") << command << ": "
                << Sentence(sentence) << '\n';
}

int RunCli(std::span<const std::string> args, Console& console) {
    if (args.empty()) {
        Say(console, {}, "no command was given; see 'echodelve-cli --help'");
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        // "help COMMAND" is that command's help, as git and 7z have it.
        for (const Command& command : kCommands) {
            if (args.size() == 2 && args[0] == "help" && args[1] == command.name) {
                console.out << *command.help;
                return WroteAll(console, {}) ? kExitOk : kExitFailure;
            }
        }
        if (args.size() > 1 && args[0] == "help") {
            Say(console, {},
                "there is no command '" + args[1] + "' to describe; see 'echodelve-cli --help'");
            return kExitUsage;
        }
        console.out << kToolHelp;
        return WroteAll(console, {}) ? kExitOk : kExitFailure;
    }
    if (args[0] == "--version") {
        console.out << "echodelve-cli " << kVersionText << '\n';
        return WroteAll(console, {}) ? kExitOk : kExitFailure;
    }
    for (const Command& command : kCommands) {
        if (args[0] != command.name) {
            continue;
        }
        const auto rest = args.subspan(1);
        if (AsksForHelp(rest)) {
            console.out << *command.help;
            return WroteAll(console, command.name) ? kExitOk : kExitFailure;
        }
        int status = kExitFailure;
        try {
            status = command.run(rest, console);
        } catch (const UsageError& error) {
            Say(console, command.name,
                std::string(error.what()) + "; see 'echodelve-cli " + std::string(command.name) +
                    " --help'");
            return kExitUsage;
        } catch (const std::exception& error) {
            // What a command did not foresee (an archive that cannot be read
            // while its kind is told, say) still ends as a failure with its reason.
            Say(console, command.name, error.what());
            return command.trouble;
        }
        return WroteAll(console, command.name) ? status : command.trouble;
    }
    Say(console, {}, "there is no command '" + args[0] + "'; see 'echodelve-cli --help'");
    return kExitUsage;
}

}  // namespace echodelve::cli
