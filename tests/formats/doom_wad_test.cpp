#include "formats/doom_wad.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include "formats/archive_check.h"
#include "formats/archive_edit.h"
#include "formats/archive_kinds.h"
#include "formats/errors.h"
#include "formats/little_endian.h"
#include "formats/salvage.h"
#include "formats/sound_extractor.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::ReadBytes;
using Kind = EditOperation::Kind;

struct Lump {
    std::string name;
    Bytes bytes;
};

// A Doom WAD: the header, the lumps end to end, then the directory; a lump
// of no bytes (a marker) points at the one after it.
Bytes DoomWad(const std::vector<Lump>& lumps, std::optional<std::uint32_t> count = {},
              std::optional<std::uint32_t> directory = {}) {
    Bytes data;
    Bytes entries;
    for (const Lump& lump : lumps) {
        AppendLittleEndian(entries, doom::kHeaderBytes + data.size(), 4);
        AppendLittleEndian(entries, lump.bytes.size(), 4);
        std::string name = lump.name;
        name.resize(doom::kNameBytes, '\0');
        entries.insert(entries.end(), name.begin(), name.end());
        data.insert(data.end(), lump.bytes.begin(), lump.bytes.end());
    }
    Bytes wad = {'P', 'W', 'A', 'D'};
    AppendLittleEndian(wad, count.value_or(lumps.size()), 4);
    AppendLittleEndian(wad, directory.value_or(12 + data.size()), 4);
    return test::Join({wad, data, entries});
}

// A DMX lump of `samples` (padding included) at `rate`, declaring `declared`
// samples where that is given.
Bytes Dmx(std::uint16_t rate, const Bytes& samples, std::optional<std::uint32_t> declared = {}) {
    Bytes lump;
    AppendLittleEndian(lump, 3, 2);
    AppendLittleEndian(lump, rate, 2);
    AppendLittleEndian(lump, declared.value_or(samples.size()), 4);
    lump.insert(lump.end(), samples.begin(), samples.end());
    return lump;
}

Bytes Ramp(std::size_t count) {
    Bytes samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        samples[i] = static_cast<std::uint8_t>(i * 7);
    }
    return samples;
}

// A sound file's samples as libsndfile decodes them.
std::vector<float> Decoded(const std::filesystem::path& file, int* rate = nullptr) {
    SF_INFO info{};
    SNDFILE* sound = sf_open(file.c_str(), SFM_READ, &info);
    EXPECT_NE(sound, nullptr) << file;
    if (sound == nullptr) {
        return {};
    }
    std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
    EXPECT_EQ(sf_readf_float(sound, samples.data(), info.frames), info.frames);
    sf_close(sound);
    if (rate != nullptr) {
        *rate = info.samplerate;
    }
    return samples;
}

// The floats libsndfile gives for unsigned 8-bit samples.
std::vector<float> AsFloats(const Bytes& samples) {
    std::vector<float> floats;
    for (const std::uint8_t sample : samples) {
        floats.push_back(static_cast<float>(sample - 128) / 128.0F);
    }
    return floats;
}

class DoomWadTest : public ::testing::Test {
  protected:
    std::unique_ptr<ArchiveDecoder> Open(const Bytes& wad, const std::string& name = "a.wad") {
        test::WriteBytes(dir / name, wad);
        auto decoder = MakeDecoder(ArchiveKind::Doom, hooks);
        decoder->Decode(dir / name);
        return decoder;
    }
    std::vector<std::string> Names(const ArchiveDecoder& decoder) {
        std::vector<std::string> names;
        for (std::int32_t n = 1; n <= decoder.Count(); ++n) {
            names.push_back(decoder.Entry(n).name);
        }
        return names;
    }

    test::TempDir dir;
    test::RecordingHooks hooks;
};

