#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>

namespace echodelve {

// Read-only access to an archive, holding it open only for this object's life.
// A missing file reads as empty and is never created; bytes at or past the end
// of the file read as zero. A folder, pipe or device is refused at once (never
// waited on), and any other failure to open or read throws ArchiveError
// naming the file.
class ArchiveReader {
  public:
    explicit ArchiveReader(const std::filesystem::path& path);
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Fills `out` with the bytes at `offset` (which must not be negative).
    void ReadAt(std::int64_t offset, std::span<std::uint8_t> out);
    // The open file, or null for a missing archive.
    std::FILE* Handle() const { return file_; }
    // The archive's size in bytes; nullopt for a missing archive.
    std::optional<std::int64_t> Size() const;

  private:
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;   // null for a missing archive
    std::int64_t position_ = -1;  // where the next read starts, -1 when unknown
};

// One read with the archive opened and closed around it.
void ReadArchiveBytes(const std::filesystem::path& path, std::int64_t offset,
                      std::span<std::uint8_t> out);

// The file system's description of the error in errno, for messages.
std::string DescribeErrno(int error);

}  // namespace echodelve
