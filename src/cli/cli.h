#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace echodelve::cli {

// Where the tool talks to the user, so tests can run it in-process.
struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inIsTerminal = false;
    bool errIsTerminal = false;
    bool outIsTerminal = false;
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Runs `echodelve-cli ARGS...` (the program name not included) and returns
// the exit status.
int RunCli(std::span<const std::string> args, Console& console);

}  // namespace echodelve::cli