// Debian's freedoom WADs, made by people outside this project: every lump in
// the DMX format is listed under its name at its rate, is written as a WAV
// file that decodes to the lump's samples without the padding, checks clean,
// and an edit with nothing to do writes the WAD again byte for byte.
TEST_F(DoomWadTest, FreedoomSoundsListExtractCheckAndRoundTrip) {
    const std::pair<const char*, std::int32_t> wads[] = {
        {"/usr/share/games/doom/freedoom1.wad", 67}, {"/usr/share/games/doom/freedoom2.wad", 103}};
    for (const auto& [path, sounds] : wads) {
        SCOPED_TRACE(path);
        ASSERT_TRUE(std::filesystem::exists(path)) << "scripts/setup installs Debian's freedoom";
        const Bytes wad = ReadBytes(path);
        auto decoder = MakeDecoder(ArchiveKind::Doom, hooks);
        decoder->Decode(path);
        ASSERT_EQ(decoder->Count(), sounds);
        EXPECT_EQ(KindOfFile(path), ArchiveKind::Doom);

        // The lumps read here from the directory, apart from the decoder.
        const auto field = [&wad](std::size_t at, std::size_t width) {
            return static_cast<std::int64_t>(LoadLittleEndian(std::span(wad).subspan(at, width)));
        };
        std::int32_t number = 0;
        for (std::int64_t i = 0; i < field(4, 4); ++i) {
            const auto entry = static_cast<std::size_t>(field(8, 4) + i * 16);
            const auto offset = static_cast<std::size_t>(field(entry, 4));
            const std::int64_t size = field(entry + 4, 4);
            if (size < 8 || field(offset, 2) != 3 || field(offset + 4, 4) + 8 != size) {
                continue;
            }
            ++number;
            const std::string name(reinterpret_cast<const char*>(&wad[entry + 8]),  // NOLINT
                                   strnlen(reinterpret_cast<const char*>(&wad[entry + 8]), 8));
            ASSERT_EQ(decoder->Entry(number).name, name + ".wav");
            const auto file = dir / "sound.wav";
            ASSERT_TRUE(decoder->Extract(file, number));
            int rate = 0;
            const auto samples = Decoded(file, &rate);
            EXPECT_EQ(rate, field(offset + 2, 2)) << name;
            const auto first = static_cast<std::ptrdiff_t>(offset + 8 + 16);
            EXPECT_EQ(samples,
                      AsFloats(Bytes(wad.begin() + first, wad.begin() + first + (size - 8 - 32))))
                << name;
        }
        EXPECT_EQ(number, sounds);
        EXPECT_TRUE(CheckArchive(*decoder, false).empty());
        WriteEditedArchive(*decoder, {}, dir / "same.wad");
        EXPECT_TRUE(ReadBytes(dir / "same.wad") == wad);
    }
}

