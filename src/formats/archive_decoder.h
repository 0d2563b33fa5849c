#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "byte_source.h"
#include "sound_catalogue.h"
#include "sound_stream.h"
#include "ui_hooks.h"

namespace echodelve {

enum class ArchiveKind { Sfx, Wad, Doom };

// How a decode that did not fail ended.
struct DecodeOutcome {
    // The scan stopped at the format's limit (the WAD directory's 80000
    // bytes), or without limits at the archive's end, before the directory
    // ended; the catalogue holds what was found before that.
    bool cutAtLimit = false;
};

// What every archive format offers: decode into a catalogue, read it, and
// extract its sounds. Each decoder holds the catalogue of its last decode.
class ArchiveDecoder {
  public:
    explicit ArchiveDecoder(UiHooks& ui) : ui_(ui) {}
    virtual ~ArchiveDecoder() = default;
    ArchiveDecoder(const ArchiveDecoder&) = delete;
    ArchiveDecoder& operator=(const ArchiveDecoder&) = delete;

    virtual ArchiveKind Kind() const = 0;
    // Whether a decode keeps to the program's limits (1000 SFX sounds, an
    // 80000-byte WAD directory), as it does unless told otherwise.
    void SetLimits(bool apply) { limits_ = apply; }
    bool Limited() const { return limits_; }
    // Replaces the catalogue when the decode completes; a decode that throws
    // ArchiveError leaves the catalogue (source, count and slots) as it was.
    virtual DecodeOutcome Decode(std::shared_ptr<const ByteSource> source) = 0;
    // The same for an archive file, opened anew for every step of the decode.
    DecodeOutcome Decode(const std::filesystem::path& archive);

    std::int32_t Count() const { return catalogue_.count; }
    // Throws ArchiveError for a number outside 1..1000.
    const SoundEntry& Entry(std::int64_t number) const { return catalogue_.Slot(number); }
    // See ExtractCataloguedSound.
    bool Extract(const std::filesystem::path& output, std::int64_t number);
    // What sound `number` is (encoding, rate, channels, length), or why that
    // cannot be told. Reads the sound's bytes in the archive; writes nothing.
    DetailsOrProblem Details(std::int64_t number) const;
    const SoundCatalogue& Catalogue() const { return catalogue_; }
    // Takes a catalogue read another way (a salvage of a damaged archive).
    void Adopt(SoundCatalogue catalogue) { catalogue_ = std::move(catalogue); }

  protected:
    UiHooks& Ui() { return ui_; }
    // Called by a decode that completed.
    void Replace(SoundCatalogue decoded) { catalogue_ = std::move(decoded); }

  private:
    UiHooks& ui_;
    SoundCatalogue catalogue_;
    bool limits_ = true;
};

// The decoder of an archive kind (archive_kinds.h says which).
std::unique_ptr<ArchiveDecoder> MakeDecoder(ArchiveKind kind, UiHooks& ui);

// The kind a file's extension names, in any letter case (".sfx", ".WAD").
std::optional<ArchiveKind> KindFromName(const std::filesystem::path& archive);

// The kind an archive's content shows, for a file named without .sfx or
// .wad: "IWAD" or "PWAD" at its start is a Doom WAD; "RIFF" an SFX archive;
// a first record that names a sound (a "." before its zero byte) whose bytes
// begin after the record and end within the archive is a WAD archive;
// anything else, nullopt. Throws ArchiveError when the file cannot be read.
std::optional<ArchiveKind> DetectKind(const ByteSource& source);

// The kind of an archive file: one its content shows by a magic number
// (a Doom WAD's), whatever its name; else the one its extension names; else
// what DetectKind makes of it. Nullopt when none; throws ArchiveError when
// the file cannot be read.
std::optional<ArchiveKind> KindOfFile(const std::filesystem::path& archive);

// A kind listed as `named` whose content shows a kind known by its magic
// number and sharing its extension ("&WAD Open" of a Doom WAD): that kind;
// else `named`. A file that cannot be read stays `named`, whose reading says why.
ArchiveKind ClaimedByContent(ArchiveKind named, const std::filesystem::path& archive);

// "sfx", "wad" or "doom".
const char* KindName(ArchiveKind kind);

}  // namespace echodelve
