#include "formats/archive_kinds.h"

#include <gtest/gtest.h>

#include "formats/byte_source.h"
#include "support/fixtures.h"

namespace echodelve {
namespace {

using test::Bytes;
using MaybeKind = std::optional<ArchiveKind>;

TEST(ArchiveKindsTest, NamesAndExtensionsInAnyCaseAndNothingLikeThem) {
    const std::vector<std::pair<std::string, MaybeKind>> names = {
        {"sfx", ArchiveKind::Sfx}, {"SFX", ArchiveKind::Sfx}, {"Wad", ArchiveKind::Wad},
        {"wa", std::nullopt},      {"wadx", std::nullopt},    {"", std::nullopt}};
    for (const auto& [name, kind] : names) {
        EXPECT_EQ(KindNamed(name), kind) << name;
    }
    const std::vector<std::pair<std::string, MaybeKind>> files = {
        {"a.SfX", ArchiveKind::Sfx}, {"dir.sfx/b.WAD", ArchiveKind::Wad},
        {"c.wav", std::nullopt},     {"wad", std::nullopt},
        {".wad", std::nullopt},      {"x.wad.bak", std::nullopt}};
    for (const auto& [file, kind] : files) {
        EXPECT_EQ(KindFromName(file), kind) << file;
    }
    EXPECT_EQ(KindNames("|"), "sfx|wad|doom");
    EXPECT_EQ(KindLimits(), "1000 SFX sounds, an 80000-byte WAD directory");
    EXPECT_EQ(std::string(KindName(ArchiveKind::Wad)), "wad");
}

// An archive whose first record names `name` with `size` bytes at `offset`,
// `total` bytes long.
Bytes WadStart(const std::string& name, std::uint32_t size, std::uint32_t offset,
               std::size_t total) {
    Bytes bytes = test::WadRecord(name, size, offset);
    bytes.resize(total);
    return bytes;
}

TEST(ArchiveKindsTest, ContentShowsTheKindOnlyWhenTheFirstRecordFitsExactly) {
    const struct {
        const char* what;
        Bytes bytes;
        MaybeKind kind;
    } cases[] = {
        {"RIFF, 4 bytes", {'R', 'I', 'F', 'F'}, ArchiveKind::Sfx},
        {"RIF", {'R', 'I', 'F'}, std::nullopt},
        // A Doom WAD's magic wins over a first record that would fit.
        {"IWAD, 12 bytes", {'I', 'W', 'A', 'D', 0, 0, 0, 0, 12, 0, 0, 0}, ArchiveKind::Doom},
        {"PWAD before a record",
         [] {
             Bytes bytes = WadStart("a.wav", 10, 268, 278);
             std::copy_n("PWAD", 4, bytes.begin());
             return bytes;
         }(),
         ArchiveKind::Doom},
        {"IWAD, 11 bytes: a Doom WAD cut short",
         {'I', 'W', 'A', 'D', 0, 0, 0, 0, 12, 0, 0},
         ArchiveKind::Doom},
        {"a WAD archive whose first sound is PWAD_intro.wav",
         WadStart("PWAD_intro.wav", 10, 268, 278), ArchiveKind::Wad},
        {"iwad", {'i', 'w', 'a', 'd', 0, 0, 0, 0, 12, 0, 0, 0}, std::nullopt},
        {"riff", {'r', 'i', 'f', 'f', 0}, std::nullopt},
        {"sound right after the record", WadStart("a.wav", 10, 268, 278), ArchiveKind::Wad},
        {"sound inside the record", WadStart("a.wav", 10, 267, 278), std::nullopt},
        {"sound ending at the archive's end", WadStart("a.wav", 32, 300, 332), ArchiveKind::Wad},
        {"sound ending one byte past it", WadStart("a.wav", 33, 300, 332), std::nullopt},
        {"no '.' in the name", WadStart("awav", 10, 268, 278), std::nullopt},
        {"empty name", WadStart("", 10, 268, 278), std::nullopt},
        {"one byte short of a record", WadStart("a.wav", 0, 268, 267), std::nullopt},
        {"empty", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DetectKind(MemorySource(c.bytes)), c.kind) << c.what;
    }
}

}  // namespace
}  // namespace echodelve
