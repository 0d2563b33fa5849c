// What the user hears, checked on a real sound server: these run under
// tests/audio/with-pulse, which gives them a private PulseAudio server whose
// null sink's monitor parec records.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>

#include "formats/archive_writers.h"
#include "formats/little_endian.h"
#include "program/program.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"
#include "tools/synth_wav.h"

namespace echodelve::app {
namespace {

using tools::kRate;
constexpr int kWindow = kRate / 100;  // 10 ms
constexpr double kSilence = 0.02;     // RMS below this is silence
constexpr double kHysteresis = 0.05;  // of a wave's crossing of zero

test::Bytes SineWav(double hz, double seconds, double amplitude) {
    std::vector<double> samples(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] =
            amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / kRate);
    }
    return tools::EncodeWav(samples);
}

// Records the null sink's monitor as 22050 Hz mono samples in [-1, 1].
class Recorder {
  public:
    Recorder() {
        parec_.start(QStringLiteral("parec"),
                     {QStringLiteral("-d"), QStringLiteral("echodelve_null.monitor"),
                      QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                      QStringLiteral("--rate=22050"), QStringLiteral("--channels=1"),
                      QStringLiteral("--latency-msec=20")});
        EXPECT_TRUE(parec_.waitForStarted(5000)) << "parec did not start";
        RecordFor(0.3);  // the stream is flowing
    }
    // Seconds recorded so far. The sink delivers in blocks, so this trails the
    // clock a little: what happens now shows up after this mark.
    double Now() {
        Drain();
        return static_cast<double>(samples_.size()) / kRate;
    }
    // Lets the program run until `seconds` more have been recorded.
    void RecordFor(double seconds) {
        const double until = Now() + seconds;
        QElapsedTimer clock;
        clock.start();
        while (Now() < until && clock.elapsed() < 15000) {
            QTest::qWait(20);
        }
        ASSERT_GE(Now(), until) << "the recording stalled";
    }
    // RMS of each 10 ms window from `from` to `to` seconds.
    std::vector<double> Windows(double from, double to) {
        Drain();
        std::vector<double> windows;
        for (auto start = static_cast<std::size_t>(from * kRate);
             start + kWindow <= std::min(samples_.size(), static_cast<std::size_t>(to * kRate));
             start += kWindow) {
            double sum = 0;
            for (std::size_t i = start; i < start + kWindow; ++i) {
                sum += samples_[i] * samples_[i];
            }
            windows.push_back(std::sqrt(sum / kWindow));
        }
        return windows;
    }
    // The frequency of the loud 10 ms windows of a stretch, from their zero crossings.
    // From the spacing of the wave's zero crossings: the mean of the middle
    // half of the half-periods, so that a moment the recording missed (a
    // stall of a loaded machine) moves nothing.
    double Frequency(double from, double to) {
        const std::vector<double> windows = Windows(from, to);
        const auto first = static_cast<std::size_t>(from * kRate);
        std::vector<std::size_t> halfPeriods;
        std::size_t lastCrossing = 0;
        int side = 0;  // -1 or 1 once the wave is clearly below or above zero
        for (std::size_t w = 0; w < windows.size(); ++w) {
            if (windows[w] < 0.1) {
                side = 0;
                continue;
            }
            const std::size_t start = first + w * kWindow;
            // A crossing counts once the wave is clearly on the other side,
            // so the noise of the lossy codecs near zero adds none.
            for (std::size_t i = start; i < start + kWindow; ++i) {
                const int now = samples_[i] > kHysteresis ? 1 : samples_[i] < -kHysteresis ? -1 : 0;
                if (side != 0 && now != 0 && now != side) {
                    if (lastCrossing != 0) {
                        halfPeriods.push_back(i - lastCrossing);
                    }
                    lastCrossing = i;
                } else if (side == 0 && now != 0) {
                    lastCrossing = 0;  // a new stretch of sound: no period across the gap
                }
                side = now != 0 ? now : side;
            }
        }
        if (halfPeriods.size() < 8) {
            return 0;
        }
        std::sort(halfPeriods.begin(), halfPeriods.end());
        const std::size_t quarter = halfPeriods.size() / 4;
        double sum = 0;
        for (std::size_t i = quarter; i < halfPeriods.size() - quarter; ++i) {
            sum += static_cast<double>(halfPeriods[i]);
        }
        const double halfPeriod = sum / static_cast<double>(halfPeriods.size() - 2 * quarter);
        return kRate / (2 * halfPeriod);
    }

