#include "archive_decoder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <span>

#include "hex_mod.h"
#include "sfx_decoder.h"
#include "sound_extractor.h"
#include "wad_decoder.h"

namespace echodelve {

DecodeOutcome ArchiveDecoder::Decode(const std::filesystem::path& archive) {
    return Decode(std::make_shared<FileSource>(archive));
}

bool ArchiveDecoder::Extract(const std::filesystem::path& output, std::int64_t number) {
    return ExtractCataloguedSound(catalogue_, number, output, ui_);
}

DetailsOrProblem ArchiveDecoder::Details(std::int64_t number) const {
    const SoundEntry& entry = catalogue_.Slot(number);
    if (!catalogue_.source) {
        return {std::nullopt, "no archive has been opened", {}};
    }
    return ReadSoundDetails(catalogue_.source, entry.offset, entry.size);
}

std::unique_ptr<ArchiveDecoder> MakeDecoder(ArchiveKind kind, UiHooks& ui) {
    if (kind == ArchiveKind::Sfx) {
        return std::make_unique<SfxDecoder>(ui);
    }
    return std::make_unique<wadDecoder>(ui);
}

std::optional<ArchiveKind> KindFromName(const std::filesystem::path& archive) {
    std::string extension = archive.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".sfx") {
        return ArchiveKind::Sfx;
    }
    if (extension == ".wad") {
        return ArchiveKind::Wad;
    }
    return std::nullopt;
}

std::optional<ArchiveKind> DetectKind(const ByteSource& source) {
    const std::unique_ptr<ByteReader> reader = source.Open();
    const std::int64_t size = reader->Size().value_or(0);
    std::array<std::uint8_t, wad::kRecordBytes> record{};
    reader->ReadAt(0, record);
    if (size >= 4 && std::equal(record.begin(), record.begin() + 4, "RIFF")) {
        return ArchiveKind::Sfx;
    }
    const auto name = std::span<const std::uint8_t>(record).first(wad::kNameBytes);
    const auto end = std::find(name.begin(), name.end(), 0);
    const std::int64_t soundSize = HexMod::ReadArchiveNumber(
        std::span<const std::uint8_t>(record).subspan(wad::kSizeField).first<wad::kFieldBytes>());
    const std::int64_t soundOffset = HexMod::ReadArchiveNumber(
        std::span<const std::uint8_t>(record).subspan(wad::kOffsetField).first<wad::kFieldBytes>());
    if (size >= wad::kRecordBytes && end != name.begin() &&
        std::find(name.begin(), end, '.') != end && soundSize >= 0 &&
        soundOffset >= wad::kRecordBytes && soundOffset + soundSize <= size) {
        return ArchiveKind::Wad;
    }
    return std::nullopt;
}

const char* KindName(ArchiveKind kind) {
    return kind == ArchiveKind::Sfx ? "sfx" : "wad";
}

}  // namespace echodelve
