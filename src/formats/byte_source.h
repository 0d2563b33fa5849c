#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace echodelve {

// An archive's bytes opened for one step (a directory record, a sound), and
// closed when this goes: archives are never held open across a wait.
class ByteReader {
  public:
    virtual ~ByteReader() = default;
    ByteReader() = default;
    ByteReader(const ByteReader&) = delete;
    ByteReader& operator=(const ByteReader&) = delete;

    // Fills `out` with the bytes at `offset` (not negative); bytes at or past
    // the end read as zero. Throws ArchiveError when the bytes cannot be read.
    virtual void ReadAt(std::int64_t offset, std::span<std::uint8_t> out) = 0;
    // The number of bytes; nullopt where there is nothing (a missing file).
    virtual std::optional<std::int64_t> Size() const = 0;
    // The open file, for copies inside the kernel; null where there is none.
    virtual std::FILE* Handle() const { return nullptr; }
};

// Where an archive's bytes come from: a file, opened anew for every step, or
// bytes in memory (the fuzzers and pure decoding tests).
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Throws ArchiveError for a file that cannot be opened, or that is a
    // folder, pipe or device (refused at once, never waited on). A missing
    // file opens as empty, with no size, and is never created.
    virtual std::unique_ptr<ByteReader> Open() const = 0;
    // The file behind the bytes, empty for bytes in memory: for messages, and
    // so that nothing is ever written over the archive itself.
    virtual const std::filesystem::path& Path() const = 0;

    // One read with the source opened and closed around it.
    void ReadAt(std::int64_t offset, std::span<std::uint8_t> out) const;
    // The path for messages: the file's, or "(memory)".
    std::string Describe() const;
};

class FileSource : public ByteSource {
  public:
    explicit FileSource(std::filesystem::path path) : path_(std::move(path)) {}
    std::unique_ptr<ByteReader> Open() const override;
    const std::filesystem::path& Path() const override { return path_; }

  private:
    std::filesystem::path path_;
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::unique_ptr<ByteReader> Open() const override;
    const std::filesystem::path& Path() const override;

  private:
    std::vector<std::uint8_t> bytes_;
};

// The file system's description of the error in errno, for messages.
std::string DescribeErrno(int error);

}  // namespace echodelve
