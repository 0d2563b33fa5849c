#pragma once

#include <QLatin1StringView>

// The program's names and the titles of its message boxes, spelt once.
namespace echodelve::ui {

// The main window's caption, and the title of its own small questions (a
// folder's name, a drive that cannot be opened).
inline constexpr QLatin1StringView kWindowCaption{"Echo Delve"};
// The program's name: the title of the failures a procedure reports.
inline constexpr QLatin1StringView kProgramName{"EchoDelve"};
// The title of refusals and format warnings.
inline constexpr QLatin1StringView kWarningTitle{"Warning"};

}  // namespace echodelve::ui
