#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "sound_catalogue.h"
#include "ui_hooks.h"

namespace echodelve {

inline constexpr std::int64_t kWadRecordBytes = 268;
inline constexpr std::int64_t kWadNameBytes = 260;
// The scan stops with kWadHeaderWarning once a record past this offset is read.
inline constexpr std::int64_t kWadDirectoryLimit = 80000;
inline constexpr std::string_view kWadHeaderWarning =
    "Error On Open, Header Size Is Greater Than 80K Or Invalid Format.  Displaying What I Have "
    "So Far.";

// Reads WAD archives: a directory of 268-byte records (name, size, offset)
// before the stored files. The directory has no count: it ends where the first
// sound's data begin, or with a warning once the scan passes 80000 bytes.
class wadDecoder {
  public:
    explicit wadDecoder(UiHooks& ui) : ui_(ui) {}

    // Replaces the catalogue when the decode ends (at the directory's end or
    // at the limit, after the warning); a missing archive reads as empty.
    // Throws ArchiveError when the archive cannot be read or is not a file,
    // leaving the catalogue (path, count and slots) as it was.
    void DecodeWad(const std::filesystem::path& path);

    std::int32_t GetWadCount() const { return catalogue_.count; }
    const std::string& GetWadName(std::int64_t number) const {
        return catalogue_.Slot(number).name;
    }
    std::int64_t GetWadSize(std::int64_t number) const { return catalogue_.Slot(number).size; }
    // See ExtractCataloguedSound.
    bool ExtractWadSound(const std::filesystem::path& output, std::int64_t number);

    const SoundCatalogue& Catalogue() const { return catalogue_; }

  private:
    UiHooks& ui_;
    SoundCatalogue catalogue_;
};

}  // namespace echodelve
