#pragma once

#include <QObject>
#include <functional>

namespace echodelve::platform {

// Turns SIGTERM, SIGHUP and SIGINT into a call of `end` with the signal's
// number, made by the event loop of `context`'s thread (the main one), so a
// program ended by a signal runs the same exit sequence as its Exit. At the
// signal itself only what is async-signal-safe happens: the files in flight
// are removed (RemoveFilesInFlight) and the signal is handed on through a
// pipe; a second signal of the same kind, should the event loop not answer,
// ends the process as the signal would.
void RouteEndSignals(QObject* context, std::function<void(int signal)> end);

// Ends the process as `signal` would by default (status 128 + signal).
[[noreturn]] void EndAsSignal(int signal);

}  // namespace echodelve::platform