  private:
    void Drain() {
        QCoreApplication::processEvents();
        pending_ += parec_.readAllStandardOutput();
        const qsizetype whole = pending_.size() / 2 * 2;
        for (qsizetype i = 0; i < whole; i += 2) {
            const auto value =
                static_cast<std::int16_t>(static_cast<std::uint8_t>(pending_[i]) |
                                          static_cast<std::uint8_t>(pending_[i + 1]) << 8);
            samples_.push_back(value / 32768.0);
        }
        pending_.remove(0, whole);
    }

    QProcess parec_;
    QByteArray pending_;
    std::vector<double> samples_;
};

bool Silent(const std::vector<double>& windows) {
    return std::all_of(windows.begin(), windows.end(), [](double rms) { return rms < kSilence; });
}

bool Sounding(const std::vector<double>& windows) {
    return !windows.empty() &&
           std::all_of(windows.begin(), windows.end(), [](double rms) { return rms > 0.2; });
}

// What was heard of one sound: how long it sounded, how loud its middle was,
// at what pitch.
struct Heard {
    double seconds = 0;
    double level = 0;  // mean RMS of the 10 ms windows, the first and last 0.1 s left out
    double hz = 0;
};

Heard Measure(Recorder& recorder, double from) {
    const std::vector<double> windows = recorder.Windows(from, recorder.Now());
    const auto loud = [](double rms) { return rms > kSilence; };
    const auto first = std::find_if(windows.begin(), windows.end(), loud);
    const auto last = std::find_if(windows.rbegin(), windows.rend(), loud);
    if (first == windows.end() || std::distance(first, last.base()) <= 20) {
        return {};
    }
    Heard heard;
    heard.seconds = static_cast<double>(std::distance(first, last.base())) / 100;
    const std::vector<double> middle(first + 10, last.base() - 10);
    for (double rms : middle) {
        heard.level += rms / static_cast<double>(middle.size());
    }
    heard.hz = recorder.Frequency(from, recorder.Now());
    return heard;
}

class AudioPreviewTest : public ::testing::Test {
  protected:
    AudioPreviewTest() { main.SetProgramFolder(QString::fromStdString(program.path().string())); }
    void ListAndSelect(const std::string& archive, const std::string& name,
                       const test::Bytes& wav) {
        WriteWadArchive(dir / archive, {PackMember::FromBytes(name, wav)});
        app.Dispatcher().RunProcedure(QStringLiteral("wadfile"),
                                      QString::fromStdString((dir / archive).string()), 0);
        main.Port()->topLevelItem(0)->setSelected(true);
    }

    test::TempDir dir;
    test::TempDir program;
    program::Program app;
    ui::frmMain& main = app.Main();
};

TEST_F(AudioPreviewTest, PreviewSoundsAtItsLevelForItsLength) {
    ListAndSelect("a.wad", "tone.wav", SineWav(440, 0.5, 0.5));
    Recorder recorder;
    const double start = recorder.Now();
    app.PreviewOf().Port_DblClick();
    recorder.RecordFor(1.5);
    const Heard heard = Measure(recorder, start);
    EXPECT_NEAR(heard.seconds, 0.5, 0.06);  // the whole sound, its tail included
    EXPECT_NEAR(heard.level, 0.354, 0.06);  // a sine of amplitude 0.5 has an RMS of 0.354
    EXPECT_NEAR(heard.hz, 440, 30);
}

// Runs a program of the machine's, failing the test if it does not succeed.
void RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    ASSERT_EQ(process.exitCode(), 0)
        << program.toStdString() << ": " << process.readAllStandardError().toStdString();
}

