#include "formats/sound_stream.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "formats/archive_writers.h"
#include "formats/errors.h"
#include "formats/sound_extractor.h"
#include "formats/wad_decoder.h"
#include "support/fixtures.h"
#include "support/recording_hooks.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::ToneWav;

std::shared_ptr<const ByteSource> InMemory(Bytes bytes) {
    return std::make_shared<MemorySource>(std::move(bytes));
}

// RMS of every sample a stream decodes.
double Rms(SoundStream& stream, std::int64_t* frames = nullptr) {
    std::vector<float> block(1024 * static_cast<std::size_t>(stream.Channels()));
    double sum = 0;
    std::int64_t count = 0;
    while (const std::size_t got = stream.ReadFrames(block)) {
        for (std::size_t i = 0; i < got * static_cast<std::size_t>(stream.Channels()); ++i) {
            sum += static_cast<double>(block[i]) * block[i];
        }
        count += static_cast<std::int64_t>(got);
    }
    if (frames != nullptr) {
        *frames = count;
    }
    return count == 0 ? 0 : std::sqrt(sum / static_cast<double>(count * stream.Channels()));
}

struct EncodingRow {
    int format;
    int rate;
    const char* name;
    std::optional<int> bits;
    double rmsTolerance;            // the lossy codecs lose a little
    double lengthTolerance = 0.02;  // block codecs pad their last block
};

TEST(SoundStreamTest, EveryEncodingOfOldGamesDecodesWithItsDetails) {
    const std::vector<EncodingRow> rows = {
        {SF_FORMAT_PCM_U8, 22050, "PCM 8-bit", 8, 0.01},
        {SF_FORMAT_PCM_16, 22050, "PCM 16-bit", 16, 0.01},
        {SF_FORMAT_PCM_24, 44100, "PCM 24-bit", 24, 0.01},
        {SF_FORMAT_PCM_32, 44100, "PCM 32-bit", 32, 0.01},
        {SF_FORMAT_FLOAT, 22050, "Float 32-bit", 32, 0.01},
        {SF_FORMAT_DOUBLE, 22050, "Float 64-bit", 64, 0.01},
        {SF_FORMAT_ULAW, 8000, "\xC2\xB5-law", 8, 0.02},
        {SF_FORMAT_ALAW, 8000, "A-law", 8, 0.02},
        {SF_FORMAT_IMA_ADPCM, 22050, "IMA ADPCM", 4, 0.04},
        {SF_FORMAT_MS_ADPCM, 22050, "MS ADPCM", 4, 0.04},
        {SF_FORMAT_GSM610, 8000, "GSM 6.10", std::nullopt, 0.06, 0.07},
    };
    for (const EncodingRow& row : rows) {
        SCOPED_TRACE(row.name);
        const Bytes wav = ToneWav(SF_FORMAT_WAV | row.format, row.rate, 1, 0.5, 440, 0.5);
        const auto stream =
            SoundStream::OpenRange(InMemory(wav), 0, static_cast<std::int64_t>(wav.size()));
        const SoundDetails details = DescribeSound(*stream);
        EXPECT_EQ(details.encoding, row.name);
        EXPECT_EQ(details.bits, row.bits);
        EXPECT_EQ(details.sampleRate, row.rate);
        EXPECT_EQ(details.channels, 1);
        EXPECT_NEAR(details.seconds, 0.5, row.lengthTolerance);
        std::int64_t frames = 0;
        EXPECT_NEAR(Rms(*stream, &frames), 0.354, row.rmsTolerance);  // a sine of amplitude 0.5
        EXPECT_NEAR(static_cast<double>(frames) / row.rate, 0.5, row.lengthTolerance);
    }
}

TEST(SoundStreamTest, DetailsComeFromTheSoundsPlaceInTheArchive) {
    test::TempDir dir;
    const Bytes stereo = ToneWav(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 11025, 2, 1.0, 300, 0.4);
    WriteWadArchive(dir / "a.wad", {PackMember::FromBytes("door.wav", test::MakeWav(100)),
                                    PackMember::FromBytes("stereo.wav", stereo),
                                    PackMember::FromBytes("text.wav", Bytes(80, 'x'))});
    test::RecordingHooks hooks;
    wadDecoder wad(hooks);
    wad.DecodeWad(dir / "a.wad");
    const DetailsOrProblem door = wad.Details(1);
    ASSERT_TRUE(door.details) << door.problem;
    EXPECT_EQ(door.details->encoding, "PCM 8-bit");
    EXPECT_EQ(door.details->frames, 56);
    const DetailsOrProblem two = wad.Details(2);
    ASSERT_TRUE(two.details) << two.problem;
    EXPECT_EQ(two.details->channels, 2);
    EXPECT_EQ(two.details->sampleRate, 11025);
    EXPECT_NEAR(two.details->seconds, 1.0, 0.02);
    EXPECT_EQ(wad.Details(3).problem, "it is not a RIFF/WAVE file");
    EXPECT_TRUE(hooks.questions.empty());
    EXPECT_EQ(test::FileNames(dir.path()), std::vector<std::string>{"a.wad"});
}

