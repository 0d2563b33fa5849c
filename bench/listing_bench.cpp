// Prints how long RunProcedure takes to list a 1000-sound SFX archive on the
// offscreen platform, with the progress window and an event pass per row, and
// the same rows added to the list directly as the baseline of this run; and
// how long a sound's tooltip picture takes to be ready.
#include <QApplication>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/sound_tips.h"
#include "formats/archive_writers.h"
#include "program/program.h"
#include "tools/synth_wav.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<std::uint8_t> Wav(std::size_t size) {
    std::vector<std::uint8_t> wav(size, 0x80);
    const auto length = static_cast<std::uint32_t>(size - 8);
    wav[0] = 'R';
    wav[1] = 'I';
    wav[2] = 'F';
    wav[3] = 'F';
    for (int i = 0; i < 4; ++i) {
        wav[4 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    return wav;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const auto archive = std::filesystem::temp_directory_path() / "echodelve-listing-bench.sfx";
    std::vector<echodelve::PackMember> members;
    for (int i = 0; i < 1000; ++i) {
        members.push_back(
            echodelve::PackMember::FromBytes("s", Wav(100 + static_cast<std::size_t>(i))));
    }
    echodelve::WriteSfxArchive(archive, members);

    echodelve::program::Program program;  // the listing as the program shows it
    echodelve::ui::frmMain& main = program.Main();
    main.show();
    echodelve::app::Procedures& procedures = program.Dispatcher();
    const QString path = QString::fromStdString(archive.string());

    std::vector<double> listing;
    std::vector<double> baseline;
    for (int round = 0; round < 7; ++round) {
        auto start = Clock::now();
        procedures.RunProcedure(QStringLiteral("sfxfile"), path, 0);
        listing.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());

        start = Clock::now();
        main.Port()->clear();
        for (int i = 1; i <= 1000; ++i) {
            new QTreeWidgetItem(main.Port(),
                                {QStringLiteral("edsnd%1.wav").arg(i, 3, 10, QLatin1Char('0')),
                                 QString::number(100 + i)});
        }
        baseline.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    const double total = Median(listing);
    std::printf(
        "listing: 1000 sounds through RunProcedure: %.1f ms, %.3f ms per row (target < 250 ms)\n",
        total, total / 1000);
    std::printf("listing: the same rows added directly: %.1f ms; ratio %.1fx\n", Median(baseline),
                total / Median(baseline));
    std::filesystem::remove(archive);

    // A tooltip's picture of a 10 s sound (44.1 kHz stereo, 16-bit), decoded
    // and drawn as the worker thread does it.
    constexpr std::uint32_t kRate = 44100;
    std::vector<double> tone(std::size_t{kRate} * 2 * 10);
    for (std::size_t n = 0; n < tone.size(); ++n) {
        tone[n] = 0.5 * std::sin(0.01 * static_cast<double>(n / 2));
    }
    // The tools write mono at their own rate: the header says stereo at 44.1 kHz.
    std::vector<std::uint8_t> wav = echodelve::tools::EncodeWav(tone);
    echodelve::StoreLittleEndian(std::span(wav).subspan(22, 2), 2);
    echodelve::StoreLittleEndian(std::span(wav).subspan(24, 4), kRate);
    echodelve::StoreLittleEndian(std::span(wav).subspan(28, 4), kRate * 4);
    echodelve::StoreLittleEndian(std::span(wav).subspan(32, 2), 4);
    const auto source = std::make_shared<echodelve::MemorySource>(wav);
    std::vector<double> drawing;
    for (int round = 0; round < 7; ++round) {
        const auto start = Clock::now();
        if (echodelve::app::DrawSound(source, 0, static_cast<std::int64_t>(wav.size())).isEmpty()) {
            return 1;
        }
        drawing.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::printf("waveform: the tooltip picture of a 10 s sound: %.1f ms (target < 30 ms)\n",
                Median(drawing));
    return 0;
}
