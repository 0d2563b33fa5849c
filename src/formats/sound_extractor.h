#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

#include "sound_catalogue.h"
#include "ui_hooks.h"

namespace echodelve {

// Writes sound `number` of `catalogue` to `output` exactly as it stands in the
// archive, bytes past the archive's end as zeros. A sound that does not begin
// with "RIFF" is written only if the user agrees (UiHooks::SaveSoundThatIsNotRiff); returns whether
// the file was written. The copy goes through a bounded buffer whatever the size, and a failed
// write leaves nothing behind and any earlier file untouched. Throws SoundRefused, writing nothing,
// for a negative size or offset or a size larger than the whole archive; ArchiveError for an
// output that is the archive itself and any failure to read or write.
// The archive is opened for the step and closed while a question waits;
// a run of many sounds that asks no one may pass it `opened` once instead.
bool ExtractCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                            const std::filesystem::path& output, UiHooks& ui,
                            ByteReader* opened = nullptr);

// Hands sound `number`'s bytes to `sink` in bounded pieces, as extraction
// would write them (bytes past the archive's end as zeros), for a pipe.
// Refuses what extraction refuses, before any byte is handed on; asks no
// question. Throws ArchiveError.
void CopyCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                         const std::function<void(std::span<const std::uint8_t>)>& sink);

// What a sound can be converted to.
enum class ConvertTo { Pcm16Wav, Flac, OggVorbis };
// ".wav", ".flac" or ".ogg".
std::string ConvertedExtension(ConvertTo to);

// Writes sound `number` decoded and encoded anew by libsndfile, for tools
// that do not read the encoding it is stored in. Refuses what extraction
// refuses; throws UndecodableSound, writing nothing, for a sound libsndfile
// cannot decode (one that does not begin with "RIFF" included), and
// ArchiveError for a failure to read or write. Never leaves a half file.
void ConvertCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number,
                            const std::filesystem::path& output, ConvertTo to);
// The same, its whole encoded file handed to `sink` in one piece once it is
// complete (for a pipe, which cannot be gone back over for a header).
void ConvertCataloguedSound(const SoundCatalogue& catalogue, std::int64_t number, ConvertTo to,
                            const std::function<void(std::span<const std::uint8_t>)>& sink);

}  // namespace echodelve
