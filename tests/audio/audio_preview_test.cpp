// What the user hears, checked on a real sound server: these run under
// tests/audio/with-pulse, which gives them a private PulseAudio server whose
// null sink's monitor parec records.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <numeric>
#include <random>

#include "formats/archive_writers.h"
#include "formats/little_endian.h"
#include "program/program.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"
#include "tools/synth_wav.h"

namespace echodelve::app {
namespace {

using namespace Qt::StringLiterals;
using tools::kRate;
constexpr int kWindow = kRate / 100;                           // 10 ms
constexpr auto kLoud = [](double rms) { return rms > 0.02; };  // a window's RMS, not silence

test::Bytes SineWav(double hz, double seconds, double amplitude = 0.5) {
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
                     QStringLiteral("-d echodelve_null.monitor --raw --format=s16le --rate=22050 "
                                    "--channels=1 --latency-msec=20")
                         .split(u' '));
        EXPECT_TRUE(parec_.waitForStarted(5000)) << "parec did not start";
        RecordFor(0.3);  // the stream is flowing
    }
    ~Recorder() {
        parec_.kill();
        parec_.waitForFinished();
    }
    // Seconds recorded so far. The sink delivers in blocks, so this trails the
    // clock a little: what happens now shows up after this mark.
    double Now() {
        QCoreApplication::processEvents();
        pending_ += parec_.readAllStandardOutput();
        const qsizetype whole = pending_.size() / 2 * 2;
        for (qsizetype i = 0; i < whole; i += 2) {
            samples_.push_back(qFromLittleEndian<qint16>(pending_.constData() + i) / 32768.0);
        }
        pending_.remove(0, whole);
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
    // The samples from `from` seconds on, or of the last -`from` seconds.
    std::vector<double> Samples(double from) {
        const double now = Now();
        const auto first =
            static_cast<std::size_t>(std::min(from < 0 ? now + from : from, now) * kRate);
        return {samples_.begin() + static_cast<std::ptrdiff_t>(first), samples_.end()};
    }
    // The RMS of each 10 ms window of those samples.
    std::vector<double> Windows(double from) {
        const std::vector<double> samples = Samples(from);
        std::vector<double> windows;
        for (std::size_t start = 0; start + kWindow <= samples.size(); start += kWindow) {
            double sum = 0;
            for (std::size_t i = start; i < start + kWindow; ++i) {
                sum += samples[i] * samples[i];
            }
            windows.push_back(std::sqrt(sum / kWindow));
        }
        return windows;
    }
    // The frequency heard from `from` seconds on, from the spacing of the
    // wave's zero crossings: the mean of the middle half of the half-periods,
    // so that a moment the recording missed (a stall of a loaded machine) or
    // the silence between sounds moves nothing. A crossing counts once the
    // wave is clearly on the other side, so the noise of lossy codecs adds none.
    double Frequency(double from) {
        const std::vector<double> samples = Samples(from);
        std::vector<double> halfPeriods;
        std::size_t last = 0;
        int side = 0;  // -1 or 1 once the wave is clearly below or above zero
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const int now = samples[i] > 0.05 ? 1 : samples[i] < -0.05 ? -1 : 0;
            if (now != 0 && now != side) {
                if (side != 0 && last != 0) {
                    halfPeriods.push_back(static_cast<double>(i - last));
                }
                last = side != 0 ? i : last;
                side = now;
            }
        }
        if (halfPeriods.size() < 8) {
            return 0;
        }
        std::sort(halfPeriods.begin(), halfPeriods.end());
        const auto quarter = static_cast<std::ptrdiff_t>(halfPeriods.size() / 4);
        const std::vector<double> middle(halfPeriods.begin() + quarter,
                                         halfPeriods.end() - quarter);
        return kRate * static_cast<double>(middle.size()) /
               (2 * std::accumulate(middle.begin(), middle.end(), 0.0));
    }

  private:
    QProcess parec_;
    QByteArray pending_;
    std::vector<double> samples_;
};

// Runs a program of the machine's, failing the test if it does not succeed.
void RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    ASSERT_EQ(process.exitCode(), 0)
        << program.toStdString() << ": " << process.readAllStandardError().toStdString();
}

class AudioPreviewTest : public ::testing::Test {
  protected:
    AudioPreviewTest() { main.SetProgramFolder(QString::fromStdString(program.path().string())); }
    void List(const std::vector<PackMember>& members) {
        const auto archive = dir / ("a" + std::to_string(++listings) + ".wad");
        WriteWadArchive(archive, members);
        app.Dispatcher().RunProcedure(QStringLiteral("wadfile"),
                                      QString::fromStdString(archive.string()), 0);
    }
    void Select(int row) {
        main.Port()->clearSelection();
        main.Port()->topLevelItem(row)->setSelected(true);
    }
    // Lists one sound, previews it and records `seconds`; when the preview
    // began, on the recording's clock.
    double PreviewOne(Recorder& recorder, const test::Bytes& wav, double seconds) {
        List({PackMember::FromBytes("sound.wav", wav)});
        Select(0);
        const double start = recorder.Now();
        app.PreviewOf().Port_DblClick();
        recorder.RecordFor(seconds);
        return start;
    }

