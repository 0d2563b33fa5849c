#pragma once

#include <string_view>

namespace echodelve {

// The only way the archive library reaches the user. The desktop program maps
// it to its event loop and message boxes; the command-line tool to the terminal.
class UiHooks {
  public:
    virtual ~UiHooks() = default;

    // Lets pending user-interface events run once (long loops call it per step).
    virtual void PumpEvents() = 0;
    // Shows a warning with a single OK and waits until it is dismissed.
    virtual void ShowWarning(std::string_view title, std::string_view text) = 0;
    // Asks a Yes/No question and waits for the answer; true means Yes.
    virtual bool AskYesNo(std::string_view title, std::string_view text) = 0;
};

inline constexpr std::string_view kWarningTitle = "Warning";

}  // namespace echodelve
