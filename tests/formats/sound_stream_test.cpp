#include "formats/sound_stream.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "formats/archive_writers.h"
#include "formats/errors.h"
#include "formats/little_endian.h"
#include "formats/sound_extractor.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve::sound_stream_tests {
namespace {

using test::Bytes;
using test::ToneWav;

std::shared_ptr<const ByteSource> InMemory(Bytes bytes) {
    return std::make_shared<MemorySource>(std::move(bytes));
}

std::unique_ptr<SoundStream> Open(const Bytes& wav) {
    return SoundStream::OpenRange(InMemory(wav), 0, static_cast<std::int64_t>(wav.size()));
}

// The RMS of every sample a stream decodes, and how many frames it gave.
double Rms(SoundStream& stream, std::int64_t& frames) {
    std::vector<float> block(1024 * static_cast<std::size_t>(stream.Channels()));
    double sum = 0;
    frames = 0;
    while (const std::size_t got = stream.ReadFrames(block)) {
        for (std::size_t i = 0; i < got * static_cast<std::size_t>(stream.Channels()); ++i) {
            sum += static_cast<double>(block[i]) * block[i];
        }
        frames += static_cast<std::int64_t>(got);
    }
    return frames == 0 ? 0 : std::sqrt(sum / static_cast<double>(frames * stream.Channels()));
}

// `wav` with `chunk` put before its fmt chunk and its RIFF length and the
// data chunk's length grown by the given bytes.
Bytes WithChunk(Bytes wav, const Bytes& chunk, std::uint32_t dataGrows = 0) {
    const auto field = [&wav](std::size_t at, std::uint32_t grows) {
        const auto span = std::span(wav).subspan(at, 4);
        StoreLittleEndian(span, LoadLittleEndian(span) + grows);
    };
    field(4, static_cast<std::uint32_t>(chunk.size()));
    field(40, dataGrows);
    wav.insert(wav.begin() + 12, chunk.begin(), chunk.end());
    return wav;
}

TEST(SoundStreamTest, EveryEncodingOfOldGamesDecodesWithItsDetails) {
    // Encoding, rate, name, bits; the lossy codecs lose a little of the RMS,
    // block codecs pad their last block.
    // clang-format off
    const std::tuple<int, int, const char*, std::optional<int>, double, double> rows[] = {
        {SF_FORMAT_PCM_U8,    22050, "PCM 8-bit",      8,  0.01, 0.02},
        {SF_FORMAT_PCM_16,    22050, "PCM 16-bit",     16, 0.01, 0.02},
        {SF_FORMAT_PCM_24,    44100, "PCM 24-bit",     24, 0.01, 0.02},
        {SF_FORMAT_PCM_32,    44100, "PCM 32-bit",     32, 0.01, 0.02},
        {SF_FORMAT_FLOAT,     22050, "Float 32-bit",   32, 0.01, 0.02},
        {SF_FORMAT_DOUBLE,    22050, "Float 64-bit",   64, 0.01, 0.02},
        {SF_FORMAT_ULAW,      8000,  "\xC2\xB5-law", 8,  0.02, 0.02},
        {SF_FORMAT_ALAW,      8000,  "A-law",          8,  0.02, 0.02},
        {SF_FORMAT_IMA_ADPCM, 22050, "IMA ADPCM",      4,  0.04, 0.02},
        {SF_FORMAT_MS_ADPCM,  22050, "MS ADPCM",       4,  0.04, 0.02},
        {SF_FORMAT_GSM610,    8000,  "GSM 6.10",       std::nullopt, 0.06, 0.07}};
    // clang-format on
    for (const auto& [format, rate, name, bits, rmsTolerance, lengthTolerance] : rows) {
        SCOPED_TRACE(name);
        const auto stream = Open(ToneWav(SF_FORMAT_WAV | format, rate, 1, 0.5, 440, 0.5));
        const SoundDetails details = DescribeSound(*stream);
        EXPECT_EQ(details.encoding, name);
        EXPECT_EQ(details.bits, bits);
        EXPECT_EQ(details.sampleRate, rate);
        EXPECT_EQ(details.channels, 1);
        EXPECT_NEAR(details.seconds, 0.5, lengthTolerance);
        std::int64_t frames = 0;
        EXPECT_NEAR(Rms(*stream, frames), 0.354, rmsTolerance);  // a sine of amplitude 0.5
        EXPECT_NEAR(static_cast<double>(frames) / rate, 0.5, lengthTolerance);
    }
}

TEST(SoundStreamTest, TheLayoutWalksChunksPaddedToEvenLengths) {
    // 16-bit stereo: rate, byte rate, block align and bits all differ.
    const Bytes tone = ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2, 0.01, 440, 0.5);
    const Bytes odd = WithChunk(tone, {'o', 'd', 'd', ' ', 3, 0, 0, 0, 'a', 'b', 'c', 0});
    const auto size = static_cast<std::int64_t>(odd.size());
    // A sound, its size, and where its data chunk's bytes begin.
    const std::tuple<Bytes, std::int64_t, std::optional<std::int64_t>> cases[] = {
        {tone, size - 12, 44},
        {odd, size, 56},
        {test::MakeWav(44), 44, 44},  // the data chunk's header ends the sound
        {test::MakeWav(44), 43, std::nullopt}};
    for (const auto& [wav, end, dataAt] : cases) {
        SCOPED_TRACE(end);
        const WaveLayout layout = ReadWaveLayout(*InMemory(wav)->Open(), 0, end);
        ASSERT_TRUE(layout.riffWave);
        EXPECT_EQ(layout.riffLength, static_cast<std::int64_t>(wav.size()) - 8);
        ASSERT_EQ(layout.data.has_value(), dataAt.has_value());
        if (dataAt) {
            EXPECT_EQ(layout.data->offset, *dataAt);
            EXPECT_EQ(layout.data->length, end - *dataAt);
        }
    }
    const WaveLayout layout = ReadWaveLayout(*InMemory(odd)->Open(), 0, size);
    EXPECT_EQ(std::vector<std::uint32_t>({layout.formatTag, layout.channels, layout.sampleRate,
                                          layout.blockAlign, layout.bitsPerSample}),
              std::vector<std::uint32_t>({1, 2, 22050, 4, 16}));
}