    test::TempDir dir;
    test::TempDir program;
    program::Program app;
    ui::frmMain& main = app.Main();
    int listings = 0;
};

// Every encoding old games stored (made by sox), every rate from 1 Hz to
// 384 kHz, up to 64 channels and damaged sounds, packed by the command-line
// tool: each sound plays once at its level, length and pitch, one below
// hearing or damaged leaves the program and its output working, and none
// holds up the window.
TEST_F(AudioPreviewTest, EverySoundPlaysOnceAtItsLevelLengthAndPitchOrSilentlyWhenDamaged) {
    struct Sound {
        std::string name;
        double hz;              // 0: below hearing; -1: damaged, silent
        double levelTolerance;  // the lossy codecs lose a little
    };
    std::vector<Sound> sounds;
    QStringList files;
    const auto add = [&](const std::string& name, double hz, double tolerance = 0.08) {
        sounds.push_back({name, hz, tolerance});
        files << QString::fromStdString((dir / (name + ".wav")).string());
        return files.back();
    };
    for (const auto& [name, options, rate, tolerance] :
         std::initializer_list<std::tuple<const char*, const char*, int, double>>{
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
             {"gsm", "-e gsm-full-rate", 8000, 0.1}}) {
        RunTool(u"sox"_s, QStringLiteral("-n -r %1 -c 1 %2 %3 synth 0.5 sine 440 vol 0.5")
                              .arg(rate)
                              .arg(QString::fromLatin1(options), add(name, 440, tolerance))
                              .split(u' '));
    }
    const auto write = [](const QString& file, const test::Bytes& bytes) {
        test::WriteBytes(file.toStdString(), bytes);
    };
    for (const int rate :
         {1, 3, 7, 8, 10, 20, 50, 1000, 8000, 11025, 44100, 48000, 96000, 192000, 384000}) {
        const double hz = rate < 1000 ? 0 : rate == 1000 ? 300 : 440;
        // Half a second, or four frames where that is longer.
        write(add(std::to_string(rate) + "Hz", hz),
              test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1, std::max(0.5, 4.0 / rate),
                            hz > 0 ? hz : rate / 4.0, 0.5));
    }
    for (const int channels : {2, 3, 4, 6, 8, 16, 64}) {
        write(add(std::to_string(channels) + "channels", 440),
              test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, channels, 0.5, 440, 0.5));
    }
    // 24-bit stereo whose data end in the middle of a frame: its whole frames play.
    test::Bytes wav = test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2, 0.5, 440, 0.5);
    wav.insert(wav.end(), {1, 2, 3});
    StoreLittleEndian(std::span(wav).subspan(4, 4), wav.size() - 8);
    StoreLittleEndian(std::span(wav).subspan(40, 4), wav.size() - 44);
    write(add("part-of-a-frame", 440), wav);
    for (const auto& [name, at, value, size] :
         std::initializer_list<std::tuple<const char*, std::size_t, std::uint32_t, std::size_t>>{
             {"no-channels", 22, 0, 0},
             {"4-GHz", 24, 0xFFFFFFFF, 0},
             {"past-the-end", 40, 0x7FFFFFF0, 100}}) {
        wav = SineWav(440, 0.4);
        StoreLittleEndian(std::span(wav).subspan(at, at == 22 ? 2 : 4), value);
        wav.resize(size > 0 ? size : wav.size());
        write(add(name, -1), wav);
    }
    const QString archive = QString::fromStdString((dir / "sounds.wad").string());
    RunTool(QStringLiteral(ECHODELVE_CLI_PATH), QStringList{u"pack"_s, u"-o"_s, archive} + files);
    app.Dispatcher().RunProcedure(u"wadfile"_s, archive, 0);
    ASSERT_EQ(main.SoundCount(), files.size());

    Recorder recorder;
    for (std::size_t row = 0; row < sounds.size(); ++row) {
        const Sound& sound = sounds[row];
        SCOPED_TRACE(sound.name);
        Select(static_cast<int>(row));
        QElapsedTimer clock;
        clock.start();
        const double start = recorder.Now();
        app.PreviewOf().Port_DblClick();
        EXPECT_LT(clock.elapsed(), 1000) << "the preview held up the window";
        recorder.RecordFor(0.9);
        const std::vector<double> windows = recorder.Windows(start);
        const auto first = std::ranges::find_if(windows, kLoud);
        const auto last = std::find_if(windows.rbegin(), windows.rend(), kLoud).base();
        if (sound.hz < 0) {
            EXPECT_EQ(first, windows.end()) << "not silent";
        } else if (sound.hz > 0 && last - first > 20) {
            // Once, the whole sound with its tail; its middle, a sine of
            // amplitude 0.5, has an RMS of 0.354.
            EXPECT_NEAR(static_cast<double>(last - first) / 100, 0.5, 0.06);
            EXPECT_NEAR(std::accumulate(first + 10, last - 10, 0.0) /
                            static_cast<double>(last - first - 20),
                        0.354, sound.levelTolerance);
            EXPECT_NEAR(recorder.Frequency(start), sound.hz, 30);
        } else if (sound.hz > 0) {
            ADD_FAILURE() << "hardly heard";
        }
    }
    // The output still works; a second preview under the same name plays the new sound.
    EXPECT_NEAR(recorder.Frequency(PreviewOne(recorder, SineWav(440, 0.4), 0.9)), 440, 30);
    EXPECT_NEAR(recorder.Frequency(PreviewOne(recorder, SineWav(1320, 0.4), 0.9)), 1320, 60);
}

