#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace echodelve {

// Writes a file so that it either appears complete under its name or not at
// all: the bytes go to a temporary file in the target's folder, which Commit()
// renames over the target. A file already at the target stays untouched until
// then, and a symbolic link at the target is replaced, never written through.
// Destroying an uncommitted AtomicFile removes the temporary file.
class AtomicFile {
  public:
    // Gives a name for the temporary file on each call; a name already taken
    // (by a file, a link, anything) is never opened, the next one is tried.
    using TempNames = std::function<std::string()>;
    // ".echodelve-" + 10 random letters and digits + ".part": short, so a
    // target name near the length limit still leaves room for it.
    static std::string RandomTempName();

    explicit AtomicFile(std::filesystem::path target, const TempNames& names = RandomTempName);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    void Write(std::span<const std::uint8_t> bytes);
    // Appends `count` zero bytes.
    void WriteZeros(std::uint64_t count);
    void Commit();
    std::FILE* Handle() const { return file_; }

    const std::filesystem::path& Target() const { return target_; }

  private:
    [[noreturn]] void Fail(int error);

    std::filesystem::path target_;
    std::filesystem::path temp_;
    std::FILE* file_ = nullptr;
};

}  // namespace echodelve
