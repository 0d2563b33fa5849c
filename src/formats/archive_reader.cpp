#include "archive_reader.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>

#include "errors.h"
#include "file_io.h"

namespace echodelve {

std::string DescribeErrno(int error) {
    return std::generic_category().message(error);
}

ArchiveReader::ArchiveReader(const std::filesystem::path& path) : path_(path) {
    file_ = OpenRegularFileForReading(path);
    if (file_ == nullptr) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return;  // reads as empty
        }
        if (error == EISDIR || error == ENODEV) {
            throw ArchiveError("Could not open the archive '" + path.string() + "': it is " +
                               (error == EISDIR ? "a folder" : "a device, pipe or socket") +
                               ", not a file.");
        }
        throw ArchiveError("Could not open the archive '" + path.string() +
                           "': " + DescribeErrno(error) + ".");
    }
}

ArchiveReader::~ArchiveReader() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

void ArchiveReader::ReadAt(std::int64_t offset, std::span<std::uint8_t> out) {
    if (offset < 0) {
        throw ArchiveError("Could not read the archive '" + path_.string() +
                           "': a read was asked to start before its first byte (offset " +
                           std::to_string(offset) + ").");
    }
    std::size_t got = 0;
    if (file_ != nullptr && !out.empty()) {
        if (position_ != offset && SeekFile(file_, offset) != 0) {
            const int error = errno;
            position_ = -1;
            throw ArchiveError("Could not read the archive '" + path_.string() +
                               "': " + DescribeErrno(error) + ".");
        }
        got = std::fread(out.data(), 1, out.size(), file_);
        if (got < out.size() && std::ferror(file_) != 0) {
            const int error = errno;
            position_ = -1;
            throw ArchiveError("Could not read the archive '" + path_.string() +
                               "': " + DescribeErrno(error) + ".");
        }
        position_ = offset + static_cast<std::int64_t>(got);
        if (got < out.size()) {
            // At the end: the next read has to seek again to clear the EOF state.
            position_ = -1;
        }
    }
    std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), std::uint8_t{0});
}

std::optional<std::int64_t> ArchiveReader::Size() const {
    if (file_ == nullptr) {
        return std::nullopt;
    }
    const std::int64_t size = OpenFileSize(file_);
    if (size < 0) {
        throw ArchiveError("Could not read the size of the archive '" + path_.string() +
                           "': " + DescribeErrno(errno) + ".");
    }
    return size;
}

void ReadArchiveBytes(const std::filesystem::path& path, std::int64_t offset,
                      std::span<std::uint8_t> out) {
    ArchiveReader reader(path);
    reader.ReadAt(offset, out);
}

}  // namespace echodelve
