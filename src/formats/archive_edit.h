#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "archive_decoder.h"

namespace echodelve {

// One change to an archive's sounds. Sounds are numbered as the archive was
// read, whatever the changes before.
struct EditOperation {
    enum class Kind { Replace, Add, Remove, Rename };
    Kind kind;
    std::vector<std::int32_t> numbers;  // the sounds it concerns; none for Add
    std::filesystem::path file;         // the new sound, for Replace and Add
    std::string name;                   // the new name (UTF-8), for Rename
};

// Writes `archive` with the operations applied, in the order given, as a new
// archive of its kind at `output` (atomically: whole or not at all). Sounds
// not touched are copied as they stand. Every new sound must be a complete
// RIFF/WAVE file that decodes; names must be ones the kind holds, and not
// repeat (ignoring case) where the kind keeps names. Throws ArchiveError
// saying what is refused, before anything is written; `output` may not be
// the archive itself.
void WriteEditedArchive(const ArchiveDecoder& archive, std::span<const EditOperation> operations,
                        const std::filesystem::path& output);

}  // namespace echodelve
