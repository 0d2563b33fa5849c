#include "formats/pcm_converter.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <array>
#include <cmath>
#include <numbers>

#include "formats/errors.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

// A float WAV of `frames` frames whose channel c holds sample(frame, c).
template <typename Sample>
std::filesystem::path Wav(const test::TempDir& dir, int rate, int channels, std::size_t frames,
                          Sample sample) {
    const auto path = dir / ("r" + std::to_string(rate) + "c" + std::to_string(channels) + ".wav");
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> samples(frames * static_cast<std::size_t>(channels));
    for (std::size_t f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            samples[f * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                sample(f, c);
        }
    }
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    return path;
}

// Everything the converter gives, as interleaved frames.
std::vector<float> ReadAll(PcmConverter& converter, std::size_t limit = 4'000'000) {
    std::vector<float> all;
    std::vector<std::uint8_t> block(4096 * converter.FrameBytes() + 3);  // not whole frames
    while (all.size() < limit) {
        const std::size_t bytes = converter.Read(block);
        EXPECT_EQ(bytes % converter.FrameBytes(), 0u);
        if (bytes == 0) {
            break;
        }
        const auto* floats = reinterpret_cast<const float*>(block.data());
        all.insert(all.end(), floats, floats + bytes / sizeof(float));
    }
    return all;
}

PcmConverter Converter(const std::filesystem::path& wav, int rate, int channels,
                       std::int64_t tail = 0, bool loop = false) {
    return PcmConverter(std::make_unique<PcmFeeder>(SoundStream::OpenWaveFile(wav), loop), rate,
                        channels, tail);
}

TEST(PcmConverterTest, ChannelsAreMixedAsDocumented) {
    test::TempDir dir;
    // Channel c holds (c + 1) / 10 throughout.
    const auto level = [](std::size_t, int c) { return static_cast<float>(c + 1) / 10; };
    const struct {
        int in;
        int out;
        std::vector<float> frame;  // what every output frame holds
    } cases[] = {
        {1, 2, {0.1F, 0.1F}},        // mono to every channel
        {1, 1, {0.1F}},              //
        {2, 1, {0.15F}},             // the mean of left and right
        {2, 2, {0.1F, 0.2F}},        //
        {2, 3, {0.1F, 0.2F, 0.0F}},  // nothing falls on the third
        {3, 2, {0.2F, 0.2F}},        // (0.1 + 0.3) / 2, and 0.2
        {6, 2, {0.3F, 0.4F}},        // evens and odds
        {64, 2, {3.2F, 3.3F}},       // the means of 0.1, 0.3 ... and 0.2, 0.4 ...
    };
    for (const auto& c : cases) {
        PcmConverter converter = Converter(Wav(dir, 8000, c.in, 100, level), 8000, c.out);
        const std::vector<float> all = ReadAll(converter);
        ASSERT_EQ(all.size(), 100 * c.frame.size()) << c.in << " to " << c.out;
        for (std::size_t i = 0; i < all.size(); ++i) {
            EXPECT_NEAR(all[i], c.frame[i % c.frame.size()], 1e-5) << c.in << " to " << c.out;
        }
    }
}

// The frequency of a sine from its zero crossings, in cycles per frame.
double CyclesPerFrame(const std::vector<float>& mono) {
    std::size_t first = 0;
    std::size_t last = 0;
    std::size_t crossings = 0;
    for (std::size_t i = 1; i < mono.size(); ++i) {
        if ((mono[i - 1] < 0) != (mono[i] < 0)) {
            first = crossings == 0 ? i : first;
            last = i;
            ++crossings;
        }
    }
    return crossings < 3
               ? 0
               : (static_cast<double>(crossings - 1) / 2) / static_cast<double>(last - first);
}