TEST_F(AudioPreviewTest, EveryEncodingOldGamesStoredPlaysAtItsLevelLengthAndPitch) {
    struct Encoding {
        const char* name;
        const char* soxOptions;  // space-separated
        int rate;
        double levelTolerance;  // the lossy codecs lose a little
    };
    const std::vector<Encoding> encodings = {
        {"u8", "-e unsigned-integer -b 8", 22050, 0.06},
        {"s16", "-e signed-integer -b 16", 22050, 0.06},
        {"s24", "-e signed-integer -b 24", 44100, 0.06},
        {"s32", "-e signed-integer -b 32", 44100, 0.06},
        {"f32", "-e floating-point -b 32", 22050, 0.06},
        {"f64", "-e floating-point -b 64", 22050, 0.06},
        {"ulaw", "-e mu-law", 8000, 0.07},
        {"alaw", "-e a-law", 8000, 0.07},
        {"ima", "-e ima-adpcm", 22050, 0.08},
        {"ms", "-e ms-adpcm", 22050, 0.08},
        {"gsm", "-e gsm-full-rate", 8000, 0.1},
    };
    // Made by sox, packed into one archive by the command-line tool.
    QStringList files;
    for (const Encoding& encoding : encodings) {
        const QString file =
            QString::fromStdString((dir / (std::string(encoding.name) + ".wav")).string());
        RunTool(
            QStringLiteral("sox"),
            QStringList{QStringLiteral("-n"), QStringLiteral("-r"), QString::number(encoding.rate),
                        QStringLiteral("-c"), QStringLiteral("1")} +
                QString::fromLatin1(encoding.soxOptions).split(u' ') +
                QStringList{file, QStringLiteral("synth"), QStringLiteral("0.5"),
                            QStringLiteral("sine"), QStringLiteral("440"), QStringLiteral("vol"),
                            QStringLiteral("0.5")});
        files << file;
    }
    const QString archive = QString::fromStdString((dir / "encodings.wad").string());
    RunTool(QStringLiteral(ECHODELVE_CLI_PATH),
            QStringList{QStringLiteral("pack"), QStringLiteral("-o"), archive} + files);
    app.Dispatcher().RunProcedure(QStringLiteral("wadfile"), archive, 0);
    ASSERT_EQ(main.SoundCount(), static_cast<int>(encodings.size()));

    Recorder recorder;
    for (int row = 0; row < main.SoundCount(); ++row) {
        SCOPED_TRACE(encodings[static_cast<std::size_t>(row)].name);
        main.Port()->clearSelection();
        main.Port()->topLevelItem(row)->setSelected(true);
        const double start = recorder.Now();
        app.PreviewOf().Port_DblClick();
        recorder.RecordFor(0.9);
        const Heard heard = Measure(recorder, start);
        EXPECT_NEAR(heard.seconds, 0.5, 0.06);
        EXPECT_NEAR(heard.level, 0.354, encodings[static_cast<std::size_t>(row)].levelTolerance);
        EXPECT_NEAR(heard.hz, 440, 30);
    }
}

// Every sound is converted to the one format the output was opened with: a
// rate far below hearing or a crowd of channels plays (or is silent) without
// harming the program, and what can be heard is heard at its pitch.
TEST_F(AudioPreviewTest, AnyRateAndChannelCountPlaysAtItsPitchAndTheProgramLives) {
    struct Sweep {
        int rate;
        int channels;
        double hz;  // 0: below hearing, only the program's life is checked
    };
    std::vector<Sweep> sweep;
    for (const int rate : {1, 3, 7, 8, 10, 20, 50}) {
        sweep.push_back({rate, 1, 0});
    }
    for (const int rate : {1000, 8000, 11025, 44100, 48000, 96000, 192000, 384000}) {
        sweep.push_back({rate, 1, rate == 1000 ? 300.0 : 440.0});
    }
    for (const int channels : {2, 3, 4, 6, 8, 16, 64}) {
        sweep.push_back({22050, channels, 440});
    }
    Recorder recorder;
    for (const Sweep& s : sweep) {
        SCOPED_TRACE(std::to_string(s.rate) + " Hz, " + std::to_string(s.channels) + " channels");
        // Half a second, or four frames where that is longer.
        const double seconds = std::max(0.5, 4.0 / s.rate);
        ListAndSelect("sweep.wad", "sweep.wav",
                      test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, s.rate, s.channels, seconds,
                                    s.hz > 0 ? s.hz : s.rate / 4.0, 0.5));
        const double start = recorder.Now();
        app.PreviewOf().Port_DblClick();
        recorder.RecordFor(0.9);
        if (s.hz > 0) {
            const Heard heard = Measure(recorder, start);
            EXPECT_NEAR(heard.hz, s.hz, 30);
            EXPECT_NEAR(heard.level, 0.354, 0.08);
        }
    }
    // And after them all the output still plays.
    ListAndSelect("last.wad", "tone.wav", SineWav(440, 0.5, 0.5));
    const double start = recorder.Now();
    app.PreviewOf().Port_DblClick();
    recorder.RecordFor(0.9);
    EXPECT_NEAR(Measure(recorder, start).hz, 440, 30) << "the output stopped working";
}

