#include "wad_decoder.h"

#include <algorithm>
#include <array>
#include <span>

#include "hex_mod.h"
#include "little_endian.h"
#include "text_encoding.h"

namespace echodelve {

namespace {

std::int32_t FieldAt(std::span<const std::uint8_t> record, std::int64_t offset) {
    return HexMod::ReadArchiveNumber(
        record.subspan(static_cast<std::size_t>(offset)).first<wad::kFieldBytes>());
}

}  // namespace

DecodeOutcome wadDecoder::Decode(std::shared_ptr<const ByteSource> source) {
    // Built apart and taken only when the decode ends: a failed decode changes nothing.
    SoundCatalogue decoded;
    decoded.source = source;
    decoded.archiveSize = source->Open()->Size();
    std::int64_t scan = 0;
    std::int32_t running = 0;
    std::int32_t stopOffset = 0;
    std::array<std::uint8_t, wad::kRecordBytes> record{};
    // Without the limit the scan ends at the archive's end at the latest.
    const std::int64_t archiveSize = Limited() ? 0 : decoded.archiveSize.value_or(0);
    for (;;) {
        // Opened and closed per record, so the file is never held across PumpEvents.
        source->ReadAt(scan, record);
        const auto name =
            std::span<const std::uint8_t>(record).subspan(wad::kNameField, wad::kNameBytes);
        const std::int32_t size = FieldAt(record, wad::kSizeField);
        const std::int32_t offset = FieldAt(record, wad::kOffsetField);

        // A "." anywhere in the field marks a sound, even after the terminating zero.
        if (std::find(name.begin(), name.end(), '.') != name.end()) {
            ++running;
            decoded.ExtendTo(running);
            SoundEntry& entry = decoded.Slot(running);
            const auto end = std::find(name.begin(), name.end(), 0);
            entry.name = Cp1252ToUtf8(std::string(name.begin(), end));
            entry.offset = offset;
            entry.size = size;
        }
        // Also taken from a non-sound record that follows the first sound.
        if (running == 1) {
            stopOffset = offset;
        }
        if (Limited() && scan > wad::kDirectoryLimit) {
            decoded.count = running;
            Replace(std::move(decoded));
            return {.cutAtLimit = true};
        }
        scan += wad::kRecordBytes;
        if (scan == stopOffset || (!Limited() && scan >= archiveSize)) {
            decoded.count = running;
            Replace(std::move(decoded));
            return {.cutAtLimit = scan != stopOffset};
        }
        Ui().PumpEvents();
    }
}

// The reading skips some records, so each sound's is the next one with its
// name, size and offset.
std::vector<std::vector<std::uint8_t>> WadNameFields(const ArchiveDecoder& archive) {
    std::vector<std::vector<std::uint8_t>> fields(static_cast<std::size_t>(archive.Count()));
    const std::unique_ptr<ByteReader> reader = archive.Catalogue().source->Open();
    const std::int64_t size = reader->Size().value_or(0);
    std::vector<std::uint8_t> record(static_cast<std::size_t>(wad::kRecordBytes));
    std::int64_t at = 0;
    for (std::int32_t n = 1; n <= archive.Count(); ++n) {
        const SoundEntry& entry = archive.Entry(n);
        for (; at + wad::kRecordBytes <= size && at < entry.offset; at += wad::kRecordBytes) {
            reader->ReadAt(at, record);
            const std::span<const std::uint8_t> name(record.data(),
                                                     static_cast<std::size_t>(wad::kNameBytes));
            const auto end = std::ranges::find(name, 0);
            const std::string_view text(reinterpret_cast<const char*>(name.data()),  // NOLINT
                                        static_cast<std::size_t>(end - name.begin()));
            const auto numbers =
                std::span(record).subspan(static_cast<std::size_t>(wad::kNameBytes));
            if (Cp1252ToUtf8(text) == entry.name &&
                LoadLittleEndian(numbers.subspan(0, wad::kFieldBytes)) ==
                    static_cast<std::uint32_t>(entry.size) &&
                LoadLittleEndian(numbers.subspan(wad::kFieldBytes, wad::kFieldBytes)) ==
                    static_cast<std::uint32_t>(entry.offset)) {
                fields[static_cast<std::size_t>(n - 1)].assign(name.begin(), name.end());
                at += wad::kRecordBytes;
                break;
            }
        }
    }
    return fields;
}

}  // namespace echodelve
