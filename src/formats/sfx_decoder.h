#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "archive_decoder.h"
#include "riff.h"

namespace echodelve {

// The SFX format: complete RIFF files laid end to end, with no directory.
namespace sfx {
// Each entry: a 4-byte chunk tag, then the 4-byte RIFF length L of what follows.
inline constexpr std::int64_t kLengthField = riff::kLengthField;
inline constexpr std::int64_t kFieldBytes = riff::kFieldBytes;
// An entry is L + 8 bytes long: its tag and length field included.
inline constexpr std::int64_t kChunkHeaderBytes = riff::kChunkHeaderBytes;
// A length field of four zero bytes ends the archive.
inline constexpr std::int32_t kMaxSounds = kCatalogueSlots;
}  // namespace sfx

// Reads SFX archives. The walk goes from one RIFF length field to the next and
// names the sounds edsnd001.wav, edsnd002.wav ... by position.
class SfxDecoder : public ArchiveDecoder {
  public:
    explicit SfxDecoder(UiHooks& ui) : ArchiveDecoder(ui) {}

    ArchiveKind Kind() const override { return ArchiveKind::Sfx; }
    // Throws ArchiveError when the archive does not exist or is not a file,
    // when a length field sends the walk outside the signed 32-bit range or
    // before the start, or at a 1001st sound.
    DecodeOutcome Decode(std::shared_ptr<const ByteSource> source) override;
    using ArchiveDecoder::Decode;

    // The names the program has always used for these operations.
    void DecodeSfx(const std::filesystem::path& path) { Decode(path); }
    std::int32_t GetSfxCount() const { return Count(); }
    const std::string& GetSfxName(std::int64_t number) const { return Entry(number).name; }
    std::int64_t GetSfxSize(std::int64_t number) const { return Entry(number).size; }
    bool ExtractSfxSound(const std::filesystem::path& output, std::int64_t number) {
        return Extract(output, number);
    }
};

// "edsnd" + the number zero-padded to three digits + ".wav".
std::string SfxSoundName(std::int32_t number);

}  // namespace echodelve
