#include "atomic_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "archive_reader.h"
#include "errors.h"
#include "file_io.h"

namespace echodelve {

std::string AtomicFile::RandomTempName() {
    static std::mt19937_64 generator{std::random_device{}()};
    constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(10, 'x');
    for (char& c : suffix) {
        c = kAlphabet[generator() % kAlphabet.size()];
    }
    return ".echodelve-" + suffix + ".part";
}

AtomicFile::AtomicFile(std::filesystem::path target, const TempNames& names)
    : target_(std::move(target)) {
    const std::filesystem::path folder = target_.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_ = folder / names();
        // "x": created here or not at all, never opened through whatever stands there.
        file_ = OpenFile(temp_, "wbx");
        if (file_ != nullptr) {
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
}

void AtomicFile::Fail(int error) {
    throw ArchiveError("Could not write '" + target_.string() + "': " + DescribeErrno(error) + ".");
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

void AtomicFile::Commit() {
    const int flushed = std::fflush(file_);
    const int flushError = errno;
    const int closed = std::fclose(file_);
    const int closeError = errno;
    file_ = nullptr;
    if (flushed != 0) {
        Fail(flushError);
    }
    if (closed != 0) {
        Fail(closeError);
    }
    std::error_code ec;
    std::filesystem::rename(temp_, target_, ec);
    if (ec) {
        throw ArchiveError("Could not write '" + target_.string() + "': " + ec.message() + ".");
    }
    temp_.clear();
}

}  // namespace echodelve