// The program's resident memory, in KiB.
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

// Nothing is kept per preview: after the first few, the program's memory
// stays where it is however many follow.
TEST_F(AudioPreviewTest, ManyPreviewsKeepNothingEach) {
    std::vector<PackMember> members;
    for (int i = 0; i < 10; ++i) {
        members.push_back(PackMember::FromBytes("s" + std::to_string(i) + ".wav",
                                                SineWav(300 + 40 * i, 0.05, 0.3)));
    }
    WriteWadArchive(dir / "many.wad", members);
    app.Dispatcher().RunProcedure(QStringLiteral("wadfile"),
                                  QString::fromStdString((dir / "many.wad").string()), 0);
    const auto preview = [this](int times) {
        for (int i = 0; i < times; ++i) {
            main.Port()->clearSelection();
            main.Port()->topLevelItem(i % 10)->setSelected(true);
            app.PreviewOf().Port_DblClick();
            QTest::qWait(15);
        }
    };
    preview(30);  // the output, its thread and the decoders set up
    const long settled = ResidentKiB();
    preview(200);
    const long after = ResidentKiB();
    std::fprintf(stderr, "resident: %ld KiB after 30 previews, %ld KiB after 230\n", settled,
                 after);
    EXPECT_LT(after - settled, 2048) << "grew by " << (after - settled) << " KiB over 200 previews";
}

TEST_F(AudioPreviewTest, DamagedSoundsPlayNothingAndLeaveTheOutputWorking) {
    const test::Bytes good = SineWav(440, 0.4, 0.5);
    test::Bytes lyingFormat = good;
    lyingFormat[22] = 0;  // no channels
    test::Bytes wildRate = good;
    StoreLittleEndian(std::span(wildRate).subspan(24, 4), 0xFFFFFFFFU);  // a rate of 4 GHz
    test::Bytes pastTheEnd = good;
    StoreLittleEndian(std::span(pastTheEnd).subspan(40, 4), 0x7FFFFFF0U);  // data past the end
    pastTheEnd.resize(100);
    Recorder recorder;
    for (const auto& [name, wav] :
         {std::pair{"lying.wav", lyingFormat}, std::pair{"rate.wav", wildRate},
          std::pair{"short.wav", pastTheEnd}}) {
        SCOPED_TRACE(name);
        ListAndSelect(std::string(name) + ".wad", name, wav);
        QElapsedTimer clock;
        clock.start();
        const double start = recorder.Now();
        app.PreviewOf().Port_DblClick();
        EXPECT_LT(clock.elapsed(), 1000) << "the preview held up the window";
        recorder.RecordFor(0.6);
        EXPECT_TRUE(Silent(recorder.Windows(start, recorder.Now())));
    }
    ListAndSelect("good.wad", "good.wav", good);
    const double start = recorder.Now();
    app.PreviewOf().Port_DblClick();
    recorder.RecordFor(0.9);
    EXPECT_NEAR(Measure(recorder, start).hz, 440, 30) << "the output stopped working";
}