// A looped preview plays its samples again and again, each pass the same as
// the one before, until Stop Sound or an interface sound ends it.
TEST_F(AudioPreviewTest, LoopedPreviewRepeatsItsSamplesExactlyUntilSomethingEndsIt) {
    // Noise, so that a pass shifted by a single sample no longer matches.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-0.5, 0.5);
    std::vector<double> samples(static_cast<std::size_t>(0.3 * kRate));
    std::generate(samples.begin(), samples.end(), [&] { return noise(random); });
    const std::size_t pass = samples.size();
    std::filesystem::create_directories(program / "data");
    test::WriteBytes(program / "data" / "change.wav", SineWav(1000, 0.05, 0.1));
    main.loopsnd()->setChecked(true);
    Recorder recorder;
    for (const bool byStopSound : {true, false}) {
        SCOPED_TRACE(byStopSound ? "Stop Sound" : "an interface sound");
        const double start = PreviewOne(recorder, tools::EncodeWav(samples), 1.8);
        EXPECT_TRUE(std::ranges::all_of(recorder.Windows(-0.3), [](double rms) {
            return rms > 0.2;
        })) << "the loop stopped on its own";
        const std::vector<double> heard = recorder.Samples(start);
        const auto onset = static_cast<std::size_t>(
            std::find_if(heard.begin(), heard.end(), [](double s) { return std::abs(s) > 0.1; }) -
            heard.begin());
        // The first pass, its start left to the resamplers, against every later one.
        const std::size_t from = onset + pass / 4;
        ASSERT_GE(heard.size(), from + 4 * pass) << "the recording is too short";
        for (std::size_t later = 1; later < 4; ++later) {
            double worst = 0;
            for (std::size_t i = from; i < from + pass; ++i) {
                worst = std::max(worst, std::abs(heard[i + later * pass] - heard[i]));
            }
            EXPECT_LE(worst, 3 / 32768.0) << "pass " << later + 1 << " differs from pass 1";
        }
        if (byStopSound) {
            app.PreviewOf().Label5_Click();
        } else {
            main.Browse().PlayInterfaceSound(QStringLiteral("change.wav"));
        }
        recorder.RecordFor(1.0);
        EXPECT_TRUE(std::ranges::none_of(recorder.Windows(-0.4), kLoud)) << "still sounding";
    }
}

// The program's resident memory, in KiB.
long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line) && !line.starts_with("VmRSS:")) {
    }
    return line.empty() ? 0 : std::stol(line.substr(6));
}

// Nothing is kept per preview: after the first few, the program's memory
// stays where it is however many follow.
TEST_F(AudioPreviewTest, ManyPreviewsKeepNothingEach) {
    std::vector<PackMember> members;
    for (int i = 0; i < 10; ++i) {
        members.push_back(PackMember::FromBytes("s" + std::to_string(i) + ".wav",
                                                SineWav(300 + 40 * i, 0.05, 0.3)));
    }
    List(members);
    long settled = 0;
    for (int i = 0; i < 230; ++i) {
        settled = i == 30 ? ResidentKiB() : settled;  // the output, its thread and decoders set up
        Select(i % 10);
        app.PreviewOf().Port_DblClick();
        QTest::qWait(15);
    }
    EXPECT_LT(ResidentKiB() - settled, 2048) << "grew over 200 previews from " << settled << " KiB";
}

}  // namespace
}  // namespace echodelve::app