TEST(PcmConverterTest, AnyRateBecomesTheOutputsAtTheSamePitchAndLength) {
    test::TempDir dir;
    const struct {
        int in;
        int out;
        double hz;         // a tone the sound can hold; 0: far below hearing, length only
        double tolerance;  // of the length, as a fraction
    } cases[] = {
        {8000, 48000, 1000, 0.01}, {11025, 44100, 1000, 0.01}, {44100, 48000, 440, 0.01},
        {48000, 44100, 440, 0.01}, {96000, 48000, 440, 0.01},  {384000, 48000, 440, 0.01},
        {22050, 22050, 440, 0.01}, {1000, 48000, 100, 0.01},   {50, 48000, 0, 0.02},
        {20, 48000, 0, 0.02},      {10, 48000, 0, 0.02},       {8, 48000, 0, 0.02},
        {7, 48000, 0, 0.02},       {3, 48000, 0, 0.02},        {1, 48000, 0, 0.02},
    };
    for (const auto& c : cases) {
        // Half a second, or four frames where that is longer.
        const double seconds = std::max(0.5, 4.0 / c.in);
        const auto frames = static_cast<std::size_t>(seconds * c.in);
        const auto wav = Wav(dir, c.in, 1, frames, [&c](std::size_t f, int) {
            return static_cast<float>(
                0.5 * std::sin(2 * std::numbers::pi * c.hz * static_cast<double>(f) / c.in));
        });
        PcmConverter converter = Converter(wav, c.out, 1);
        const std::vector<float> all = ReadAll(converter);
        EXPECT_NEAR(static_cast<double>(all.size()), seconds * c.out, c.tolerance * seconds * c.out)
            << c.in << " to " << c.out;
        if (c.hz > 0) {
            EXPECT_NEAR(CyclesPerFrame(all) * c.out, c.hz, 0.01 * c.hz) << c.in << " to " << c.out;
        }
    }
}

TEST(PcmConverterTest, ARateOrChannelCountAboveTheHighestIsRefusedAtOnce) {
    test::TempDir dir;
    const auto flat = [](std::size_t, int) { return 0.25F; };
    const struct {
        int rate;
        int channels;
        bool played;
    } cases[] = {
        {PcmConverter::kMaxRate, 1, true},
        {PcmConverter::kMaxRate + 1, 1, false},
        {48000, PcmConverter::kMaxChannels, true},
        {48000, PcmConverter::kMaxChannels + 1, false},
    };
    for (const auto& c : cases) {
        const auto wav = Wav(dir, c.rate, c.channels, 100, flat);
        if (c.played) {
            PcmConverter converter = Converter(wav, 48000, 2);
            EXPECT_FALSE(ReadAll(converter).empty()) << c.rate << " Hz, " << c.channels;
        } else {
            EXPECT_THROW(Converter(wav, 48000, 2), ArchiveError) << c.rate << " Hz, " << c.channels;
        }
    }
}

TEST(PcmConverterTest, SilenceFollowsTheSoundAndALoopNeverEnds) {
    test::TempDir dir;
    const auto wav = Wav(dir, 48000, 1, 1000, [](std::size_t, int) { return 0.25F; });
    PcmConverter tailed = Converter(wav, 48000, 2, 300);
    const std::vector<float> all = ReadAll(tailed);
    ASSERT_EQ(all.size(), 2u * 1300);
    EXPECT_FLOAT_EQ(all[2 * 999], 0.25F);
    EXPECT_FLOAT_EQ(all[2 * 1000], 0.0F);
    EXPECT_FLOAT_EQ(all.back(), 0.0F);

    // No room for a frame: nothing, and the sound is still there after.
    PcmConverter roomless = Converter(wav, 48000, 2);
    std::array<std::uint8_t, 7> tooSmall{};
    EXPECT_EQ(roomless.Read(tooSmall), 0u);
    EXPECT_EQ(roomless.Read({}), 0u);
    EXPECT_EQ(ReadAll(roomless).size(), 2u * 1000);

    PcmConverter looped = Converter(wav, 44100, 1, 300, true);
    const std::vector<float> many = ReadAll(looped, 100'000);
    EXPECT_GE(many.size(), 100'000u);
}

}  // namespace
}  // namespace echodelve