// Which lumps are sounds, and what each becomes.
TEST_F(DoomWadTest, SoundLumpsAreListedAsWhatTheyAreAndNothingElse) {
    const Bytes wav = test::MakeWav(100, 3);
    const Bytes ogg = test::ToneWav(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 22050, 1, 0.2, 440, 0.5);
    const Bytes flac = test::ToneWav(SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 22050, 1, 1.0, 440, 0.5);
    const struct {
        const char* what;
        Lump lump;
        std::int64_t frames;   // -1: not listed; 0: listed, damaged
        const char* encoding;  // or, damaged, what the check finds
    } cases[] = {
        {"49 samples: the padding dropped", {"DSA", Dmx(11025, Ramp(49))}, 17, "PCM 8-bit"},
        {"48 samples: the game plays none; kept whole",
         {"DSA", Dmx(11025, Ramp(48))},
         48,
         "PCM 8-bit"},
        {"a DS lump with bytes after its samples",
         {"DSA", test::Join({Dmx(8000, Ramp(60)), {1}})},
         28,
         "PCM 8-bit"},
        // A damaged sound lump is listed as it is, for the check to find.
        {"a sample count past the lump",
         {"DSA", Dmx(11025, Ramp(60), 61)},
         0,
         "its data chunk runs past the end of the sound"},
        {"a rate of 0",
         {"DSA", Dmx(0, Ramp(60))},
         0,
         "its fmt chunk declares a sample rate of 0 Hz"},
        {"FLAC cut short in a DS lump",
         {"DSF", Bytes(flac.begin(), flac.begin() + static_cast<std::ptrdiff_t>(flac.size() / 2))},
         0,
         "its data chunk runs past the end of the sound"},
        {"a rate of 0 under another name", {"BANG", Dmx(0, Ramp(60))}, -1, ""},
        {"DMX under another name, filling its lump",
         {"BANG", Dmx(11025, Ramp(60))},
         28,
         "PCM 8-bit"},
        {"DMX under another name with a byte more (a picture)",
         {"BANG", test::Join({Dmx(11025, Ramp(60)), {1}})},
         -1,
         ""},
        {"a WAV file in a DS lump", {"DSW", wav}, 56, "PCM 8-bit"},
        {"a WAV file under any name", {"W", wav}, 56, "PCM 8-bit"},
        {"Ogg Vorbis in a DS lump", {"DSO", ogg}, 4410, "PCM 16-bit"},
        {"Ogg Vorbis under another name (music)", {"D_RUNNIN", ogg}, -1, ""},
        {"garbage in a DS lump", {"DSG", Bytes(64, 0)}, -1, ""},
        {"a DS lump of 7 bytes", {"DSS", Bytes(7, 3)}, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto decoder = Open(DoomWad({{"MAP01", {}}, c.lump}));
        ASSERT_EQ(decoder->Count(), c.frames < 0 ? 0 : 1);
        if (c.frames < 0) {
            continue;
        }
        EXPECT_EQ(decoder->Entry(1).name, c.lump.name + ".wav");
        EXPECT_EQ(decoder->Entry(1).StoredOffset(), 12);
        const DetailsOrProblem details = decoder->Details(1);
        if (c.frames == 0) {
            ASSERT_FALSE(details.details);
            EXPECT_EQ(details.problem, c.encoding);
            const std::vector<Finding> found = CheckArchive(*decoder, false);
            ASSERT_FALSE(found.empty());
            EXPECT_NE(found[0].problem.find(c.encoding), std::string::npos) << found[0].problem;
            continue;
        }
        ASSERT_TRUE(details.details) << details.problem;
        EXPECT_EQ(details.details->frames, c.frames);
        EXPECT_EQ(details.details->encoding, c.encoding);
        EXPECT_TRUE(CheckArchive(*decoder, false).empty());
        if (c.lump.bytes == wav) {  // as it stands
            ASSERT_TRUE(decoder->Extract(dir / "w.wav", 1));
            EXPECT_EQ(ReadBytes(dir / "w.wav"), wav);
        }
    }
}

// Damage is refused with what is wrong, and salvage lists the sounds that
// lie whole within the file.
TEST_F(DoomWadTest, DamagedWadsAreRefusedSayingWhyAndSalvagedWhereWhole) {
    const std::vector<Lump> two = {{"DSONE", Dmx(11025, Ramp(60))},
                                   {"DSTWO", Dmx(11025, Ramp(70))}};
    Bytes pastEnd = DoomWad(two);
    StoreLittleEndian(std::span(pastEnd).subspan(pastEnd.size() - 12, 4), 1000);  // DSTWO's size
    Bytes marker = DoomWad({{"DSONE", Dmx(11025, Ramp(60))}, {"MARK", {}}});
    StoreLittleEndian(std::span(marker).subspan(marker.size() - 16, 4), 0x7FFFFFF0);
    const struct {
        const char* what;
        Bytes bytes;
        const char* problem;  // "" for none
        std::int32_t salvaged;
    } cases[] = {
        {"a PWAD with no sounds", DoomWad({{"MAP01", {}}, {"THINGS", Bytes(10, 1)}}), "", 0},
        {"no lumps at all", DoomWad({}), "", 0},
        {"a directory past the end", DoomWad(two, 2, 1000), "lies outside it", 0},
        {"a directory one entry too long", DoomWad(two, 3), "lies outside it", 2},
        {"a negative count", DoomWad(two, 0xFFFFFFFF), "negative number of lumps (-1)", 0},
        {"a lump past the end", pastEnd, "Lump 2 'DSTWO'", 1},
        {"no magic", test::Join({{'X'}, DoomWad(two)}), "is not a Doom WAD", -1},
        {"11 bytes",
         {'P', 'W', 'A', 'D', 0, 0, 0, 0, 12, 0, 0},
         "less than a Doom WAD's 12-byte",
         -1},
        {"a marker pointing past the end (no byte read)", marker, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteBytes(dir / "d.wad", c.bytes);
        auto decoder = MakeDecoder(ArchiveKind::Doom, hooks);
        if (std::string(c.problem).empty()) {
            decoder->Decode(dir / "d.wad");
            EXPECT_EQ(decoder->Count(), c.salvaged);
        } else {
            try {
                decoder->Decode(dir / "d.wad");
                ADD_FAILURE() << "read without a word";
            } catch (const ArchiveError& error) {
                EXPECT_NE(std::string(error.what()).find(c.problem), std::string::npos)
                    << error.what();
            }
        }
        const auto source = std::make_shared<FileSource>(dir / "d.wad");
        if (c.salvaged < 0) {
            EXPECT_THROW(Salvage(ArchiveKind::Doom, source, nullptr, 1000), ArchiveError);
        } else {
            const SalvagedCatalogue found = Salvage(ArchiveKind::Doom, source, nullptr, 1000);
            EXPECT_EQ(found.catalogue.count, c.salvaged);
            EXPECT_EQ(found.Recovered(), c.salvaged);
        }
    }
}

// Where sound lumps lie: over the header, the directory or each other; the
// same bytes under two entries are one sound stored once.
TEST_F(DoomWadTest, TheCheckFindsSoundLumpsLyingOverOthers) {
    // Three lumps: the header's count, 3, then reads as DMX format 3.
    const Bytes wad = DoomWad(
        {{"DSONE", Dmx(11025, Ramp(60))}, {"DSTWO", Dmx(11025, Ramp(70))}, {"X", Bytes(4, 1)}});
    const std::size_t directory = LoadLittleEndian(std::span(wad).subspan(8, 4));
    const auto moved = [&wad, directory](std::uint32_t offset, std::uint32_t size) {
        Bytes bytes = wad;  // DSTWO's entry
        StoreLittleEndian(std::span(bytes).subspan(directory + 16, 4), offset);
        StoreLittleEndian(std::span(bytes).subspan(directory + 20, 4), size);
        return bytes;
    };
    const auto problems = [this](const Bytes& bytes) {
        std::vector<std::string> found;
        for (const Finding& finding : CheckArchive(*Open(bytes), false)) {
            if (finding.problem.find("lump") != std::string::npos) {
                found.push_back(std::to_string(finding.sound) + ": " + finding.problem);
            }
        }
        return found;
    };
    EXPECT_EQ(problems(moved(12, 68)), std::vector<std::string>{});
    EXPECT_EQ(problems(moved(12, 40)),
              std::vector<std::string>{"2: its lump overlaps sound 1's by 40 bytes"});
    const auto whole = static_cast<std::uint32_t>(directory - 4 + 8);
    EXPECT_EQ(problems(moved(4, whole)),
              (std::vector<std::string>{"1: its lump overlaps sound 2's by 68 bytes",
                                        "2: its lump begins inside the WAD's header",
                                        "2: its lump overlaps the WAD's directory"}));
}

// A WAD cut shorter after it was read: its sounds there fail, not read as zeros.
TEST_F(DoomWadTest, AWadCutShortSinceItWasReadFailsTheSoundsItLost) {
    const auto decoder =
        Open(DoomWad({{"DSONE", Dmx(11025, Ramp(60))}, {"DSTWO", Dmx(11025, Ramp(70))}}));
    std::filesystem::resize_file(dir / "a.wad", 12 + 68 + 40);
    EXPECT_TRUE(decoder->Extract(dir / "one.wav", 1));
    EXPECT_THROW(decoder->Extract(dir / "two.wav", 2), ArchiveError);
    EXPECT_FALSE(std::filesystem::exists(dir / "two.wav"));
}

// An edit keeps every lump it does not touch byte for byte and in its place;
// new sounds become DMX lumps in the sounds' places, named after their files.
TEST_F(DoomWadTest, AnEditKeepsEveryOtherLumpAndStoresNewSoundsAsDmx) {
    const Bytes things(13, 5);  // an odd size: the next lump is not aligned
    const Bytes wad = DoomWad({{"MAP01", {}},
                               {"THINGS", things},
                               {"DSONE", Dmx(11025, Ramp(60))},
                               {"PICTURE", Bytes(30, 9)},
                               {"DSTWO", Dmx(22050, Ramp(70))},
                               {"F_END", {}}});
    const auto decoder = Open(wad);
    ASSERT_EQ(Names(*decoder), (std::vector<std::string>{"DSONE.wav", "DSTWO.wav"}));
    const Bytes stereo = test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 96000, 2, 0.01, 300, 0.5);
    test::WriteBytes(dir / "dsnew.wav", stereo);
    const EditOperation operations[] = {{Kind::Replace, {2}, dir / "dsnew.wav", {}, 0},
                                        {Kind::Rename, {1}, {}, "dsfirst.wav", 0},
                                        {Kind::Add, {}, dir / "dsnew.wav", {}, 0}};
    const EditReport report = WriteEditedArchive(*decoder, operations, dir / "edited.wad");
    ASSERT_EQ(report.notes.size(), 1U);
    EXPECT_NE(report.notes[0].find("stored as 8-bit mono at 48000 Hz"), std::string::npos)
        << report.notes[0];
    const Bytes edited = ReadBytes(dir / "edited.wad");

    // The directory: every lump in its order, the new sound after the last one.
    const auto field = [&edited](std::size_t at) {
        return static_cast<std::size_t>(LoadLittleEndian(std::span(edited).subspan(at, 4)));
    };
    ASSERT_EQ(field(4), 7U);
    std::vector<std::string> names;
    std::vector<Bytes> bytes;
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < 7; ++i) {
        const std::size_t entry = field(8) + i * 16;
        names.emplace_back(reinterpret_cast<const char*>(&edited[entry + 8]),  // NOLINT
                           strnlen(reinterpret_cast<const char*>(&edited[entry + 8]), 8));
        offsets.push_back(field(entry));
        bytes.emplace_back(
            edited.begin() + static_cast<std::ptrdiff_t>(field(entry)),
            edited.begin() + static_cast<std::ptrdiff_t>(field(entry) + field(entry + 4)));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"MAP01", "THINGS", "DSFIRST", "PICTURE", "DSTWO",
                                               "DSNEW", "F_END"}));
    EXPECT_EQ(bytes[1], things);
    EXPECT_EQ(bytes[2], Dmx(11025, Ramp(60)));
    EXPECT_EQ(bytes[3], Bytes(30, 9));
    EXPECT_EQ(bytes[4], bytes[5]);
    EXPECT_EQ(offsets[0], offsets[1]) << "a marker points at the lump after it";
    EXPECT_EQ(offsets[5] % 4, 0U) << "a new lump starts on a 4-byte bound";

    // The new lump: DMX at half of 96000 Hz, mono, padded with its first and last samples.
    const Bytes& dmx = bytes[4];
    ASSERT_GE(dmx.size(), 8U + 32U);
    EXPECT_EQ(LoadLittleEndian(std::span(dmx).first(2)), 3U);
    EXPECT_EQ(LoadLittleEndian(std::span(dmx).subspan(2, 2)), 48000U);
    EXPECT_EQ(LoadLittleEndian(std::span(dmx).subspan(4, 4)), dmx.size() - 8);
    EXPECT_EQ(Bytes(dmx.begin() + 8, dmx.begin() + 24), Bytes(16, dmx[24]));
    EXPECT_EQ(Bytes(dmx.end() - 16, dmx.end()), Bytes(16, dmx[dmx.size() - 17]));

    // Read back, the replaced sound plays the lump's samples without the padding.
    const auto reread = Open(edited, "edited.wad");
    EXPECT_EQ(Names(*reread), (std::vector<std::string>{"DSFIRST.wav", "DSTWO.wav", "DSNEW.wav"}));
    ASSERT_TRUE(reread->Extract(dir / "two.wav", 2));
    EXPECT_EQ(Decoded(dir / "two.wav"), AsFloats(Bytes(dmx.begin() + 24, dmx.end() - 16)));
    EXPECT_TRUE(CheckArchive(*reread, false).empty());

    // A lump that begins inside the header keeps its bytes, the header made anew.
    Bytes early = wad;
    const std::size_t entries = LoadLittleEndian(std::span(early).subspan(8, 4));
    StoreLittleEndian(std::span(early).subspan(entries + 16, 4), 9);  // THINGS
    WriteEditedArchive(*Open(early, "early.wad"), {}, dir / "early-same.wad");
    const Bytes same = ReadBytes(dir / "early-same.wad");
    const std::size_t at = LoadLittleEndian(
        std::span(same).subspan(LoadLittleEndian(std::span(same).subspan(8, 4)) + 16, 4));
    EXPECT_EQ(
        Bytes(same.begin() + static_cast<std::ptrdiff_t>(at),
              same.begin() + static_cast<std::ptrdiff_t>(at + things.size())),
        Bytes(early.begin() + 9, early.begin() + 9 + static_cast<std::ptrdiff_t>(things.size())));

    // Removing every sound keeps every other lump.
    const EditOperation removeAll{Kind::Remove, {1, 2}, {}, {}, 0};
    WriteEditedArchive(*decoder, std::span(&removeAll, 1), dir / "none.wad");
    EXPECT_EQ(
        ReadBytes(dir / "none.wad"),
        DoomWad({{"MAP01", {}}, {"THINGS", things}, {"PICTURE", Bytes(30, 9)}, {"F_END", {}}}));
}

