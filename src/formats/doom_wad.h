#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "archive_decoder.h"
#include "archive_writers.h"
#include "salvage.h"

namespace echodelve {

// The Doom-engine WAD: "IWAD" or "PWAD", a lump count and the offset of a
// directory of 16-byte entries (offset, size, 8-byte name). Its sound effects
// are lumps in the DMX format: format 3, a 16-bit rate, a 32-bit sample
// count, then unsigned 8-bit mono samples, by convention with 16 samples of
// padding at each end.
namespace doom {
inline constexpr std::int64_t kHeaderBytes = 12;
inline constexpr std::int64_t kEntryBytes = 16;
inline constexpr std::size_t kNameBytes = 8;
inline constexpr std::int64_t kDmxHeaderBytes = 8;
inline constexpr std::uint16_t kDmxFormat = 3;
// The game skips this many samples at each end of a sound longer than
// kShortestPlayed samples, and plays no shorter one.
inline constexpr std::int64_t kDmxPadding = 16;
inline constexpr std::int64_t kShortestPlayed = 49;
inline constexpr std::int64_t kMaxDmxRate = 65535;  // the rate field's 16 bits

using LumpName = std::array<std::uint8_t, kNameBytes>;

struct Lump {
    LumpName name{};
    std::int64_t offset = 0;
    std::int64_t size = 0;
};

// Whether `start` (at least 4 bytes of a file) begins "IWAD" or "PWAD".
bool HasMagic(std::span<const std::uint8_t> start);

// The rate a new sound of `rate` is stored at: its own where the 16-bit
// field holds it, else halved until it does.
int StoredRate(int rate);

// A lump's name as text: its bytes up to the first zero, Windows-1252.
std::string LumpText(const LumpName& name);
}  // namespace doom

// Reads Doom-engine WADs. Each sound lump is presented as a WAV file (8-bit
// PCM mono at its rate, without the padding the game skips), so listing,
// details, preview and extraction read it as they read any sound; a lump
// that is a WAV file already is presented as it stands, and one named like
// a sound ("DS...") in another format libsndfile reads (Ogg, FLAC) as 16-bit
// PCM. Sounds are named after their lumps: "DSPISTOL.wav".
class DoomWadDecoder : public ArchiveDecoder {
  public:
    explicit DoomWadDecoder(UiHooks& ui) : ArchiveDecoder(ui) {}

    ArchiveKind Kind() const override { return ArchiveKind::Doom; }
    // Lists every sound; the program's limits do not apply. Throws
    // ArchiveError for a file without the magic, a negative lump count, a
    // directory or a lump reaching past the file's end.
    DecodeOutcome Decode(std::shared_ptr<const ByteSource> source) override;
    using ArchiveDecoder::Decode;
};

// Each listed sound's lump name as the WAD holds it (8 bytes), for an edit
// that keeps it; none for a catalogue of another kind.
std::vector<std::vector<std::uint8_t>> DoomNameFields(const ArchiveDecoder& archive);

// What is wrong with where the listed sounds' lumps lie in the file: inside
// its header or directory, or over another sound's lump; per sound number.
std::vector<std::pair<std::int32_t, std::string>> DoomLumpProblems(const ArchiveDecoder& archive);

// The sounds of a damaged Doom WAD that can still be read: the directory
// entries that lie within the file, and of them the sound lumps that do.
// Throws ArchiveError only when the file cannot be read.
// Those the plain reading (`read`, null when it failed) did not list are
// marked salvaged.
SalvagedCatalogue SalvageDoomWad(const std::shared_ptr<const ByteSource>& source,
                                 const SoundCatalogue* read, std::int32_t maxSounds);

// Writes a Doom WAD. `from` is the catalogue of the WAD being edited, or
// null for a new PWAD of the members alone. Every lump of `from` that is not
// one of its listed sounds is written byte for byte, in its place; the
// members take the places of its sound lumps in order, the rest following
// the last. A member kept from `from` is written as its lump stands; any
// other is converted to DMX (8-bit mono, at its own rate where the 16-bit
// field holds it, else halved until it does). A member with an 8-byte
// `nameField` keeps that name; any other is named after its file name
// without extension. Refuses a name that does not fit a lump (1 to 8
// characters, printable ASCII, no "." or "/") or that another lump has, a
// sound too short for the game to play, and a WAD past 2 GiB.
void WriteDoomArchive(const std::filesystem::path& output, const std::vector<PackMember>& members,
                      const BeforeCommit& beforeCommit, const SoundCatalogue* from);

}  // namespace echodelve
