#include "file_io.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace echodelve {

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::FILE* OpenRegularFileForReading(const std::filesystem::path& path) {
#ifdef _WIN32
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        errno = std::filesystem::is_directory(status) ? EISDIR : ENODEV;
        return nullptr;
    }
    return OpenFile(path, "rb");
#else
    // Non-blocking, so opening a pipe with no writer does not wait for one.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : ENODEV;
        close(fd);
        errno = error;
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "rb");
    if (file == nullptr) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return file;
#endif
}

std::int64_t OpenFileSize(std::FILE* file) {
#ifdef _WIN32
    struct _stat64 info {};
    return _fstat64(_fileno(file), &info) == 0 ? info.st_size : -1;
#else
    struct stat info {};
    return fstat(fileno(file), &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
#endif
}

std::int64_t ReadFileAt(std::FILE* file, std::int64_t offset, std::span<std::uint8_t> out) {
#ifdef _WIN32
    if (_fseeki64(file, offset, SEEK_SET) != 0) {
        return -1;
    }
    const std::size_t got = std::fread(out.data(), 1, out.size(), file);
    return got < out.size() && std::ferror(file) != 0 ? -1 : static_cast<std::int64_t>(got);
#else
    const int fd = fileno(file);
    std::size_t got = 0;
    while (got < out.size()) {
        const ssize_t n = pread(fd, out.data() + got, out.size() - got,
                                static_cast<off_t>(offset + static_cast<std::int64_t>(got)));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;  // the end of the file
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(got);
#endif
}

std::uint64_t CopyInKernel(std::FILE* from, std::int64_t offset, std::FILE* to,
                           std::uint64_t count) {
#ifdef __linux__
    if (std::fflush(to) != 0) {
        return 0;
    }
    std::uint64_t copied = 0;
    auto in = static_cast<off_t>(offset);
    while (copied < count) {
        const auto chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(count - copied, 1u << 30));
        const ssize_t n = copy_file_range(fileno(from), &in, fileno(to), nullptr, chunk, 0);
        if (n <= 0) {
            break;  // the end of `from`, or a file system that cannot: the caller goes on
        }
        copied += static_cast<std::uint64_t>(n);
    }
    // stdio's idea of the position must follow what the kernel wrote, for
    // whatever the caller writes next.
    if (copied > 0) {
        fseeko(to, 0, SEEK_END);
    }
    return copied;
#else
    (void)from;
    (void)offset;
    (void)to;
    (void)count;
    return 0;
#endif
}

}  // namespace echodelve
