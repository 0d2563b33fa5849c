#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>

// The few stdio calls whose spelling differs between platforms.
namespace echodelve {

// fopen with a path in the platform's native encoding; sets errno on failure.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

// A 64-bit fseek from the start of the file; 0 on success.
int SeekFile(std::FILE* file, std::int64_t offset);

}  // namespace echodelve
