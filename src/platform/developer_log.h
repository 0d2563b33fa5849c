#pragma once

#include <QLoggingCategory>

// Developer detail: what the program did and how long it took, for whoever
// works on it or reports a fault. Silent unless asked for, with --verbose or
// QT_LOGGING_RULES="echodelve.detail.debug=true"; the sentences users see
// never go here.
Q_DECLARE_LOGGING_CATEGORY(lcDetail)

namespace echodelve::platform {

// Turns the detail on or off for the rest of the run.
void ShowDeveloperDetail(bool show);

}  // namespace echodelve::platform
