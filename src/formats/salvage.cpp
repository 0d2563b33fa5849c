#include "salvage.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "archive_kinds.h"
#include "errors.h"
#include "little_endian.h"
#include "riff.h"
#include "sfx_decoder.h"
#include "wad_decoder.h"

namespace echodelve {

namespace {

constexpr std::int64_t kHeaderBytes = riff::kHeaderBytes;
constexpr std::size_t kScanBytes = std::size_t{1} << 20;

// Reads an archive once for the whole scan.
class Scanner {
  public:
    explicit Scanner(const ByteSource& source)
        : reader_(source.Open()), size_(reader_->Size().value_or(0)) {}

    std::int64_t Size() const { return size_; }

    // The declared length of a RIFF/WAVE header at `at`, whether or not the
    // file fits before `end`; nullopt where there is none.
    std::optional<std::int64_t> HeaderAt(std::int64_t at) {
        if (at < 0 || at + kHeaderBytes > size_) {
            return std::nullopt;
        }
        std::array<std::uint8_t, static_cast<std::size_t>(kHeaderBytes)> head{};
        reader_->ReadAt(at, head);
        return Parse(head);
    }

    // The first header at or after `from` whose file ends by `end`.
    std::optional<std::int64_t> NextFitting(std::int64_t from, std::int64_t end) {
        std::vector<std::uint8_t> chunk;
        for (std::int64_t at = std::max<std::int64_t>(from, 0); at + kHeaderBytes <= end;) {
            const auto span = static_cast<std::size_t>(
                std::min<std::int64_t>(end - at, static_cast<std::int64_t>(kScanBytes)));
            chunk.resize(span);
            reader_->ReadAt(at, chunk);
            for (std::size_t i = 0; i + kHeaderBytes <= span; ++i) {
                if (chunk[i] != 'R') {
                    continue;
                }
                const std::optional<std::int64_t> length =
                    Parse(std::span(chunk).subspan(i, kHeaderBytes));
                const std::int64_t found = at + static_cast<std::int64_t>(i);
                if (length && found + riff::kChunkHeaderBytes + *length <= end) {
                    return found;
                }
            }
            // The next chunk overlaps this one by a header less one byte.
            at += static_cast<std::int64_t>(span) - (kHeaderBytes - 1);
        }
        return std::nullopt;
    }

  private:
    static std::optional<std::int64_t> Parse(std::span<const std::uint8_t> head) {
        if (!riff::HasTag(head, 0, riff::kRiff) ||
            !riff::HasTag(head, static_cast<std::size_t>(riff::kFormField), riff::kWave)) {
            return std::nullopt;
        }
        const auto length = static_cast<std::int64_t>(
            LoadLittleEndian(head.subspan(riff::kLengthField, riff::kFieldBytes)));
        return length >= static_cast<std::int64_t>(riff::kTagBytes) ? std::optional(length)
                                                                    : std::nullopt;
    }

    std::unique_ptr<ByteReader> reader_;
    std::int64_t size_;
};

class Found {
  public:
    Found(const std::shared_ptr<const ByteSource>& source, std::int64_t size, std::int32_t max)
        : max_(max) {
        result_.catalogue.source = source;
        result_.catalogue.archiveSize = size;
    }
    bool Full() const { return result_.catalogue.count >= max_; }
    void Add(std::string name, std::int64_t offset, std::int64_t size, bool salvaged) {
        SoundCatalogue& catalogue = result_.catalogue;
        ++catalogue.count;
        catalogue.ExtendTo(catalogue.count);
        catalogue.Slot(catalogue.count) = {std::move(name), static_cast<std::int32_t>(offset), size,
                                           std::nullopt};
        result_.salvaged.push_back(salvaged);
    }
    std::int32_t Count() const { return result_.catalogue.count; }
    SalvagedCatalogue Take() && { return std::move(result_); }

  private:
    SalvagedCatalogue result_;
    std::int32_t max_;
};

void SalvageSfx(Scanner& scan, Found& found) {
    std::int64_t at = 0;
    bool broken = false;
    while (!found.Full() && at + kHeaderBytes <= scan.Size()) {
        const std::optional<std::int64_t> length = scan.HeaderAt(at);
        const std::int64_t end = length ? at + riff::kChunkHeaderBytes + *length : 0;
        if (length && end <= scan.Size()) {
            found.Add(SfxSoundName(found.Count() + 1), at, end - at, broken);
            at = end;
            continue;
        }
        const std::optional<std::int64_t> next = scan.NextFitting(at + 1, scan.Size());
        if (!next) {
            if (length && !broken) {  // the last sound, cut short: as the plain reading lists it
                found.Add(SfxSoundName(found.Count() + 1), at, end - at, broken);
            }
            return;
        }
        broken = true;
        at = *next;
    }
}

void SalvageWad(Scanner& scan, Found& found, const SoundCatalogue* read) {
    // What the records claim, past the directory.
    std::vector<std::pair<std::int64_t, std::int64_t>> claimed;
    std::int64_t directoryEnd = 0;
    if (read != nullptr) {
        directoryEnd = std::int64_t{read->count} * wad::kRecordBytes;
        for (std::int32_t n = 1; n <= read->count && !found.Full(); ++n) {
            const SoundEntry& entry = read->Slot(n);
            found.Add(entry.name, entry.offset, entry.size, false);
            if (entry.offset >= 0 && entry.size > 0) {
                claimed.emplace_back(entry.offset, entry.offset + entry.size);
            }
        }
    }
    claimed.emplace_back(0, directoryEnd);
    std::ranges::sort(claimed);
    std::int64_t gapStart = 0;
    const auto scanGap = [&](std::int64_t from, std::int64_t to) {
        for (std::int64_t at = from; !found.Full();) {
            const std::optional<std::int64_t> next = scan.NextFitting(at, to);
            if (!next) {
                return;
            }
            const std::int64_t size = riff::kChunkHeaderBytes + *scan.HeaderAt(*next);
            found.Add("salvaged-" + std::to_string(*next) + ".wav", *next, size, true);
            at = *next + size;
        }
    };
    for (const auto& [start, end] : claimed) {
        if (start > gapStart) {
            scanGap(gapStart, std::min(start, scan.Size()));
        }
        gapStart = std::max(gapStart, end);
    }
    if (gapStart < scan.Size()) {
        scanGap(gapStart, scan.Size());
    }
}

}  // namespace

std::int32_t SalvagedCatalogue::Recovered() const {
    return static_cast<std::int32_t>(std::ranges::count(salvaged, true));
}

SalvagedCatalogue SalvageSfxArchive(const std::shared_ptr<const ByteSource>& source,
                                    const SoundCatalogue* /*read*/, std::int32_t maxSounds) {
    Scanner scan(*source);
    Found found(source, scan.Size(), maxSounds);
    SalvageSfx(scan, found);
    return std::move(found).Take();
}

SalvagedCatalogue SalvageWadArchive(const std::shared_ptr<const ByteSource>& source,
                                    const SoundCatalogue* read, std::int32_t maxSounds) {
    Scanner scan(*source);
    Found found(source, scan.Size(), maxSounds);
    SalvageWad(scan, found, read);
    return std::move(found).Take();
}

SalvagedCatalogue Salvage(ArchiveKind kind, const std::shared_ptr<const ByteSource>& source,
                          const SoundCatalogue* read, std::int32_t maxSounds) {
    return Describe(kind).salvage(source, read, maxSounds);
}

}  // namespace echodelve
