#include "platform/wav_clip.h"

#include <gtest/gtest.h>

namespace echodelve::platform {
namespace {

// A WAV file with the given format tag, channels, bits and data bytes, and
// optionally an extra chunk of odd length before the data.
QByteArray Wav(quint16 tag, quint16 channels, quint16 bits, const QByteArray& data,
               bool oddChunk = false) {
    QByteArray body = "WAVE";
    const auto u16 = [](QByteArray& out, quint16 v) {
        out.append(char(v & 0xFF)).append(char(v >> 8));
    };
    const auto u32 = [&u16](QByteArray& out, quint32 v) {
        u16(out, quint16(v & 0xFFFF));
        u16(out, quint16(v >> 16));
    };
    body += "fmt ";
    u32(body, 16);
    u16(body, tag);
    u16(body, channels);
    u32(body, 22050);
    u32(body, 22050u * channels * bits / 8);
    u16(body, quint16(channels * bits / 8));
    u16(body, bits);
    if (oddChunk) {
        body += "LIST";
        u32(body, 3);
        body += "abc";
        body += '\0';  // the pad byte
    }
    body += "data";
    u32(body, quint32(data.size()));
    body += data;
    QByteArray file = "RIFF";
    u32(file, quint32(body.size()));
    return file + body;
}

TEST(WavClipTest, PcmAndFloatFormatsAreRead) {
    const auto pcm16 = ParseWav(Wav(1, 2, 16, QByteArray(8, '\x01')));
    ASSERT_TRUE(pcm16);
    EXPECT_EQ(pcm16->format.sampleFormat(), QAudioFormat::Int16);
    EXPECT_EQ(pcm16->format.channelCount(), 2);
    EXPECT_EQ(pcm16->format.sampleRate(), 22050);
    EXPECT_EQ(pcm16->samples, QByteArray(8, '\x01'));

    EXPECT_EQ(ParseWav(Wav(1, 1, 8, "abc"))->format.sampleFormat(), QAudioFormat::UInt8);
    EXPECT_EQ(ParseWav(Wav(3, 1, 32, QByteArray(8, 0)))->format.sampleFormat(),
              QAudioFormat::Float);
    // Chunks of odd length are padded; the data after them is still found.
    EXPECT_EQ(ParseWav(Wav(1, 1, 16, "wxyz", true))->samples, QByteArray("wxyz"));
}

TEST(WavClipTest, TwentyFourBitSamplesAreWidenedTo32) {
    const auto clip = ParseWav(Wav(1, 1, 24, QByteArray("\x01\x02\x03\x04\x05\x06", 6)));
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->format.sampleFormat(), QAudioFormat::Int32);
    EXPECT_EQ(clip->samples, QByteArray("\x00\x01\x02\x03\x00\x04\x05\x06", 8));

    // Stereo data of a frame and a half: the half frame is left out.
    const auto stereo =
        ParseWav(Wav(1, 2, 24, QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09", 9)));
    ASSERT_TRUE(stereo);
    EXPECT_EQ(stereo->samples, QByteArray("\x00\x01\x02\x03\x00\x04\x05\x06", 8));
}

TEST(WavClipTest, WhatCannotBePlayedIsRefused) {
    EXPECT_FALSE(ParseWav(Wav(2, 1, 4, QByteArray(16, 0))));  // ADPCM
    EXPECT_FALSE(ParseWav(Wav(1, 1, 12, QByteArray(16, 0))));
    EXPECT_FALSE(ParseWav(Wav(1, 0, 16, QByteArray(16, 0))));
    EXPECT_FALSE(ParseWav("RIFX\x10\0\0\0WAVE"));
    EXPECT_FALSE(ParseWav(QByteArray("RIFF\x04\0\0\0WAVE", 12)));  // no chunks
    EXPECT_FALSE(ParseWav(QByteArray()));
}

TEST(WavClipTest, ShortDataIsCutToWholeFrames) {
    QByteArray file = Wav(1, 2, 16, QByteArray(16, '\x02'));
    file.chop(3);  // the data chunk claims more than the file holds
    const auto clip = ParseWav(file);
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->samples.size(), 12);
}

}  // namespace
}  // namespace echodelve::platform