TEST(SoundStreamTest, DamagedSoundsSayWhyAndNeverDecodePastTheirRange) {
    const Bytes wav = ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.25, 440, 0.5);
    const auto size = static_cast<std::int64_t>(wav.size());
    const Bytes odd = {'o', 'd', 'd', ' ', 1, 0, 0, 0, 'a', 0};
    Bytes noFormat = wav;
    std::copy_n("junk", 4, noFormat.begin() + 12);  // the "fmt " chunk renamed
    Bytes noChannels = wav;
    noChannels[22] = 0;
    Bytes rifx = wav;
    rifx[3] = 'X';
    const std::string past = "its data chunk runs past the end of the sound";
    const std::string notWave = "it is not a RIFF/WAVE file";
    // The bytes, the sound's offset and size in them, and what is said: "?"
    // for libsndfile's own words.
    // clang-format off
    const std::tuple<Bytes, std::int64_t, std::int64_t, std::string> cases[] = {
        {wav, 0, size, ""}, {WithChunk(wav, odd), 0, size + 10, ""},
        {WithChunk(wav, {}, 1), 0, size, past},  // one byte short
        {WithChunk(wav, odd, 1), 0, size + 10, past}, {wav, 0, size / 2, past},
        {noFormat, 0, size, "?"}, {noChannels, 0, size, "?"},
        {rifx, 0, size, notWave}, {wav, 0, 11, notWave}, {wav, 1, size - 1, notWave},
        {Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, 0, 12, "?"},
        {wav, 0, -1, "the sound declares a negative size"},
        {wav, -1, size, "the sound declares a negative offset"}};
    // clang-format on
    for (const auto& [bytes, offset, length, problem] : cases) {
        const DetailsOrProblem said = ReadSoundDetails(InMemory(bytes), offset, length);
        EXPECT_EQ(said.details.has_value(), problem.empty()) << said.problem;
        if (problem == "?") {
            EXPECT_NE(said.problem, notWave);
            EXPECT_NE(said.problem, "");
        } else {
            EXPECT_EQ(said.problem, problem) << offset << "+" << length;
        }
    }
    // The range is all the decoder sees: the sound after it is not read on.
    Bytes two = wav;
    two.insert(two.end(), wav.begin(), wav.end());
    std::int64_t frames = 0;
    Rms(*SoundStream::OpenRange(InMemory(two), 0, size), frames);
    EXPECT_EQ(frames, 2000);
    EXPECT_EQ(WaveFormatName(0x1234), "format 0x1234");  // a tag without a common name
}

