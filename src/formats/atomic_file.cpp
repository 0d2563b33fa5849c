#include "atomic_file.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "byte_source.h"
#include "errors.h"
#include "file_io.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace echodelve {

namespace {

// Random names are tried this many times before a folder is given up on.
constexpr int kNameAttempts = 100;

// The temporary files in flight, for a signal handler to remove: fixed slots
// of plain bytes, claimed and released with atomics, no allocation or lock.
struct InFlightSlot {
    std::atomic<int> state{0};  // 0 free, 1 being filled, 2 holds a path
    std::array<char, 4096> path{};
};
std::array<InFlightSlot, 64> inFlight;

enum SlotState : int { kFree = 0, kFilling = 1, kHeld = 2 };

int ClaimInFlightSlot(const std::filesystem::path& path) {
    const std::string native = path.string();
    for (std::size_t i = 0; i < inFlight.size(); ++i) {
        InFlightSlot& slot = inFlight[i];
        int expected = kFree;
        if (native.size() < slot.path.size() &&
            slot.state.compare_exchange_strong(expected, kFilling)) {
            std::copy(native.begin(), native.end(), slot.path.begin());
            slot.path.at(native.size()) = '\0';
            slot.state.store(kHeld);
            return static_cast<int>(i);
        }
    }
    return -1;  // no room: the file is still removed normally, only not by a signal
}

void ReleaseInFlightSlot(int slot) {
    if (slot >= 0) {
        inFlight.at(static_cast<std::size_t>(slot)).state.store(kFree);
    }
}

#ifndef _WIN32
extern "C" void RemoveFilesAndEnd(int signal) {
    RemoveFilesInFlight();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
#endif

}  // namespace

void RemoveFilesInFlight() noexcept {
    for (InFlightSlot& slot : inFlight) {
        if (slot.state.load() == kHeld) {
#ifdef _WIN32
            std::remove(slot.path.data());
#else
            unlink(slot.path.data());  // remove() is not async-signal-safe
#endif
        }
    }
}

void RemoveFilesInFlightOnSignals() {
#ifndef _WIN32
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, RemoveFilesAndEnd);
    }
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

std::string AtomicFile::RandomTempName() {
    thread_local std::mt19937_64 generator{std::random_device{}()};  // extraction runs in a pool
    constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    constexpr std::size_t kSuffixLength = 10;  // 36^10 names: a clash is a fluke
    std::string suffix(kSuffixLength, 'x');
    for (char& c : suffix) {
        c = kAlphabet[generator() % kAlphabet.size()];
    }
    return ".echodelve-" + suffix + ".part";
}

AtomicFile::AtomicFile(std::filesystem::path target, TempNames names)
    : target_(std::move(target)), names_(std::move(names)) {
    RefuseReadOnlyTarget();
    if (!OpenUnnamed()) {
        OpenNamed();
    }
}

bool AtomicFile::OpenUnnamed() {
#if defined(__linux__) && defined(O_TMPFILE)
    // The file is named through /proc; without it, a named temporary is used.
    static const bool canName = access("/proc/self/fd", X_OK) == 0;
    if (!canName) {
        return false;
    }
    const std::filesystem::path folder =
        target_.has_parent_path() ? target_.parent_path() : std::filesystem::path(".");
    const int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;  // a file system without unnamed files: the named way says why if it fails
    }
    file_ = fdopen(fd, "wb");
    if (file_ == nullptr) {
        const int error = errno;
        close(fd);
        Fail(error);
    }
    unnamed_ = true;
    return true;
#else
    return false;
#endif
}

void AtomicFile::OpenNamed() {
    const std::filesystem::path folder = target_.parent_path();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        temp_ = folder / names_();
        // "x": created here or not at all, never opened through whatever stands there.
        file_ = OpenFile(temp_, "wbx");
        if (file_ != nullptr) {
            // Only once it is ours: a signal must never remove someone else's file.
            inFlightSlot_ = ClaimInFlightSlot(temp_);
            return;
        }
        if (errno != EEXIST) {
            const int error = errno;
            temp_.clear();
            Fail(error);
        }
    }
    temp_.clear();
    Fail(EEXIST);
}

AtomicFile::~AtomicFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!temp_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(temp_, ignored);
    }
    ReleaseInFlightSlot(inFlightSlot_);
}

void AtomicFile::Fail(int error) {
    throw ArchiveError("Could not write '" + target_.string() + "': " + DescribeErrno(error) + ".");
}

void AtomicFile::RefuseReadOnlyTarget() const {
#ifndef _WIN32
    // A link at the target is replaced, not written through, so only a file
    // standing there itself is asked about.
    struct stat standing {};
    if (lstat(target_.c_str(), &standing) != 0) {
        return;
    }
    // A pipe, a device or a folder there is not a file to replace.
    if (!S_ISREG(standing.st_mode) && !S_ISLNK(standing.st_mode)) {
        throw ArchiveError("Could not write '" + target_.string() +
                           "': something other than a file is there, and it is left as it is.");
    }
    if (S_ISREG(standing.st_mode) && faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0 &&
        errno == EACCES) {
        throw ArchiveError("Could not write '" + target_.string() +
                           "': a file is there already that you may not change.");
    }
#endif
}

void AtomicFile::Write(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) {
        Fail(errno);
    }
}

void AtomicFile::WriteZeros(std::uint64_t count) {
    static const std::array<std::uint8_t, std::size_t{64} * 1024> kZeros{};
    while (count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kZeros.size()));
        Write(std::span(kZeros.data(), n));
        count -= n;
    }
}

void AtomicFile::LinkUnnamed() {
#if defined(__linux__) && defined(O_TMPFILE)
    const std::string self = "/proc/self/fd/" + std::to_string(fileno(file_));
    if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
        return;
    }
    if (errno != EEXIST) {
        Fail(errno);
    }
    const std::filesystem::path folder = target_.parent_path();
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::filesystem::path temp = folder / names_();
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temp_ = temp;
            inFlightSlot_ = ClaimInFlightSlot(temp_);
            return;
        }
        if (errno != EEXIST) {
            Fail(errno);
        }
    }
    Fail(EEXIST);
#endif
}

void AtomicFile::Commit() {
    if (std::fflush(file_) != 0) {
        Fail(errno);
    }
    RefuseReadOnlyTarget();  // made read-only while this was written
    if (unnamed_) {
        LinkUnnamed();
    }
    const int closed = std::fclose(file_);
    const int closeError = errno;
    file_ = nullptr;
    if (closed != 0) {
        if (unnamed_ && temp_.empty()) {
            std::error_code ignored;
            std::filesystem::remove(target_, ignored);  // named already: it must not stay half
        }
        Fail(closeError);
    }
    if (!temp_.empty()) {
        std::error_code ec;
        std::filesystem::rename(temp_, target_, ec);
        if (ec) {
            throw ArchiveError("Could not write '" + target_.string() + "': " + ec.message() + ".");
        }
        temp_.clear();
    }
    ReleaseInFlightSlot(inFlightSlot_);
    inFlightSlot_ = -1;
}

}  // namespace echodelve
