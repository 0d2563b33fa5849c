// Salvages arbitrary bytes as an SFX or WAD archive (by the first byte) and
// checks what it finds: every salvaged sound is a whole RIFF/WAVE file inside
// the archive, sounds found by the scan never overlap one another, and the
// sounds before the first salvaged one of an SFX are the plain reading's.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "formats/archive_decoder.h"
#include "formats/errors.h"
#include "formats/little_endian.h"
#include "formats/salvage.h"
#include "fuzz_scratch.h"

namespace {

constexpr std::int32_t kMaxSounds = 1000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace echodelve;
    if (size == 0) {
        return 0;
    }
    static fuzz::FuzzHooks hooks;
    const fuzz::FuzzArchive archive = fuzz::DecodeInput(data, size, hooks);
    const ArchiveKind kind = archive.kind;
    const bool decoded = archive.decoded;
    const std::unique_ptr<ArchiveDecoder>& decoder = archive.decoder;
    SalvagedCatalogue found;
    try {
        found =
            Salvage(kind, archive.source, decoded ? &decoder->Catalogue() : nullptr, kMaxSounds);
    } catch (const ArchiveError&) {
        // Only a file without a Doom WAD's magic has nothing to salvage.
        fuzz::Require(kind == ArchiveKind::Doom && !decoded, __LINE__);
        return 0;
    }
    const SoundCatalogue& catalogue = found.catalogue;
    // The bytes the offsets point into: the archive's, or a Doom WAD's sounds as WAV files.
    std::vector<std::uint8_t> bytes(data + 1, data + size);
    if (kind == ArchiveKind::Doom) {
        bytes.assign(static_cast<std::size_t>(catalogue.archiveSize.value_or(0)), 0);
        catalogue.source->ReadAt(0, bytes);
    }
    fuzz::Require(catalogue.count <= kMaxSounds, __LINE__);
    fuzz::Require(found.salvaged.size() == static_cast<std::size_t>(catalogue.count), __LINE__);
    std::vector<std::pair<std::int64_t, std::int64_t>> scanned;
    bool salvagedYet = false;
    for (std::int32_t n = 1; n <= catalogue.count; ++n) {
        const SoundEntry& entry = catalogue.Slot(n);
        const bool salvaged = found.salvaged[static_cast<std::size_t>(n - 1)];
        salvagedYet = salvagedYet || salvaged;
        if (salvaged || kind != ArchiveKind::Wad) {
            if (!(kind == ArchiveKind::Sfx && !salvaged && n == catalogue.count)) {
                // Whole: "RIFF", its length + 8 = the size, "WAVE", inside the archive.
                fuzz::Require(entry.offset >= 0 && entry.size >= 12, __LINE__);
                fuzz::Require(entry.offset + entry.size <= static_cast<std::int64_t>(bytes.size()),
                              __LINE__);
                const auto at = static_cast<std::size_t>(entry.offset);
                fuzz::Require(
                    std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                               bytes.begin() + static_cast<std::ptrdiff_t>(at) + 4, "RIFF"),
                    __LINE__);
                // (A Doom WAD's WAV lump is presented as it stands, whole or not.)
                fuzz::Require(kind == ArchiveKind::Doom ||
                                  LoadLittleEndian(std::span(bytes).subspan(at + 4, 4)) + 8 ==
                                      static_cast<std::uint64_t>(entry.size),
                              __LINE__);
            }
            scanned.emplace_back(entry.offset, entry.offset + entry.size);
        }
        // An SFX's sounds before the break are the plain reading's.
        if (kind == ArchiveKind::Sfx && decoded && !salvagedYet && n < catalogue.count &&
            n <= decoder->Count()) {
            fuzz::Require(decoder->Entry(n).offset == entry.offset, __LINE__);
            fuzz::Require(decoder->Entry(n).size == entry.size, __LINE__);
        }
        if (kind == ArchiveKind::Wad && decoded && n <= decoder->Count()) {
            fuzz::Require(!salvaged && decoder->Entry(n).name == entry.name, __LINE__);
        }
    }
    std::ranges::sort(scanned);
    for (std::size_t i = 1; i < scanned.size(); ++i) {
        fuzz::Require(scanned[i].first >= scanned[i - 1].second, __LINE__);
    }
    return 0;
}
