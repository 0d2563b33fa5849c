#include "byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "errors.h"
#include "file_io.h"

namespace echodelve {

namespace {

void CheckOffset(const ByteSource& source, std::int64_t offset) {
    if (offset < 0) {
        throw ArchiveError("Could not read the archive '" + source.Describe() +
                           "': a read was asked to start before its first byte (offset " +
                           std::to_string(offset) + ").");
    }
}

// An open archive file; a missing one reads as empty.
class FileReader : public ByteReader {
  public:
    explicit FileReader(const FileSource& source) : source_(source) {
        file_ = OpenRegularFileForReading(source.Path());
        if (file_ != nullptr) {
            return;
        }
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return;  // reads as empty
        }
        if (error == EISDIR || error == ENODEV) {
            throw ArchiveError("Could not open the archive '" + source.Describe() + "': it is " +
                               (error == EISDIR ? "a folder" : "a device, pipe or socket") +
                               ", not a file.");
        }
        throw ArchiveError("Could not open the archive '" + source.Describe() +
                           "': " + DescribeErrno(error) + ".");
    }
    ~FileReader() override {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    void ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
        CheckOffset(source_, offset);
        std::size_t got = 0;
        if (file_ != nullptr && !out.empty()) {
            const std::int64_t read = ReadFileAt(file_, offset, out);
            if (read < 0) {
                Fail(errno);
            }
            got = static_cast<std::size_t>(read);
        }
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), std::uint8_t{0});
    }

    std::optional<std::int64_t> Size() const override {
        if (file_ == nullptr) {
            return std::nullopt;
        }
        const std::int64_t size = OpenFileSize(file_);
        if (size < 0) {
            throw ArchiveError("Could not read the size of the archive '" + source_.Describe() +
                               "': " + DescribeErrno(errno) + ".");
        }
        return size;
    }

    std::FILE* Handle() const override { return file_; }

  private:
    [[noreturn]] void Fail(int error) {
        throw ArchiveError("Could not read the archive '" + source_.Describe() +
                           "': " + DescribeErrno(error) + ".");
    }

    const FileSource& source_;
    std::FILE* file_ = nullptr;  // null for a missing archive
};

class MemoryReader : public ByteReader {
  public:
    MemoryReader(const ByteSource& source, std::span<const std::uint8_t> bytes)
        : source_(source), bytes_(bytes) {}

    void ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
        CheckOffset(source_, offset);
        const auto start = static_cast<std::size_t>(
            std::min<std::int64_t>(offset, static_cast<std::int64_t>(bytes_.size())));
        const std::size_t got = std::min(out.size(), bytes_.size() - start);
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(start), got, out.begin());
        std::fill(out.begin() + static_cast<std::ptrdiff_t>(got), out.end(), std::uint8_t{0});
    }
    std::optional<std::int64_t> Size() const override {
        return static_cast<std::int64_t>(bytes_.size());
    }

  private:
    const ByteSource& source_;
    std::span<const std::uint8_t> bytes_;
};

}  // namespace

void ByteSource::ReadAt(std::int64_t offset, std::span<std::uint8_t> out) const {
    Open()->ReadAt(offset, out);
}

std::string ByteSource::Describe() const {
    return Path().empty() ? std::string("(memory)") : Path().string();
}

std::unique_ptr<ByteReader> FileSource::Open() const {
    return std::make_unique<FileReader>(*this);
}

std::unique_ptr<ByteReader> MemorySource::Open() const {
    return std::make_unique<MemoryReader>(*this, bytes_);
}

const std::filesystem::path& MemorySource::Path() const {
    static const std::filesystem::path kNone;
    return kNone;
}

std::string DescribeErrno(int error) {
    return std::generic_category().message(error);
}

}  // namespace echodelve
