// Preloaded into the program by the desktop tests: every rename and link (the
// moment an output file is committed) first waits ECHODELVE_SLOW_MEDIUM_MS milliseconds,
// as on a slow medium, so a long run lasts long enough for a person to act in
// its middle whatever the machine's speed.
#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using RenameFunction = int (*)(const char*, const char*);
using LinkatFunction = int (*)(int, const char*, int, const char*, int);

std::chrono::milliseconds Delay() {
    const char* text = std::getenv("ECHODELVE_SLOW_MEDIUM_MS");
    return std::chrono::milliseconds(text != nullptr ? std::atoi(text) : 0);
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
    static const auto next = reinterpret_cast<RenameFunction>(dlsym(RTLD_NEXT, "rename"));
    std::this_thread::sleep_for(Delay());
    return next(from, to);
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    static const auto next = reinterpret_cast<LinkatFunction>(dlsym(RTLD_NEXT, "linkat"));
    std::this_thread::sleep_for(Delay());
    return next(fromFolder, from, toFolder, to, flags);
}
