#include "console_hooks.h"

#include <istream>
#include <ostream>

namespace echodelve::cli {

void ConsoleHooks::ShowWarning(std::string_view title, std::string_view text) {
    console_.err << title << ": " << text << '\n';
}

bool ConsoleHooks::AskYesNo(std::string_view /*title*/, std::string_view text) {
    bool yes = policy_ == AnswerPolicy::Yes;
    if (policy_ == AnswerPolicy::Ask && console_.inIsTerminal) {
        console_.err << current_ << ": " << text << " [y/N] " << std::flush;
        std::string answer;
        std::getline(console_.in, answer);
        yes = answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
    }
    if (!yes) {
        console_.err << current_ << ": skipped, it does not begin with \"RIFF\""
                     << (policy_ == AnswerPolicy::Yes ? "" : " (--yes writes it anyway)") << '\n';
    }
    return yes;
}

}  // namespace echodelve::cli
