// Prints how long RunProcedure takes to list a 1000-sound SFX archive on the
// offscreen platform, with the progress window and an event pass per row, and
// the same rows added to the list directly as the baseline of this run.
#include <QApplication>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "formats/archive_writers.h"
#include "program/program.h"

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
    return 0;
}
