#include <gtest/gtest.h>
#include <sndfile.h>

#include <FLAC/metadata.h>
#include <vorbis/vorbisfile.h>

#include <cstring>
#include <map>

#include "formats/archive_writers.h"
#include "formats/sound_extractor.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

using test::Bytes;

constexpr int kLoopRate = 8000;
constexpr sf_count_t kLoopFrames = 1000;

// A 16-bit WAV of 1000 frames, with a "smpl" loop of [start, end) or a cue
// point at `cue`, as libsndfile writes them.
void WriteLoopedWav(const std::filesystem::path& path, std::optional<SoundLoop> loop,
                    std::optional<std::uint32_t> cue = std::nullopt) {
    SF_INFO info{};
    info.samplerate = kLoopRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    if (loop) {
        SF_INSTRUMENT instrument{};
        instrument.loop_count = 1;
        instrument.loops[0].mode = SF_LOOP_FORWARD;
        instrument.loops[0].start = static_cast<unsigned>(loop->start);
        instrument.loops[0].end = static_cast<unsigned>(loop->end);
        sf_command(file, SFC_SET_INSTRUMENT, &instrument, sizeof instrument);
    }
    if (cue) {
        SF_CUES cues{};
        cues.cue_count = 1;
        cues.cue_points[0].sample_offset = *cue;
        cues.cue_points[0].fcc_chunk = 0x61746164;  // "data"
        sf_command(file, SFC_SET_CUE, &cues, sizeof cues);
    }
    std::vector<short> samples(kLoopFrames);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<short>((i % 50) * 200);
    }
    sf_writef_short(file, samples.data(), kLoopFrames);
    sf_close(file);
}

// The LOOPSTART and LOOPLENGTH comments of a FLAC or Ogg Vorbis file.
std::map<std::string, std::string> LoopComments(const std::filesystem::path& path) {
    std::vector<std::string> comments;
    if (path.extension() == ".flac") {
        FLAC__StreamMetadata* tags = nullptr;
        if (FLAC__metadata_get_tags(path.c_str(), &tags)) {
            for (FLAC__uint32 i = 0; i < tags->data.vorbis_comment.num_comments; ++i) {
                const auto& entry = tags->data.vorbis_comment.comments[i];
                comments.emplace_back(reinterpret_cast<const char*>(entry.entry), entry.length);
            }
            FLAC__metadata_object_delete(tags);
        }
    } else {
        OggVorbis_File ogg;
        if (ov_fopen(path.c_str(), &ogg) == 0) {
            const vorbis_comment* vc = ov_comment(&ogg, -1);
            for (int i = 0; i < vc->comments; ++i) {
                comments.emplace_back(vc->user_comments[i],
                                      static_cast<std::size_t>(vc->comment_lengths[i]));
            }
            ov_clear(&ogg);
        }
    }
    std::map<std::string, std::string> loop;
    for (const std::string& comment : comments) {
        const std::size_t equals = comment.find('=');
        const std::string name = comment.substr(0, equals);
        if (name == "LOOPSTART" || name == "LOOPLENGTH") {
            loop[name] = comment.substr(equals + 1);
        }
    }
    return loop;
}

class LoopTest : public ::testing::Test {
  protected:
    // A WAD of the looped sounds; sound n is files[n - 1].
    void Pack(const std::vector<std::filesystem::path>& files) {
        std::vector<PackMember> members;
        for (const auto& file : files) {
            members.push_back(PackMember::FromFile(file));
        }
        WriteWadArchive(dir / "loops.wad", members);
        wad.DecodeWad(dir / "loops.wad");
    }
    std::optional<SoundLoop> DetailsLoop(std::int64_t number) {
        const DetailsOrProblem details = wad.Details(number);
        EXPECT_TRUE(details.details.has_value()) << details.problem;
        return details.details ? details.details->loop : std::nullopt;
    }

    test::TempDir dir;
    test::RecordingHooks hooks;
    wadDecoder wad{hooks};
};

TEST_F(LoopTest, DetailsTellTheSmplLoopOrTheFirstCueToTheEndAndNoLoopThatHoldsNothing) {
    const struct {
        const char* name;
        std::optional<SoundLoop> smpl;
        std::optional<std::uint32_t> cue;
        std::optional<SoundLoop> shown;
    } cases[] = {
        {"smpl.wav", SoundLoop{100, 200}, std::nullopt, SoundLoop{100, 200}},
        {"whole.wav", SoundLoop{0, kLoopFrames}, std::nullopt, SoundLoop{0, kLoopFrames}},
        {"last-frame.wav", SoundLoop{999, 1000}, std::nullopt, SoundLoop{999, 1000}},
        {"empty-loop.wav", SoundLoop{300, 300}, std::nullopt, std::nullopt},
        {"past-end.wav", SoundLoop{1000, 1200}, std::nullopt, std::nullopt},
        {"cue.wav", std::nullopt, 250U, SoundLoop{250, kLoopFrames}},
        {"smpl-and-cue.wav", SoundLoop{10, 20}, 250U, SoundLoop{10, 20}},
        {"plain.wav", std::nullopt, std::nullopt, std::nullopt},
    };
    std::vector<std::filesystem::path> files;
    for (const auto& c : cases) {
        WriteLoopedWav(dir / c.name, c.smpl, c.cue);
        files.push_back(dir / c.name);
    }
    Pack(files);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(DetailsLoop(static_cast<std::int64_t>(i + 1)), cases[i].shown) << cases[i].name;
    }
}

TEST_F(LoopTest, EveryConversionKeepsTheLoopAndAddsNoneWhereThereIsNone) {
    WriteLoopedWav(dir / "looped.wav", SoundLoop{100, 200});
    WriteLoopedWav(dir / "plain.wav", std::nullopt);
    Pack({dir / "looped.wav", dir / "plain.wav"});
    for (const ConvertTo to : {ConvertTo::Pcm16Wav, ConvertTo::Flac, ConvertTo::OggVorbis}) {
        for (const std::int64_t number : {1, 2}) {
            const auto out = dir / ("out" + std::to_string(number) + ConvertedExtension(to));
            ConvertCataloguedSound(wad.Catalogue(), number, out, to);
            const auto stream = SoundStream::OpenFile(out);
            EXPECT_EQ(stream->Frames(), kLoopFrames) << out;  // the sound itself is whole
            const bool looped = number == 1;
            if (to == ConvertTo::Pcm16Wav) {
                EXPECT_EQ(stream->Loop(),
                          looped ? std::optional(SoundLoop{100, 200}) : std::nullopt);
                continue;
            }
            const std::map<std::string, std::string> expected =
                looped ? std::map<std::string, std::string>{{"LOOPSTART", "100"},
                                                            {"LOOPLENGTH", "100"}}
                       : std::map<std::string, std::string>{};
            EXPECT_EQ(LoopComments(out), expected) << out;
        }
    }
    // Through a pipe too, where the whole file is made before it is handed on.
    Bytes piped;
    ConvertCataloguedSound(wad.Catalogue(), 1, ConvertTo::Flac,
                           [&](std::span<const std::uint8_t> bytes) {
                               piped.insert(piped.end(), bytes.begin(), bytes.end());
                           });
    test::WriteBytes(dir / "piped.flac", piped);
    EXPECT_EQ(LoopComments(dir / "piped.flac").at("LOOPSTART"), "100");
}

}  // namespace
}  // namespace echodelve
