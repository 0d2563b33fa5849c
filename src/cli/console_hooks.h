#pragma once

#include <string>

#include "cli/cli.h"
#include "formats/ui_hooks.h"

namespace echodelve::cli {

// How the "Save Anyways?" question is answered: by --yes, by --no, or by
// asking on the terminal (and skipping when there is none to ask on).
enum class AnswerPolicy { Yes, No, Ask };

// The archive library's user interface on a terminal: warnings go to stderr,
// the question follows the policy, and there are no events to pump.
class ConsoleHooks : public UiHooks {
  public:
    ConsoleHooks(Console& console, AnswerPolicy policy) : console_(console), policy_(policy) {}

    // The name the next question is about, for the prompt and the skip notice.
    void SetCurrentSound(std::string name) { current_ = std::move(name); }

    void PumpEvents() override {}
    void ShowWarning(std::string_view title, std::string_view text) override;
    bool AskYesNo(std::string_view title, std::string_view text) override;

  private:
    Console& console_;
    AnswerPolicy policy_;
    std::string current_;
};

}  // namespace echodelve::cli
