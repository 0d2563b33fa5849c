#include "file_io.h"

#include <algorithm>

#include <string>

#ifdef __linux__
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

int SeekFile(std::FILE* file, std::int64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET);
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
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
    // stdio's idea of the position must follow what the kernel wrote.
    fseeko(to, 0, SEEK_END);
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
