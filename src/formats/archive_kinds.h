#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "archive_decoder.h"
#include "archive_writers.h"
#include "byte_source.h"
#include "salvage.h"
#include "ui_hooks.h"

namespace echodelve {

// What is special to one kind of archive, said once: everything else (the
// tool's options and messages, the health check, the program's open) reads
// it from here.
struct ArchiveKindInfo {
    ArchiveKind kind;
    std::string_view name;       // "sfx": the --kind value and the JSON "kind"
    std::string_view extension;  // ".sfx", matched in any letter case
    // The program's limit on this kind ("1000 SFX sounds"), for help and messages.
    std::string limit;
    // Names and sizes stand in a directory beside the sounds, so they may
    // repeat, and a size may disagree with the sound's own RIFF header.
    bool hasDirectory;
    std::unique_ptr<ArchiveDecoder> (*makeDecoder)(UiHooks& ui);
    // Whether the content shows this kind: `start` holds the first bytes of
    // an archive of `size` bytes (zeros past its end).
    bool (*looksLike)(std::span<const std::uint8_t> start, std::int64_t size);
    // Where the archive's directory ends (0 for none): its bytes are no sound's.
    std::int64_t (*directoryEnd)(const ArchiveDecoder& archive, bool cutAtLimit,
                                 std::int64_t archiveSize);
    // Writes an archive of this kind; see WriteSfxArchive, WriteWadArchive
    // and WriteDoomArchive. `from` is the catalogue of the archive edited,
    // null for a new one.
    void (*write)(const std::filesystem::path& output, const std::vector<PackMember>& members,
                  const BeforeCommit& beforeCommit, const SoundCatalogue* from);
    // Reads a damaged archive past where it breaks; see Salvage.
    SalvagedCatalogue (*salvage)(const std::shared_ptr<const ByteSource>& source,
                                 const SoundCatalogue* read, std::int32_t maxSounds);
    // Each listed sound's name as the archive holds it, for an edit that
    // keeps it (see PackMember::nameField); none where names are not stored.
    std::vector<std::vector<std::uint8_t>> (*nameFields)(const ArchiveDecoder& archive);
    // What is wrong with where the listed sounds are stored, beyond what the
    // check reads in their bytes (a Doom WAD's lumps over its directory), per
    // sound number.
    std::vector<std::pair<std::int32_t, std::string>> (*storageProblems)(
        const ArchiveDecoder& archive);
    // Known by a magic number at its start, which claims a file before its
    // extension does (a Doom WAD named *.wad, like a WAD archive).
    bool byMagic = false;
};

// Every kind, in the order they are tried on content and listed in help.
std::span<const ArchiveKindInfo> ArchiveKinds();
const ArchiveKindInfo& Describe(ArchiveKind kind);

// The kind called `name` ("sfx", "WAD"), in any letter case.
std::optional<ArchiveKind> KindNamed(std::string_view name);
// The kinds' names joined: "sfx or wad", "sfx|wad".
std::string KindNames(std::string_view separator);
// Every kind's limit: "1000 SFX sounds, an 80000-byte WAD directory"
// (a kind without one, left out).
std::string KindLimits();

}  // namespace echodelve
