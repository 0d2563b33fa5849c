#include "formats/salvage.h"

#include <gtest/gtest.h>

#include "formats/archive_writers.h"
#include "formats/sfx_decoder.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::MakeWav;

constexpr std::int32_t kNoLimit = 100000;

// Eight sounds of their own sizes, end to end.
std::vector<Bytes> EightSounds() {
    std::vector<Bytes> sounds;
    for (std::uint8_t n = 1; n <= 8; ++n) {
        sounds.push_back(MakeWav(100 + n * 10u, n));
    }
    return sounds;
}

Bytes Joined(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Offsets, sizes and which are salvaged, as "offset+size" with a "*" for salvaged.
std::vector<std::string> Shape(const SalvagedCatalogue& found) {
    std::vector<std::string> shape;
    for (std::int32_t n = 1; n <= found.catalogue.count; ++n) {
        const SoundEntry& entry = found.catalogue.Slot(n);
        shape.push_back(std::to_string(entry.offset) + "+" + std::to_string(entry.size) +
                        (found.salvaged[static_cast<std::size_t>(n - 1)] ? "*" : ""));
    }
    return shape;
}

SalvagedCatalogue SalvageSfx(const Bytes& bytes, std::int32_t max = kNoLimit) {
    return Salvage(ArchiveKind::Sfx, std::make_shared<MemorySource>(bytes), nullptr, max);
}

// After a break the walk goes on from the next whole RIFF/WAVE header; the
// sounds before it are the plain reading's, under its names.
TEST(SalvageTest, SfxWalksOnPastJunkBetweenInsideAndAfterSounds) {
    const std::vector<Bytes> sounds = EightSounds();
    const Bytes good = Joined(sounds);
    std::vector<std::string> plain;  // offset+size of each sound as laid out
    std::int64_t at = 0;
    for (const Bytes& sound : sounds) {
        plain.push_back(std::to_string(at) + "+" + std::to_string(sound.size()));
        at += static_cast<std::int64_t>(sound.size());
    }
    const Bytes junk = {'J', 'U', 'N', 'K', 'J', 'U', 'N', 'K'};
    Bytes inside = sounds[0];
    inside.insert(inside.begin() + 60, junk.begin(), junk.end());
    // Shifted by 8: everything after the junk.
    std::vector<std::string> shifted = {plain[0]};
    for (std::size_t i = 1; i < plain.size(); ++i) {
        const auto plus = plain[i].find('+');
        shifted.push_back(std::to_string(std::stoll(plain[i].substr(0, plus)) + 8) +
                          plain[i].substr(plus) + "*");
    }
    Bytes hugeLength = good;
    const std::size_t third = sounds[0].size() + sounds[1].size();
    hugeLength[third + 7] = 0x40;  // sound 3 claims a gigabyte
    Bytes cut = good;
    cut.resize(cut.size() - 10);  // the last sound cut short, nothing after it
    const struct {
        const char* label;
        Bytes bytes;
        std::vector<std::string> shape;
    } cases[] = {
        {"whole", good, plain},
        {"junk between sounds 1 and 2",
         Joined({sounds[0], junk, sounds[1], sounds[2], sounds[3], sounds[4], sounds[5], sounds[6],
                 sounds[7]}),
         shifted},
        {"junk inside sound 1",
         Joined(
             {inside, sounds[1], sounds[2], sounds[3], sounds[4], sounds[5], sounds[6], sounds[7]}),
         shifted},
        {"junk at the end", Joined({good, junk}), plain},
        {"a length field damaged",
         hugeLength,
         {plain[0], plain[1], plain[3] + "*", plain[4] + "*", plain[5] + "*", plain[6] + "*",
          plain[7] + "*"}},
        {"the last sound cut short",
         cut,
         {plain[0], plain[1], plain[2], plain[3], plain[4], plain[5], plain[6],
          std::to_string(good.size() - sounds[7].size()) + "+" + std::to_string(sounds[7].size())}},
        {"after a break, a sound cut short is not salvaged",
         Joined({sounds[0], junk, sounds[1], Bytes(sounds[2].begin(), sounds[2].end() - 10)}),
         {shifted[0], shifted[1]}},
        {"no sound at all", junk, {}},
        {"empty", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const SalvagedCatalogue found = SalvageSfx(c.bytes);
        EXPECT_EQ(Shape(found), c.shape);
        for (std::int32_t n = 1; n <= found.catalogue.count; ++n) {
            EXPECT_EQ(found.catalogue.Slot(n).name, SfxSoundName(n));
        }
    }
    // At most as many as asked, the limit at its edge and one past.
    EXPECT_EQ(SalvageSfx(good, 8).catalogue.count, 8);
    EXPECT_EQ(SalvageSfx(good, 7).catalogue.count, 7);
    EXPECT_EQ(SalvageSfx(Joined({sounds[0], junk, sounds[1]}), 2).Recovered(), 1);
}

// A WAD keeps its records, then finds the sounds in the gaps they leave.
TEST(SalvageTest, WadFindsTheSoundsNoRecordClaims) {
    test::RecordingHooks hooks;
    const std::vector<Bytes> sounds = EightSounds();
    const std::uint32_t directory = 3 * 268;
    const std::uint32_t second = directory + static_cast<std::uint32_t>(sounds[0].size());
    const std::uint32_t third = second + static_cast<std::uint32_t>(sounds[1].size());
    const auto wad = [&](std::uint32_t secondSize, std::uint32_t secondOffset) {
        return Joined(
            {test::WadRecord("a.wav", static_cast<std::uint32_t>(sounds[0].size()), directory),
             test::WadRecord("b.wav", secondSize, secondOffset),
             test::WadRecord("c.wav", static_cast<std::uint32_t>(sounds[2].size()), third),
             sounds[0], sounds[1], sounds[2]});
    };
    const struct {
        const char* label;
        Bytes bytes;
        bool decoded;
        std::vector<std::string> names;
    } cases[] = {
        {"whole",
         wad(static_cast<std::uint32_t>(sounds[1].size()), second),
         true,
         {"a.wav", "b.wav", "c.wav"}},
        {"a size of 0",
         wad(0, second),
         true,
         {"a.wav", "b.wav", "c.wav", "salvaged-" + std::to_string(second) + ".wav"}},
        {"an offset into the directory",
         wad(100, 10),
         true,
         {"a.wav", "b.wav", "c.wav", "salvaged-" + std::to_string(second) + ".wav"}},
        {"no directory to go by",
         wad(0, second),
         false,
         {"salvaged-" + std::to_string(directory) + ".wav",
          "salvaged-" + std::to_string(second) + ".wav",
          "salvaged-" + std::to_string(third) + ".wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const auto source = std::make_shared<MemorySource>(c.bytes);
        wadDecoder decoder(hooks);
        decoder.Decode(source);
        const SalvagedCatalogue found =
            Salvage(ArchiveKind::Wad, source, c.decoded ? &decoder.Catalogue() : nullptr, kNoLimit);
        std::vector<std::string> names;
        for (std::int32_t n = 1; n <= found.catalogue.count; ++n) {
            names.push_back(found.catalogue.Slot(n).name);
            EXPECT_EQ(found.salvaged[static_cast<std::size_t>(n - 1)],
                      names.back().starts_with("salvaged-"));
        }
        EXPECT_EQ(names, c.names);
    }
}

}  // namespace
}  // namespace echodelve
