#pragma once

#include <QLatin1StringView>
#include <QString>
#include <optional>

#include "formats/archive_decoder.h"

// The procedure codes the commands store and the dispatcher runs, compared
// exactly, spelt once.
namespace echodelve::app::codes {

inline constexpr QLatin1StringView kSfxFile{"sfxfile"};
inline constexpr QLatin1StringView kWadFile{"wadfile"};
inline constexpr QLatin1StringView kSaveFile{"savefile"};
inline constexpr QLatin1StringView kSaveAllFile{"saveallfile"};
// Edits of the listed archive, and writing it again.
inline constexpr QLatin1StringView kReplaceFile{"replacefile"};
inline constexpr QLatin1StringView kAddFile{"addfile"};
inline constexpr QLatin1StringView kRemoveFile{"removefile"};
inline constexpr QLatin1StringView kRenameFile{"renamefile"};
inline constexpr QLatin1StringView kSaveArchiveFile{"savearchivefile"};

// The archive kind a listing code opens; nullopt for any other code.
inline std::optional<ArchiveKind> ListingKind(const QString& code) {
    if (code == kSfxFile) {
        return ArchiveKind::Sfx;
    }
    if (code == kWadFile) {
        return ArchiveKind::Wad;
    }
    return std::nullopt;
}

// "savefile" and "saveallfile": the codes after which a folder may be shown.
inline bool IsSave(const QString& code) {
    return code == kSaveFile || code == kSaveAllFile;
}

}  // namespace echodelve::app::codes
