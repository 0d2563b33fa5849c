#include "wad_decoder.h"

#include <algorithm>
#include <array>
#include <span>

#include "archive_reader.h"
#include "hex_mod.h"
#include "sound_extractor.h"
#include "text_encoding.h"

namespace echodelve {

void wadDecoder::DecodeWad(const std::filesystem::path& path) {
    // Built apart and taken only when the decode ends: a failed decode changes nothing.
    SoundCatalogue decoded;
    decoded.archivePath = path;
    std::int64_t scan = 0;
    std::int32_t running = 0;
    std::int32_t stopOffset = 0;
    std::array<std::uint8_t, kWadRecordBytes> record{};
    for (;;) {
        // Opened and closed per record, so the file is never held across PumpEvents.
        ReadArchiveBytes(path, scan, record);
        const std::span<const std::uint8_t> name(record.data(), kWadNameBytes);
        const std::int32_t size =
            HexMod::ReadArchiveNumber(std::span<const std::uint8_t, 4>(record.data() + 260, 4));
        const std::int32_t offset =
            HexMod::ReadArchiveNumber(std::span<const std::uint8_t, 4>(record.data() + 264, 4));

        // A "." anywhere in the field marks a sound, even after the terminating zero.
        if (std::find(name.begin(), name.end(), '.') != name.end()) {
            ++running;
            SoundEntry& entry = decoded.Slot(running);
            const auto end = std::find(name.begin(), name.end(), 0);
            entry.name =
                Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(name.data()),
                                              static_cast<std::size_t>(end - name.begin())));
            entry.offset = offset;
            entry.size = size;
        }
        // Also taken from a non-sound record that follows the first sound.
        if (running == 1) {
            stopOffset = offset;
        }
        if (scan > kWadDirectoryLimit) {
            ui_.ShowWarning(kWarningTitle, kWadHeaderWarning);
            decoded.count = running;
            catalogue_ = std::move(decoded);
            return;
        }
        scan += kWadRecordBytes;
        if (scan == stopOffset) {
            decoded.count = running;
            catalogue_ = std::move(decoded);
            return;
        }
        ui_.PumpEvents();
    }
}

bool wadDecoder::ExtractWadSound(const std::filesystem::path& output, std::int64_t number) {
    return ExtractCataloguedSound(catalogue_, number, output, ui_);
}

}  // namespace echodelve