TEST(PcmFeederTest, HandsOutWholeFramesAndLoopsFromTheStart) {
    const Bytes wav = ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2, 0.1, 440, 0.5);
    PcmFeeder once(Open(wav), false);
    ASSERT_EQ(once.FrameBytes(), 8u);
    std::vector<std::uint8_t> out(8 * 50 + 7);  // room for 50 frames and most of one
    EXPECT_EQ(once.Read(std::span(out).first(7)), 0u);
    std::size_t total = 0;
    while (const std::size_t n = once.Read(out)) {
        EXPECT_EQ(n, 8u * 50);
        total += n;
    }
    EXPECT_EQ(total, 8u * 800);

    PcmFeeder looped(Open(wav), true);
    std::vector<std::uint8_t> more(8 * 1000);
    EXPECT_EQ(looped.Read(more), more.size());  // 1000 frames from a sound of 800
    EXPECT_EQ(looped.Read(more), more.size());
    PcmFeeder nothing(Open(ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0, 440, 0.5)), true);
    EXPECT_EQ(nothing.Read(more), 0u);
}

TEST(ConvertTest, ASoundIsDescribedAndConvertedFromItsPlaceInTheArchive) {
    test::TempDir dir;
    const Bytes ima = ToneWav(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050, 2, 0.5, 440, 0.5);
    WriteWadArchive(dir / "a.wad", {PackMember::FromBytes("door.wav", test::MakeWav(100)),
                                    PackMember::FromBytes("ima.wav", ima),
                                    PackMember::FromBytes("text.wav", Bytes(80, 'x'))});
    test::RecordingHooks hooks;
    wadDecoder wad(hooks);
    wad.DecodeWad(dir / "a.wad");
    EXPECT_EQ(wad.Details(1).details.value().frames, 56);
    const DetailsOrProblem two = wad.Details(2);
    ASSERT_TRUE(two.details) << two.problem;
    EXPECT_EQ(two.details->encoding, "IMA ADPCM");
    EXPECT_EQ(wad.Details(3).problem, "it is not a RIFF/WAVE file");
    for (const auto& [to, format] :
         {std::pair{ConvertTo::Pcm16Wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
          std::pair{ConvertTo::Flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
          std::pair{ConvertTo::OggVorbis, SF_FORMAT_OGG | SF_FORMAT_VORBIS}}) {
        const auto out = dir / ("ima" + ConvertedExtension(to));
        ConvertCataloguedSound(wad.Catalogue(), 2, out, to);
        const auto stream = SoundStream::OpenFile(out);
        EXPECT_EQ(stream->Format(), format);
        EXPECT_EQ(stream->SampleRate(), 22050);
        EXPECT_EQ(stream->Channels(), 2);
        std::int64_t frames = 0;
        EXPECT_NEAR(Rms(*stream, frames), 0.354, 0.05);
        EXPECT_NEAR(static_cast<double>(frames) / 22050, 0.5, 0.06);  // IMA pads its last block
    }
    EXPECT_THROW(ConvertCataloguedSound(wad.Catalogue(), 3, dir / "text.flac", ConvertTo::Flac),
                 UndecodableSound);
    EXPECT_THROW(ConvertCataloguedSound(wad.Catalogue(), 2, dir / "a.wad", ConvertTo::Pcm16Wav),
                 ArchiveError);
    EXPECT_TRUE(hooks.questions.empty());
    EXPECT_EQ(test::FileNames(dir.path()),
              (std::vector<std::string>{"a.wad", "ima.flac", "ima.ogg", "ima.wav"}));
}

}  // namespace
}  // namespace echodelve::sound_stream_tests
