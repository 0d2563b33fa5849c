#include "archive_kinds.h"

#include <algorithm>
#include <array>

#include "doom_wad.h"
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

// "IWAD" or "PWAD" at the start, unless the header is impossible while the
// start reads as a WAD archive's first record (a sound named "PWAD....wav").
// A Doom WAD cut short or with a damaged header stays one, to say so.
bool LooksLikeDoom(std::span<const std::uint8_t> start, std::int64_t size) {
    if (!doom::HasMagic(start)) {
        return false;
    }
    if (size >= doom::kHeaderBytes &&
        start.size() >= static_cast<std::size_t>(doom::kHeaderBytes)) {
        const std::int64_t count = HexMod::ReadArchiveNumber(start.subspan<4, 4>());
        const std::int64_t directory = HexMod::ReadArchiveNumber(start.subspan<8, 4>());
        if (count >= 0 && directory >= 0 && directory + count * doom::kEntryBytes <= size) {
            return true;
        }
    }
    return !LooksLikeWad(start, size);
}

std::vector<std::vector<std::uint8_t>> NoNameFields(const ArchiveDecoder& /*archive*/) {
    return {};
}

// Sounds stored end to end, or where records say: the check's own reading
// of their places finds all there is.
std::vector<std::pair<std::int32_t, std::string>> NoStorageProblems(
    const ArchiveDecoder& /*archive*/) {
    return {};
}

template <typename Decoder>
std::unique_ptr<ArchiveDecoder> Make(UiHooks& ui) {
    return std::make_unique<Decoder>(ui);
}

// Writes a new archive of a kind whose archives are made from their sounds alone.
template <void (*Write)(const std::filesystem::path&, const std::vector<PackMember>&,
                        const BeforeCommit&)>
void FromSounds(const std::filesystem::path& output, const std::vector<PackMember>& members,
                const BeforeCommit& beforeCommit, const SoundCatalogue* /*from*/) {
    Write(output, members, beforeCommit);
}

const std::array<ArchiveKindInfo, 3>& Kinds() {
    static const std::array<ArchiveKindInfo, 3> kinds = {{
        {ArchiveKind::Sfx, "sfx", ".sfx", std::to_string(sfx::kMaxSounds) + " SFX sounds", false,
         Make<SfxDecoder>, LooksLikeSfx, NoDirectory, FromSounds<WriteSfxArchive>,
         SalvageSfxArchive, NoNameFields, NoStorageProblems},
        {ArchiveKind::Wad, "wad", ".wad",
         "an " + std::to_string(wad::kDirectoryLimit) + "-byte WAD directory", true,
         Make<wadDecoder>, LooksLikeWad, WadDirectoryEnd, FromSounds<WriteWadArchive>,
         SalvageWadArchive, WadNameFields, NoStorageProblems},
        {ArchiveKind::Doom, "doom", ".wad", "", true, Make<DoomWadDecoder>, LooksLikeDoom,
         NoDirectory, WriteDoomArchive, SalvageDoomWad, DoomNameFields, DoomLumpProblems, true},
    }};
    return kinds;
}

std::string Joined(std::string (*part)(const ArchiveKindInfo&), std::string_view separator) {
    std::string joined;
    for (const ArchiveKindInfo& kind : Kinds()) {
        if (const std::string text = part(kind); !text.empty()) {
            joined += (joined.empty() ? "" : std::string(separator)) + text;
        }
    }
    return joined;
}

// An archive's first bytes (zeros past its end) and its size, what the
// content tests look at.
struct Start {
    std::array<std::uint8_t, wad::kRecordBytes> bytes{};
    std::int64_t size = 0;
};
Start ReadStart(const ByteSource& source) {
    const std::unique_ptr<ByteReader> reader = source.Open();
    Start start;
    start.size = reader->Size().value_or(0);
    reader->ReadAt(0, start.bytes);
    return start;
}

// The kind an archive's start shows: one known by its magic number first,
// then the one `named` by its extension, then any whose content test passes.
std::optional<ArchiveKind> KindOfStart(const Start& start, std::optional<ArchiveKind> named) {
    for (const ArchiveKindInfo& info : Kinds()) {
        if (info.byMagic && info.looksLike(start.bytes, start.size)) {
            return info.kind;
        }
    }
    if (named) {
        return named;
    }
    for (const ArchiveKindInfo& info : Kinds()) {
        if (info.looksLike(start.bytes, start.size)) {
            return info.kind;
        }
    }
    return std::nullopt;
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
        if (!info.byMagic && extension == info.extension) {
            return info.kind;
        }
    }
    return std::nullopt;
}

std::optional<ArchiveKind> DetectKind(const ByteSource& source) {
    return KindOfStart(ReadStart(source), std::nullopt);
}

std::optional<ArchiveKind> KindOfFile(const std::filesystem::path& archive) {
    return KindOfStart(ReadStart(FileSource(archive)), KindFromName(archive));
}

ArchiveKind ClaimedByContent(ArchiveKind named, const std::filesystem::path& archive) {
    try {
        const std::optional<ArchiveKind> magic = KindOfFile(archive);
        return magic && Describe(*magic).byMagic &&
                       Describe(*magic).extension == Describe(named).extension
                   ? *magic
                   : named;
    } catch (const ArchiveError&) {
        return named;  // read again by the listing, which says what is wrong
    }
}

const char* KindName(ArchiveKind kind) {
    return Describe(kind).name.data();
}

}  // namespace echodelve