// The names a lump can take, at the edges of its 8 bytes; a name the edit
// gives is no other lump's, while one a sound keeps stays as it stands.
TEST_F(DoomWadTest, NewNamesMustFitALumpAndBeNoOtherLumps) {
    const Bytes ogg = test::ToneWav(SF_FORMAT_OGG | SF_FORMAT_VORBIS, 22050, 1, 0.2, 440, 0.5);
    const auto decoder = Open(DoomWad({{"ds\xE9\x01", Dmx(11025, Ramp(60))},
                                       {"PLAYPAL", Bytes(30, 1)},
                                       {"DSTWO", Dmx(11025, Ramp(60))},
                                       {"DSOGG", ogg}}));
    ASSERT_EQ(decoder->Count(), 3);
    const struct {
        std::int32_t sound;
        const char* name;
        const char* lump;  // the sound's listed name after, or nullptr: refused
    } cases[] = {
        {1, "DSFOO.wav", "DSFOO.wav"},
        {1, "dsfoo", "DSFOO.wav"},
        {1, "ABCDEFGH.wav", "ABCDEFGH.wav"},
        {1, "ABCDEFGHI.wav", nullptr},
        {1, "A.B.wav", nullptr},
        {1, ".wav", nullptr},
        {1, "DS FOO.wav", nullptr},
        {1, "DS\xC3\x89.wav", nullptr},
        {1, "[-_^].lmp", "[-_^].wav"},
        {1, "dstwo.wav", nullptr},  // another sound's
        {1, "PlayPal", nullptr},    // a lump that is no sound
        {3, "DSVORBIS", "DSVORBIS.wav"},
        {3, "VORBIS", nullptr},  // would no longer be read as a sound
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const EditOperation rename{Kind::Rename, {c.sound}, {}, c.name, 0};
        std::filesystem::remove(dir / "r.wad");
        if (c.lump == nullptr) {
            EXPECT_THROW(WriteEditedArchive(*decoder, std::span(&rename, 1), dir / "r.wad"),
                         ArchiveError);
            EXPECT_FALSE(std::filesystem::exists(dir / "r.wad"));
            continue;
        }
        WriteEditedArchive(*decoder, std::span(&rename, 1), dir / "r.wad");
        EXPECT_EQ(Names(*Open(ReadBytes(dir / "r.wad"),
                              "reread.wad"))[static_cast<std::size_t>(c.sound - 1)],
                  c.lump);
    }
    // Replaced, a sound keeps its name byte for byte, one no new name could be.
    test::WriteBytes(dir / "new.wav",
                     test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 11025, 1, 0.01, 300, 0.5));
    const EditOperation replace{Kind::Replace, {1}, dir / "new.wav", {}, 0};
    WriteEditedArchive(*decoder, std::span(&replace, 1), dir / "replaced.wad");
    EXPECT_EQ(Names(*Open(ReadBytes(dir / "replaced.wad"), "reread.wad")), Names(*decoder));
    // A sound too short for the game to play is refused.
    test::WriteBytes(dir / "DSTINY.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 11025, 1,
                                                       16.0 / 11025, 300, 0.5));
    const EditOperation tiny{Kind::Add, {}, dir / "DSTINY.wav", {}, 0};
    EXPECT_THROW(WriteEditedArchive(*decoder, std::span(&tiny, 1), dir / "tiny.wad"), ArchiveError);
}

