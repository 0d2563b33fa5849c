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
    "Lists, extracts and packs the sounds of SFX and WAD game sound archives.\n"
    "\n"
    "Commands:\n"
    "  list      list the sounds of an archive\n"
    "  extract   write sounds of an archive as WAV files into a folder\n"
    "  pack      write WAV files into a new SFX or WAD archive\n"
    "  check     check archives' health: every problem, with the sound it concerns\n"
    "\n"
    "'echodelve-cli COMMAND --help' or 'echodelve-cli help COMMAND' describes each\n"
    "command;\n"
    "'echodelve-cli --version' prints the version.\n";

const std::array<Command, 4> kCommands = {{
    {"list", &kListHelp, RunList},
    {"extract", &kExtractHelp, RunExtract},
    {"pack", &kPackHelp, RunPack},
    {"check", &kCheckHelp, RunCheck},
}};

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

int RunCli(std::span<const std::string> args, Console& console) {
    if (args.empty()) {
        console.err << "echodelve-cli: no command given (see 'echodelve-cli --help')\n";
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        // "help COMMAND" is that command's help, as git and 7z have it.
        for (const Command& command : kCommands) {
            if (args.size() == 2 && args[0] == "help" && args[1] == command.name) {
                console.out << *command.help;
                return kExitOk;
            }
        }
        if (args.size() > 1 && args[0] == "help") {
            console.err << "echodelve-cli: no command '" << args[1]
                        << "' to describe (see 'echodelve-cli --help')\n";
            return kExitUsage;
        }
        console.out << kToolHelp;
        return kExitOk;
    }
    if (args[0] == "--version") {
        console.out << "echodelve-cli " << kVersionText << '\n';
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (args[0] != command.name) {
            continue;
        }
        const auto rest = args.subspan(1);
        if (AsksForHelp(rest)) {
            console.out << *command.help;
            return kExitOk;
        }
        try {
            return command.run(rest, console);
        } catch (const UsageError& error) {
            console.err << "echodelve-cli " << command.name << ": " << error.what()
                        << " (see 'echodelve-cli " << command.name << " --help')\n";
            return kExitUsage;
        } catch (const std::exception& error) {
            // What a command did not foresee (an archive that cannot be read
            // while its kind is told, say) still ends as a failure with its reason.
            console.err << "echodelve-cli " << command.name << ": " << error.what() << '\n';
            return kExitFailure;
        }
    }
    console.err << "echodelve-cli: unknown command '" << args[0]
                << "' (see 'echodelve-cli --help')\n";
    return kExitUsage;
}

}  // namespace echodelve::cli