TEST(SoundStreamTest, DamagedSoundsSayWhyAndNeverDecodePastTheirRange) {
    Bytes wav = ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.25, 440, 0.5);
    const auto size = static_cast<std::int64_t>(wav.size());

    Bytes noFormat = wav;
    std::copy_n("junk", 4, noFormat.begin() + 12);  // the "fmt " chunk renamed
    EXPECT_FALSE(ReadSoundDetails(InMemory(noFormat), 0, size).problem.empty());

    Bytes noChannels = wav;
    noChannels[22] = 0;  // the fmt chunk's channel count
    EXPECT_FALSE(ReadSoundDetails(InMemory(noChannels), 0, size).details);

    // A data chunk claiming more than the sound holds is damage, not a fragment to play.
    Bytes longData = wav;
    longData[40] = 0xFF;
    longData[41] = 0xFF;
    EXPECT_EQ(ReadSoundDetails(InMemory(longData), 0, size).problem,
              "its data chunk runs past the end of the sound");

    // The range is all the decoder sees: the sound after it is not read on,
    // and the same bytes cut short are damaged.
    Bytes two = wav;
    two.insert(two.end(), wav.begin(), wav.end());
    std::int64_t frames = 0;
    Rms(*SoundStream::OpenRange(InMemory(two), 0, size), &frames);
    EXPECT_EQ(frames, 2000);
    EXPECT_THROW(SoundStream::OpenRange(InMemory(two), 0, size / 2), UndecodableSound);

    EXPECT_EQ(ReadSoundDetails(InMemory(Bytes(3, 'R')), 0, 3).problem,
              "it is not a RIFF/WAVE file");
    EXPECT_THROW(SoundStream::OpenRange(InMemory(wav), 0, -1), UndecodableSound);
}

// Named tags are read through check and the tool; a tag without a common name.
TEST(SoundStreamTest, AFormatTagWithoutANameIsItsNumber) {
    EXPECT_EQ(WaveFormatName(0x1234), "format 0x1234");
    EXPECT_EQ(WaveFormatName(0x0000), "format 0x0000");
}

TEST(PcmFeederTest, HandsOutWholeFramesOnly) {
    const Bytes wav = ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 2, 0.1, 440, 0.5);
    PcmFeeder feeder(
        SoundStream::OpenRange(InMemory(wav), 0, static_cast<std::int64_t>(wav.size())), false);
    ASSERT_EQ(feeder.FrameBytes(), 8u);
    std::vector<std::uint8_t> out(8 * 50 + 5);  // room for 50 frames and a part of one
    std::size_t total = 0;
    while (const std::size_t n = feeder.Read(out)) {
        EXPECT_EQ(n % 8, 0u);
        total += n;
    }
    EXPECT_EQ(total / 8, 800u);
    EXPECT_EQ(feeder.Read(std::span(out).first(7)), 0u);  // less than a frame
}

TEST(PcmFeederTest, LoopsFromTheStartAndEndsALoopOfNothing) {
    const Bytes wav = ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.01, 440, 0.5);
    PcmFeeder loop(SoundStream::OpenRange(InMemory(wav), 0, static_cast<std::int64_t>(wav.size())),
                   true);
    std::vector<std::uint8_t> out(4 * 1000);
    EXPECT_EQ(loop.Read(out), out.size());  // 1000 frames from a sound of 80
    EXPECT_EQ(loop.Read(out), out.size());

    const Bytes empty = ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0, 440, 0.5);
    PcmFeeder nothing(
        SoundStream::OpenRange(InMemory(empty), 0, static_cast<std::int64_t>(empty.size())), true);
    EXPECT_EQ(nothing.Read(out), 0u);
}

TEST(ConvertTest, SoundsConvertToPcm16FlacAndOggAndWhatCannotBeDecodedIsNotWritten) {
    test::TempDir dir;
    const Bytes ima = ToneWav(SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 22050, 2, 0.5, 440, 0.5);
    WriteWadArchive(dir / "a.wad", {PackMember::FromBytes("ima.wav", ima),
                                    PackMember::FromBytes("text.wav", Bytes(80, 'x'))});
    test::RecordingHooks hooks;
    wadDecoder wad(hooks);
    wad.DecodeWad(dir / "a.wad");
    for (const auto& [to, format] :
         {std::pair{ConvertTo::Pcm16Wav, SF_FORMAT_WAV | SF_FORMAT_PCM_16},
          std::pair{ConvertTo::Flac, SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
          std::pair{ConvertTo::OggVorbis, SF_FORMAT_OGG | SF_FORMAT_VORBIS}}) {
        const auto out = dir / ("ima" + ConvertedExtension(to));
        ConvertCataloguedSound(wad.Catalogue(), 1, out, to);
        const auto stream = SoundStream::OpenFile(out);
        EXPECT_EQ(stream->Format(), format);
        EXPECT_EQ(stream->SampleRate(), 22050);
        EXPECT_EQ(stream->Channels(), 2);
        std::int64_t frames = 0;
        EXPECT_NEAR(Rms(*stream, &frames), 0.354, 0.05);
        EXPECT_NEAR(static_cast<double>(frames) / 22050, 0.5, 0.06);  // IMA pads its last block
    }
    EXPECT_THROW(ConvertCataloguedSound(wad.Catalogue(), 2, dir / "text.flac", ConvertTo::Flac),
                 UndecodableSound);
    EXPECT_THROW(ConvertCataloguedSound(wad.Catalogue(), 1, dir / "a.wad", ConvertTo::Pcm16Wav),
                 ArchiveError);
    EXPECT_EQ(test::FileNames(dir.path()),
              (std::vector<std::string>{"a.wad", "ima.flac", "ima.ogg", "ima.wav"}));
}

}  // namespace
}  // namespace echodelve