// A new PWAD of WAV files, and the kinds a file's content claims.
TEST_F(DoomWadTest, PackingMakesAPwadAndTheMagicClaimsAnyName) {
    test::WriteBytes(dir / "dsbang.wav",
                     test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 11025, 1, 0.1, 300, 0.5));
    Describe(ArchiveKind::Doom)
        .write(dir / "new.sfx", {PackMember::FromFile(dir / "dsbang.wav")}, {}, nullptr);
    const Bytes packed = ReadBytes(dir / "new.sfx");
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 4), (Bytes{'P', 'W', 'A', 'D'}));
    EXPECT_EQ(KindOfFile(dir / "new.sfx"), ArchiveKind::Doom);
    EXPECT_EQ(ClaimedByContent(ArchiveKind::Sfx, dir / "new.sfx"), ArchiveKind::Sfx)
        << "only a kind of the same extension is claimed";
    test::WriteBytes(dir / "new.wad", packed);
    EXPECT_EQ(ClaimedByContent(ArchiveKind::Wad, dir / "new.wad"), ArchiveKind::Doom);
    EXPECT_EQ(ClaimedByContent(ArchiveKind::Wad, dir / "missing.wad"), ArchiveKind::Wad);
    const auto decoder = Open(packed);
    ASSERT_EQ(Names(*decoder), std::vector<std::string>{"DSBANG.wav"});
    ASSERT_TRUE(decoder->Extract(dir / "back.wav", 1));
    EXPECT_EQ(Decoded(dir / "back.wav"), Decoded(dir / "dsbang.wav"));

    Describe(ArchiveKind::Wad)
        .write(dir / "plain.wad", {PackMember::FromFile(dir / "dsbang.wav")}, {}, nullptr);
    EXPECT_EQ(KindOfFile(dir / "plain.wad"), ArchiveKind::Wad);
    EXPECT_EQ(ClaimedByContent(ArchiveKind::Wad, dir / "plain.wad"), ArchiveKind::Wad);
}

}  // namespace
}  // namespace echodelve
