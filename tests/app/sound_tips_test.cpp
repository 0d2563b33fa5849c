#include "app/sound_tips.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QImage>
#include <QSignalSpy>
#include <cmath>

#include "formats/archive_writers.h"
#include "formats/waveform.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace echodelve::app {
namespace {

// The picture inside an <img> element with a PNG data URL.
QImage PictureOf(const QString& tip) {
    const QString marker = QStringLiteral("base64,");
    const qsizetype start = tip.indexOf(marker);
    if (start < 0) {
        return {};
    }
    const qsizetype end = tip.indexOf(u'"', start);
    return QImage::fromData(
        QByteArray::fromBase64(
            tip.mid(start + marker.size(), end - start - marker.size()).toLatin1()),
        "PNG");
}

TEST(WaveformTest, EachColumnSpansItsStretchOfEveryChannel) {
    // Half a second of a tone of amplitude 0.5 on both channels.
    const test::Bytes half = test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_FLOAT, 8000, 2, 0.5, 440, 0.5);
    const auto stream = SoundStream::OpenRange(std::make_shared<MemorySource>(half), 0,
                                               static_cast<std::int64_t>(half.size()));
    const Waveform outline = ReadWaveform(*stream, 10);
    ASSERT_EQ(outline.low.size(), 10U);
    EXPECT_EQ(outline.frames, 4000);
    for (std::size_t c = 0; c < 10; ++c) {
        EXPECT_NEAR(outline.high[c], 0.5, 0.02) << c;
        EXPECT_NEAR(outline.low[c], -0.5, 0.02) << c;
    }
    const auto again = SoundStream::OpenRange(std::make_shared<MemorySource>(half), 0,
                                              static_cast<std::int64_t>(half.size()));
    EXPECT_TRUE(ReadWaveform(*again, 0).low.empty());
}

TEST(WaveformTest, TheLoopIsShadedAndTheRestIsNot) {
    Waveform outline;
    outline.frames = 1000;
    outline.low.assign(240, 0.0F);
    outline.high.assign(240, 0.0F);
    outline.loop = SoundLoop{500, 750};
    const QImage shaded = PictureOf(WaveformPicture(outline));
    ASSERT_FALSE(shaded.isNull());
    const QRgb inside = shaded.pixel(shaded.width() * 6 / 10, 0);
    const QRgb before = shaded.pixel(shaded.width() * 4 / 10, 0);
    const QRgb after = shaded.pixel(shaded.width() * 9 / 10, 0);
    EXPECT_NE(inside, before);
    EXPECT_EQ(before, after);
    outline.loop.reset();
    EXPECT_EQ(PictureOf(WaveformPicture(outline)).pixel(shaded.width() * 6 / 10, 0), before);
}

class SoundTipsTest : public ::testing::Test {
  protected:
    void List(const std::vector<test::Bytes>& sounds) {
        std::vector<PackMember> members;
        for (std::size_t i = 0; i < sounds.size(); ++i) {
            members.push_back(PackMember::FromBytes("s" + std::to_string(i) + ".wav", sounds[i]));
        }
        WriteWadArchive(dir / "tips.wad", members);
        procedures.RunProcedure(QStringLiteral("wadfile"),
                                QString::fromStdString((dir / "tips.wad").string()), 0);
    }

    test::TempDir dir;
    ProgramState state;
    QtUiHooks hooks{nullptr};
    Procedures procedures{state, hooks};
    SoundTips tips{procedures};
    QSignalSpy ready{&tips, &SoundTips::PictureReady};
};

TEST_F(SoundTipsTest, WordsAtOnceThenThePictureWhichAListingForgets) {
    test::Bytes broken = test::MakeWav(100);
    broken[20] = 0x99;  // an encoding nobody decodes
    List({test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 8000, 1, 0.2, 440, 0.5), broken});

    const QString words = tips.Tip(1);
    EXPECT_FALSE(words.contains(u"<img"));
    EXPECT_TRUE(words.contains(u"8,000 Hz") || words.contains(u"8000 Hz")) << words.toStdString();
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_EQ(ready.takeFirst().at(0).toInt(), 1);
    const QString drawn = tips.Tip(1);
    EXPECT_FALSE(PictureOf(drawn).isNull());
    EXPECT_TRUE(drawn.contains(words.toHtmlEscaped()));

    // A sound that cannot be drawn keeps its words alone.
    tips.Tip(2);
    ASSERT_TRUE(ready.wait(5000));
    EXPECT_FALSE(tips.Tip(2).contains(u"<img"));

    tips.Clear();
    EXPECT_FALSE(tips.Tip(1).contains(u"<img"));  // drawn again for the new listing
    tips.Clear();  // ... which changes before the picture is done: it is dropped
    EXPECT_FALSE(ready.wait(500));
}

}  // namespace
}  // namespace echodelve::app
