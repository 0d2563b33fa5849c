#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive_decoder.h"

namespace echodelve {

// One change to an archive's sounds. Sounds are numbered as the archive was
// read, whatever the changes before.
struct EditOperation {
    enum class Kind { Replace, Add, Remove, Rename, Move };
    Kind kind;
    std::vector<std::int32_t> numbers;  // the sounds it concerns; none for Add
    std::filesystem::path file;         // the new sound, for Replace and Add
    std::string name;                   // the new name (UTF-8), for Rename
    std::int32_t position = 0;          // for Move: where the first sound moved goes, from 1
};

struct EditOptions {
    // A replacement is converted to the encoding, rate and channels of the
    // sound it replaces, and given that sound's loop scaled to its length.
    bool match = false;
    // The output may be the archive itself, or another file already there:
    // it is replaced whole, keeping its permissions, its old bytes kept as
    // OUTPUT.bak when `backup`.
    bool inPlace = false;
    bool backup = true;
};

struct EditReport {
    // What the user should know of an edit that was made: a replacement in
    // another format than the sound it replaced, say.
    std::vector<std::string> notes;
};

// Writes `archive` with the operations applied, in the order given, as a new
// archive of its kind at `output` (atomically: whole or not at all). Sounds
// not touched are copied byte for byte. Every new sound must be a complete
// RIFF/WAVE file that decodes; names must be ones the kind holds, and not
// repeat (ignoring case) where the kind keeps names. Throws ArchiveError
// saying what is refused, before anything is written. `output` may be the
// archive itself only with `options.inPlace`; the archive then stays whole
// under its name at every moment, the old one until the new one replaces it.
EditReport WriteEditedArchive(const ArchiveDecoder& archive,
                              std::span<const EditOperation> operations,
                              const std::filesystem::path& output, const EditOptions& options = {});

// Where an edit in place keeps the archive's old bytes: ARCHIVE.bak.
std::filesystem::path BackupPath(const std::filesystem::path& archive);

}  // namespace echodelve
