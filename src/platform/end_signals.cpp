#include "platform/end_signals.h"

#include <QSocketNotifier>
#include <array>
#include <csignal>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include "formats/atomic_file.h"

namespace echodelve::platform {

namespace {

constexpr std::array kEndSignals = {SIGTERM, SIGHUP, SIGINT};
std::array<int, 2> signalPipe{-1, -1};

extern "C" void HandOnSignal(int signal) {
    RemoveFilesInFlight();
    const auto number = static_cast<unsigned char>(signal);
    static_cast<void>(write(signalPipe[1], &number, 1));
    std::signal(signal, SIG_DFL);  // a second one ends the process at once
}

}  // namespace

void RouteEndSignals(QObject* context, std::function<void(int signal)> end) {
    if (signalPipe[0] < 0 && pipe2(signalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        return;  // the handlers RemoveFilesInFlightOnSignals installed stay
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [end = std::move(end)] {
        unsigned char number = 0;
        if (read(signalPipe[0], &number, 1) == 1) {
            end(number);
        }
    });
    for (const int signal : kEndSignals) {
        std::signal(signal, HandOnSignal);
    }
}

void EndAsSignal(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);  // had the signal been blocked
}

}  // namespace echodelve::platform
