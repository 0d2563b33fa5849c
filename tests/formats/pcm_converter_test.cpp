#include "formats/pcm_converter.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <array>
#include <functional>

#include "formats/errors.h"
#include "support/temp_dir.h"

namespace echodelve::pcm_converter_tests {
namespace {

// A converter to `rate` and `channels` over a float WAV of `frames` frames at
// `inRate` whose channel c holds (c + 1) / 10.
PcmConverter Converter(int inRate, int inChannels, std::size_t frames, int rate, int channels,
                       std::int64_t tail = 0, bool loop = false) {
    const test::TempDir dir;
    SF_INFO info{0, inRate, inChannels, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open((dir / "in.wav").c_str(), SFM_WRITE, &info);
    EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> samples;
    for (std::size_t i = 0; i < frames * static_cast<std::size_t>(inChannels); ++i) {
        samples.push_back(static_cast<float>(i % static_cast<std::size_t>(inChannels) + 1) / 10);
    }
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
    // The stream holds the file open, so it outlives the folder.
    return PcmConverter(
        std::make_unique<PcmFeeder>(SoundStream::OpenWaveFile(dir / "in.wav"), loop), rate,
        channels, tail);
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

TEST(PcmConverterTest, ChannelsAreMixedAsDocumented) {
    // clang-format off
    // Channels in and out, and what every output frame holds.
    const std::tuple<int, int, std::vector<float>> cases[] = {
        {1, 2, {0.1F, 0.1F}},         // mono to every channel
        {1, 1, {0.1F}},
        {2, 1, {0.15F}},              // the mean of left and right
        {2, 0, {0.15F}},              // no channels are taken as one
        {2, 2, {0.1F, 0.2F}},
        {2, 3, {0.1F, 0.2F, 0.0F}},   // nothing falls on the third
        {3, 2, {0.2F, 0.2F}},         // (0.1 + 0.3) / 2, and 0.2
        {6, 2, {0.3F, 0.4F}},         // evens and odds
        {64, 2, {3.2F, 3.3F}}};       // the means of 0.1, 0.3 ... and 0.2, 0.4 ...
    // clang-format on
    for (const auto& [in, out, frame] : cases) {
        PcmConverter converter = Converter(8000, in, 100, 8000, out);
        const std::vector<float> all = ReadAll(converter);
        ASSERT_EQ(all.size(), 100 * frame.size()) << in << " to " << out;
        for (std::size_t i = 0; i < all.size(); ++i) {
            EXPECT_NEAR(all[i], frame[i % frame.size()], 1e-5) << in << " to " << out;
        }
    }
}

TEST(PcmConverterTest, AnyRateUpToTheHighestBecomesTheOutputsAtTheSameLength) {
    // Half a second, or four frames where that is longer; a fraction of the length to spare.
    // clang-format off
    const std::tuple<int, int, double> cases[] = {
        {8000, 48000, 0.01}, {11025, 44100, 0.01}, {44100, 48000, 0.01}, {48000, 44100, 0.01},
        {96000, 48000, 0.01}, {PcmConverter::kMaxRate, 48000, 0.01}, {22050, 22050, 0.01},
        {1000, 48000, 0.01}, {50, 48000, 0.02}, {20, 48000, 0.02}, {10, 48000, 0.02},
        {8, 48000, 0.02}, {7, 48000, 0.02}, {3, 48000, 0.02}, {1, 48000, 0.02}};
    // clang-format on
    for (const auto& [in, out, tolerance] : cases) {
        const double seconds = std::max(0.5, 4.0 / in);
        PcmConverter converter = Converter(in, 1, static_cast<std::size_t>(seconds * in), out, 1);
        const std::vector<float> all = ReadAll(converter);
        EXPECT_NEAR(static_cast<double>(all.size()), seconds * out, tolerance * seconds * out)
            << in << " to " << out;
        EXPECT_NEAR(all[all.size() / 2], 0.1F, 0.01) << in << " to " << out;
    }
    EXPECT_THROW(Converter(PcmConverter::kMaxRate + 1, 1, 100, 48000, 2), ArchiveError);
    PcmConverter most = Converter(48000, PcmConverter::kMaxChannels, 100, 48000, 2);
    EXPECT_EQ(ReadAll(most).size(), 2u * 100);
    EXPECT_THROW(Converter(48000, PcmConverter::kMaxChannels + 1, 100, 48000, 2), ArchiveError);
}

TEST(PcmConverterTest, SilenceFollowsTheSoundAndALoopNeverEnds) {
    PcmConverter tailed = Converter(48000, 1, 1000, 48000, 2, 300);
    const std::vector<float> all = ReadAll(tailed);
    ASSERT_EQ(all.size(), 2u * 1300);
    EXPECT_FLOAT_EQ(all[2 * 999], 0.1F);
    EXPECT_FLOAT_EQ(all[2 * 1000], 0.0F);
    EXPECT_FLOAT_EQ(all.back(), 0.0F);

    // No room for a frame: nothing, and the sound is still there after.
    PcmConverter roomless = Converter(48000, 1, 1000, 48000, 2);
    std::array<std::uint8_t, 7> tooSmall{};
    EXPECT_EQ(roomless.Read(tooSmall), 0u);
    EXPECT_EQ(roomless.Read({}), 0u);
    EXPECT_EQ(ReadAll(roomless).size(), 2u * 1000);

    PcmConverter looped = Converter(48000, 1, 1000, 44100, 1, 300, true);
    EXPECT_GE(ReadAll(looped, 100'000).size(), 100'000u);
}

}  // namespace
}  // namespace echodelve::pcm_converter_tests
