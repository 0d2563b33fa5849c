#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>

// The few stdio calls whose spelling differs between platforms.
namespace echodelve {

// fopen with a path in the platform's native encoding; sets errno on failure.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// Opens an existing file for reading only if it is a regular file: a folder,
// a pipe or a device is refused without blocking (errno EISDIR for a folder,
// ENODEV for anything else). Sets errno and returns null on failure.
std::FILE* OpenRegularFileForReading(const std::filesystem::path& path);

// The size of an open file in bytes; -1 (errno set) on failure.
std::int64_t OpenFileSize(std::FILE* file);

// Reads up to out.size() bytes at `offset`, fewer only at the end of the
// file; returns how many, or -1 (errno set) on failure. Where the platform
// can, one positioned read without stdio's buffer: archives are read at
// scattered offsets, each read a new file open.
std::int64_t ReadFileAt(std::FILE* file, std::int64_t offset, std::span<std::uint8_t> out);

// Appends up to `count` bytes of `from`, starting at `offset`, to `to` without
// passing them through user space, where the platform can. Returns how many
// bytes it copied: fewer at the end of `from`, 0 where it cannot copy this
// way. Callers copy the rest themselves, which also reports any error.
std::uint64_t CopyInKernel(std::FILE* from, std::int64_t offset, std::FILE* to,
                           std::uint64_t count);

}  // namespace echodelve
