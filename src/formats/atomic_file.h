#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace echodelve {

// Writes a file so that it either appears complete under its name or not at
// all: the bytes go to a file in the target's folder that has no name yet
// (Linux's O_TMPFILE), or else to a temporary file there, and Commit() gives
// it the target's name. A file already at the target stays untouched until
// then, and a symbolic link at the target is replaced, never written through.
// A file at the target that the user may not write is refused (as cp without
// -f refuses it), although the rename could replace it, and so is anything
// there that is neither a file nor a link (a pipe, a device): opening fails
// with ArchiveError and leaves it as it is; the same is checked again at Commit().
// Destroying an uncommitted AtomicFile removes what it wrote; an unnamed file
// vanishes even when the process is killed outright.
class AtomicFile {
  public:
    // Gives a name for the temporary file on each call; a name already taken
    // (by a file, a link, anything) is never opened, the next one is tried.
    using TempNames = std::function<std::string()>;
    // ".echodelve-" + 10 random letters and digits + ".part": short, so a
    // target name near the length limit still leaves room for it.
    static std::string RandomTempName();

    explicit AtomicFile(std::filesystem::path target, TempNames names = RandomTempName);
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
    void RefuseReadOnlyTarget() const;
    bool OpenUnnamed();
    void OpenNamed();
    // Names the unnamed file: at the target if nothing stands there, else at
    // a temporary name that the rename then puts over the target.
    void LinkUnnamed();

    std::filesystem::path target_;
    TempNames names_;
    std::filesystem::path temp_;  // the temporary file's name, while it has one
    bool unnamed_ = false;
    std::FILE* file_ = nullptr;
    int inFlightSlot_ = -1;  // where RemoveFilesInFlight finds temp_, -1 if nowhere
};

// Removes the temporary file of every AtomicFile not yet committed or
// destroyed. Async-signal-safe: for a handler of a signal that ends the process.
void RemoveFilesInFlight() noexcept;

// For a program's main(): SIGINT, SIGTERM and SIGHUP remove the files in
// flight, then end the process as the signal would (status 128 + signal);
// SIGXFSZ is ignored, so an exceeded file-size limit fails the write (EFBIG)
// with a message instead of killing the process with a half file.
void RemoveFilesInFlightOnSignals();

}  // namespace echodelve
