#include <exception>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define ECHODELVE_ISATTY(stream) (_isatty(_fileno(stream)) != 0)
#else
#include <unistd.h>
#define ECHODELVE_ISATTY(stream) (isatty(fileno(stream)) != 0)
#endif

#include "cli/cli.h"
#include "formats/atomic_file.h"
#include "formats/library_chatter.h"

int main(int argc, char** argv) {
    // The one handler at the top: no exception leaves main, whatever throws.
    try {
        echodelve::RemoveFilesInFlightOnSignals();
        std::ios::sync_with_stdio(false);
        const std::vector<std::string> args(argv + 1, argv + argc);
        const bool errIsTerminal = ECHODELVE_ISATTY(stderr);  // before stderr is moved aside
        echodelve::LibraryChatter chatter("echodelve-cli");
        echodelve::cli::Console console{std::cin,       std::cout,
                                        chatter.Tool(), ECHODELVE_ISATTY(stdin),
                                        errIsTerminal,  ECHODELVE_ISATTY(stdout)};
        return echodelve::cli::RunCli(args, console);
    } catch (const std::exception& error) {
        std::cerr << "echodelve-cli: " << error.what() << '\n';
    } catch (...) {
        std::cerr << "echodelve-cli: an unforeseen failure ended the run\n";
    }
    echodelve::RemoveFilesInFlight();
    return echodelve::cli::kExitFailure;
}