TEST_F(AudioPreviewTest, LoopedPreviewGoesOnUntilStopSound) {
    ListAndSelect("a.wad", "tone.wav", SineWav(440, 0.3, 0.5));
    main.loopsnd()->setChecked(true);
    Recorder recorder;
    app.PreviewOf().Port_DblClick();
    recorder.RecordFor(1.5);  // well past three times the sound's length
    EXPECT_TRUE(Sounding(recorder.Windows(recorder.Now() - 0.3, recorder.Now())))
        << "the loop stopped on its own";
    app.PreviewOf().Label5_Click();
    recorder.RecordFor(1.0);
    EXPECT_TRUE(Silent(recorder.Windows(recorder.Now() - 0.4, recorder.Now())))
        << "still sounding after Stop Sound";
}

TEST_F(AudioPreviewTest, InterfaceSoundEndsALoopedPreview) {
    std::filesystem::create_directories(program / "data");
    test::WriteBytes(program / "data" / "change.wav", SineWav(1000, 0.05, 0.1));
    ListAndSelect("a.wad", "tone.wav", SineWav(440, 0.3, 0.5));
    main.loopsnd()->setChecked(true);
    Recorder recorder;
    app.PreviewOf().Port_DblClick();
    recorder.RecordFor(1.0);
    EXPECT_TRUE(Sounding(recorder.Windows(recorder.Now() - 0.3, recorder.Now())));
    main.Browse().PlayInterfaceSound(QStringLiteral("change.wav"));
    recorder.RecordFor(1.0);
    EXPECT_TRUE(Silent(recorder.Windows(recorder.Now() - 0.4, recorder.Now())));
}

TEST_F(AudioPreviewTest, SecondPreviewUnderTheSameNamePlaysTheNewSound) {
    ListAndSelect("a.wad", "tone.wav", SineWav(440, 0.4, 0.5));
    Recorder recorder;
    const double first = recorder.Now();
    app.PreviewOf().Port_DblClick();
    recorder.RecordFor(1.0);
    EXPECT_NEAR(recorder.Frequency(first, recorder.Now()), 440, 30);
    ListAndSelect("b.wad", "tone.wav", SineWav(1320, 0.4, 0.5));
    const double second = recorder.Now();
    app.PreviewOf().Port_DblClick();
    recorder.RecordFor(1.0);
    EXPECT_NEAR(recorder.Frequency(second, recorder.Now()), 1320, 60);
}

// 24-bit stereo PCM whose data end in the middle of a frame.
test::Bytes Pcm24StereoWithPartialFrame(double seconds) {
    const auto frames = static_cast<std::size_t>(seconds * 44100);
    const std::size_t dataBytes = frames * 6 + 3;
    test::Bytes wav(44 + dataBytes);
    const auto put = [&wav](std::size_t at, std::uint64_t value, std::size_t width) {
        StoreLittleEndian(std::span(wav).subspan(at, width), value);
    };
    std::copy_n("RIFF", 4, wav.begin());
    put(4, 36 + dataBytes, 4);
    std::copy_n("WAVEfmt ", 8, wav.begin() + 8);
    put(16, 16, 4);
    put(20, 1, 2);  // PCM
    put(22, 2, 2);  // stereo
    put(24, 44100, 4);
    put(28, 44100 * 6, 4);
    put(32, 6, 2);
    put(34, 24, 2);
    std::copy_n("data", 4, wav.begin() + 36);
    put(40, dataBytes, 4);
    for (std::size_t i = 0; i < dataBytes; ++i) {
        wav[44 + i] = static_cast<std::uint8_t>(i * 37);
    }
    return wav;
}

TEST_F(AudioPreviewTest, SoundEndingInPartOfAFrameLeavesTheOutputWorking) {
    ListAndSelect("a.wad", "odd.wav", Pcm24StereoWithPartialFrame(0.3));
    Recorder recorder;
    app.PreviewOf().Port_DblClick();
    recorder.RecordFor(1.0);

    ListAndSelect("b.wad", "tone.wav", SineWav(440, 0.4, 0.5));
    QElapsedTimer clock;
    clock.start();
    const double start = recorder.Now();
    app.PreviewOf().Port_DblClick();
    EXPECT_LT(clock.elapsed(), 1000) << "the preview held up the window";
    recorder.RecordFor(1.0);
    EXPECT_NEAR(recorder.Frequency(start, recorder.Now()), 440, 30)
        << "the next sound was not heard";
}

}  // namespace
}  // namespace echodelve::app
