// A Doom WAD over arbitrary bytes: the reading ends or refuses; what it
// lists is WAV files, each within the sounds' bytes and readable; a salvage
// of a WAD that reads lists the same sounds; and an edit that changes nothing
// writes a WAD that reads back as the same sounds, byte for byte.
#include <vector>

#include "formats/archive_edit.h"
#include "formats/doom_wad.h"
#include "formats/errors.h"
#include "formats/riff.h"
#include "formats/salvage.h"
#include "formats/sound_extractor.h"
#include "fuzz_scratch.h"

namespace {

using namespace echodelve;

std::vector<std::vector<std::uint8_t>> SoundBytes(const SoundCatalogue& catalogue) {
    std::vector<std::vector<std::uint8_t>> sounds;
    for (std::int32_t n = 1; n <= catalogue.count; ++n) {
        std::vector<std::uint8_t>& bytes = sounds.emplace_back();
        CopyCataloguedSound(catalogue, n, [&bytes](std::span<const std::uint8_t> piece) {
            bytes.insert(bytes.end(), piece.begin(), piece.end());
        });
    }
    return sounds;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::FuzzHooks hooks;
    const auto source = fuzz::InMemory(data, size);
    DoomWadDecoder decoder(hooks);
    bool read = true;
    try {
        decoder.Decode(source);
    } catch (const ArchiveError&) {
        read = false;
    }
    SoundCatalogue salvaged;
    try {
        salvaged = Salvage(ArchiveKind::Doom, source, read ? &decoder.Catalogue() : nullptr, 100000)
                       .catalogue;
    } catch (const ArchiveError&) {
        fuzz::Require(!read, __LINE__);  // only a file without the magic is refused both ways
        return 0;
    }
    if (!read) {
        return 0;
    }
    const SoundCatalogue& catalogue = decoder.Catalogue();
    fuzz::Require(salvaged.count == catalogue.count, __LINE__);
    const auto sounds = SoundBytes(catalogue);
    for (std::int32_t n = 1; n <= catalogue.count; ++n) {
        const SoundEntry& entry = catalogue.Slot(n);
        fuzz::Require(entry.offset >= 0 && entry.size >= riff::kHeaderBytes &&
                          entry.offset + entry.size <= catalogue.archiveSize.value_or(0),
                      __LINE__);
        const auto& bytes = sounds[static_cast<std::size_t>(n - 1)];
        fuzz::Require(riff::HasTag(bytes, 0, riff::kRiff), __LINE__);
        fuzz::Require(salvaged.Slot(n).name == entry.name, __LINE__);
        decoder.Details(n);  // libsndfile over every listed sound
    }

    const std::filesystem::path scratch = fuzz::ScratchRoot() / "edited.wad";
    try {
        WriteEditedArchive(decoder, {}, scratch);
    } catch (const ArchiveError&) {
        return 0;  // a WAD past 2 GiB when laid out anew, say
    }
    DoomWadDecoder again(hooks);
    again.Decode(scratch);
    fuzz::Require(again.Count() == catalogue.count, __LINE__);
    for (std::int32_t n = 1; n <= catalogue.count; ++n) {
        fuzz::Require(again.Entry(n).name == catalogue.Slot(n).name, __LINE__);
    }
    fuzz::Require(SoundBytes(again.Catalogue()) == sounds, __LINE__);
    return 0;
}
