#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

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

// What the tool says on stderr, in one voice: "echodelve-cli COMMAND: " (or
// "echodelve-cli: " before a command is known), then one sentence, its first
// letter in capitals and a full stop at its end.
void Say(Console& console, std::string_view command, std::string_view sentence);
// The text as such a sentence.
std::string Sentence(std::string_view text);

// Runs `echodelve-cli ARGS...` (the program name not included) and returns
// the exit status.
int RunCli(std::span<const std::string> args, Console& console);

}  // namespace echodelve::cli
