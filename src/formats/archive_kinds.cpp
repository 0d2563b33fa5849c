#include "archive_kinds.h"

#include <algorithm>
#include <array>

#include "hex_mod.h"
#include "output_names.h"
#include "riff.h"
#include "sfx_decoder.h"
#include "wad_decoder.h"

namespace echodelve {

namespace {

bool LooksLikeSfx(std::span<const std::uint8_t> start, std::int64_t size) {
    return size >= static_cast<std::int64_t>(riff::kTagBytes) &&
           riff::HasTag(start, 0, riff::kRiff);
}

// A first record that names a sound (a "." before its zero byte) whose bytes
// begin after the record and end within the archive.
bool LooksLikeWad(std::span<const std::uint8_t> start, std::int64_t size) {
    if (size < wad::kRecordBytes || start.size() < static_cast<std::size_t>(wad::kRecordBytes)) {
        return false;
    }
    const auto name = start.first(wad::kNameBytes);
    const auto end = std::find(name.begin(), name.end(), 0);
    const std::int64_t soundSize =
        HexMod::ReadArchiveNumber(start.subspan(wad::kSizeField).first<wad::kFieldBytes>());
    const std::int64_t soundOffset =
        HexMod::ReadArchiveNumber(start.subspan(wad::kOffsetField).first<wad::kFieldBytes>());
    return end != name.begin() && std::find(name.begin(), end, '.') != end && soundSize >= 0 &&
           soundOffset >= wad::kRecordBytes && soundOffset + soundSize <= size;
}

std::int64_t NoDirectory(const ArchiveDecoder& /*archive*/, bool /*cutAtLimit*/,
                         std::int64_t /*archiveSize*/) {
    return 0;
}

// It ends where the first sound begins, or where the scan stopped.
std::int64_t WadDirectoryEnd(const ArchiveDecoder& archive, bool cutAtLimit,
                             std::int64_t archiveSize) {
    const std::int64_t scanned =
        archive.Limited() ? wad::kDirectoryLimit + wad::kRecordBytes : archiveSize;
    return cutAtLimit || archive.Count() == 0
               ? std::min(archiveSize, scanned)
               : std::clamp<std::int64_t>(archive.Entry(1).offset, 0, archiveSize);
}

template <typename Decoder>
std::unique_ptr<ArchiveDecoder> Make(UiHooks& ui) {
    return std::make_unique<Decoder>(ui);
}

const std::array<ArchiveKindInfo, 2>& Kinds() {
    static const std::array<ArchiveKindInfo, 2> kinds = {{
        {ArchiveKind::Sfx, "sfx", ".sfx", std::to_string(sfx::kMaxSounds) + " SFX sounds", false,
         Make<SfxDecoder>, LooksLikeSfx, NoDirectory, WriteSfxArchive},
        {ArchiveKind::Wad, "wad", ".wad",
         "an " + std::to_string(wad::kDirectoryLimit) + "-byte WAD directory", true,
         Make<wadDecoder>, LooksLikeWad, WadDirectoryEnd, WriteWadArchive},
    }};
    return kinds;
}

std::string Joined(std::string (*part)(const ArchiveKindInfo&), std::string_view separator) {
    std::string joined;
    for (const ArchiveKindInfo& kind : Kinds()) {
        joined += (joined.empty() ? "" : std::string(separator)) + part(kind);
    }
    return joined;
}

}  // namespace

std::span<const ArchiveKindInfo> ArchiveKinds() {
    return Kinds();
}

const ArchiveKindInfo& Describe(ArchiveKind kind) {
    for (const ArchiveKindInfo& info : Kinds()) {
        if (info.kind == kind) {
            return info;
        }
    }
    return Kinds().front();  // every enumerator has its entry; this is not reached
}

std::optional<ArchiveKind> KindNamed(std::string_view name) {
    for (const ArchiveKindInfo& info : Kinds()) {
        if (FoldCase(name) == info.name) {
            return info.kind;
        }
    }
    return std::nullopt;
}

std::string KindNames(std::string_view separator) {
    return Joined([](const ArchiveKindInfo& kind) { return std::string(kind.name); }, separator);
}

std::string KindLimits() {
    return Joined([](const ArchiveKindInfo& kind) { return kind.limit; }, ", ");
}

// The archive decoder's choices between kinds, made from the descriptions.

std::unique_ptr<ArchiveDecoder> MakeDecoder(ArchiveKind kind, UiHooks& ui) {
    return Describe(kind).makeDecoder(ui);
}

std::optional<ArchiveKind> KindFromName(const std::filesystem::path& archive) {
    const std::string extension = FoldCase(archive.extension().string());
    for (const ArchiveKindInfo& info : Kinds()) {
        if (extension == info.extension) {
            return info.kind;
        }
    }
    return std::nullopt;
}

std::optional<ArchiveKind> DetectKind(const ByteSource& source) {
    const std::unique_ptr<ByteReader> reader = source.Open();
    const std::int64_t size = reader->Size().value_or(0);
    std::array<std::uint8_t, wad::kRecordBytes> start{};
    reader->ReadAt(0, start);
    for (const ArchiveKindInfo& info : Kinds()) {
        if (info.looksLike(start, size)) {
            return info.kind;
        }
    }
    return std::nullopt;
}

const char* KindName(ArchiveKind kind) {
    return Describe(kind).name.data();
}

}  // namespace echodelve
