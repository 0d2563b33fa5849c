#include "app/preview.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>

#include "formats/archive_writers.h"
#include "program/program.h"
#include "support/fixtures.h"
#include "support/message_box_answerer.h"
#include "support/temp_dir.h"

namespace echodelve::app {
namespace {

using test::MakeWav;

// Previews in the real program; the sound service's requests are noted.
class PreviewTest : public ::testing::Test {
  protected:
    PreviewTest() {
        main.SetProgramFolder(QString::fromStdString(program.path().string()));
        QObject::connect(&app.Sound(), &platform::SoundService::PlayRequested,
                         [this](const QString& path, bool loop) {
                             plays.push_back({path, loop});
                         });
    }
    void List(const std::vector<PackMember>& members) {
        WriteWadArchive(dir / "a.wad", members);
        app.Dispatcher().RunProcedure(QStringLiteral("wadfile"),
                                      QString::fromStdString((dir / "a.wad").string()), 0);
    }
    void Select(int row) {
        main.Port()->clearSelection();
        main.Port()->topLevelItem(row)->setSelected(true);
    }
    std::filesystem::path Scratch() const { return program / "temp"; }

    test::TempDir dir;
    test::TempDir program;
    program::Program app;
    ui::frmMain& main = app.Main();
    Preview& preview = app.PreviewOf();
    std::vector<std::pair<QString, bool>> plays;
};

TEST_F(PreviewTest, DoubleClickOnAnEmptyListMakesNoFolderAndPlaysNothing) {
    preview.Port_DblClick();
    EXPECT_FALSE(std::filesystem::exists(Scratch()));
    EXPECT_TRUE(plays.empty());
}

TEST_F(PreviewTest, PreviewWritesUnderTheSafeNameAndReplacesTheEarlierOne) {
    List({PackMember::FromBytes("door.wav", MakeWav(100, 1)),
          PackMember::FromBytes("../bell.wav", MakeWav(120, 2))});
    Select(0);
    preview.Port_DblClick();
    ASSERT_EQ(plays.size(), 1u);
    EXPECT_EQ(plays[0].first, QString::fromStdString((Scratch() / "door.wav").string()));
    EXPECT_FALSE(plays[0].second);
    EXPECT_EQ(test::ReadBytes(Scratch() / "door.wav"), MakeWav(100, 1));

    test::WriteBytes(Scratch() / "notes.txt", {1});
    main.loopsnd()->setChecked(true);
    Select(1);
    preview.Port_DblClick();
    EXPECT_EQ(test::FileNames(Scratch()), (std::vector<std::string>{".._bell.wav", "notes.txt"}));
    ASSERT_EQ(plays.size(), 2u);
    EXPECT_TRUE(plays[1].second);
}

TEST_F(PreviewTest, PreviewFilesOfAnyNameAreDeletedByTheNextPreviewAndAtExit) {
    List({PackMember::FromBytes("x.dat", MakeWav(100, 1)),
          PackMember::FromBytes("big.snd", MakeWav(120, 2))});
    Select(0);
    preview.Port_DblClick();
    EXPECT_EQ(test::FileNames(Scratch()), std::vector<std::string>{"x.dat"});
    Select(1);
    preview.Port_DblClick();
    EXPECT_EQ(test::FileNames(Scratch()), std::vector<std::string>{"big.snd"});

    // A file the program did not write stays, and so does the folder then.
    test::WriteBytes(Scratch() / "notes.txt", {1});
    preview.ClearScratch();
    EXPECT_EQ(test::FileNames(Scratch()), std::vector<std::string>{"notes.txt"});
    std::filesystem::remove(Scratch() / "notes.txt");
    Select(0);
    preview.Port_DblClick();
    preview.ClearScratch();
    EXPECT_FALSE(std::filesystem::exists(Scratch()));
}

TEST_F(PreviewTest, SameNameFromAnotherArchiveHoldsTheNewSound) {
    List({PackMember::FromBytes("door.wav", MakeWav(100, 1))});
    Select(0);
    preview.Port_DblClick();
    List({PackMember::FromBytes("door.wav", MakeWav(300, 7))});
    Select(0);
    preview.Port_DblClick();
    EXPECT_EQ(test::ReadBytes(Scratch() / "door.wav"), MakeWav(300, 7));
}

TEST_F(PreviewTest, NonRiffSoundAsksAndNoWritesNothing) {
    test::Bytes odd = MakeWav(100);
    odd[0] = 'X';
    List({PackMember::FromBytes("odd.wav", odd)});
    Select(0);
    test::MessageBoxAnswerer answerer({QMessageBox::No});
    preview.Port_DblClick();
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("Warning"));
    EXPECT_TRUE(test::FileNames(Scratch()).empty());
    EXPECT_EQ(plays.size(), 1u);  // asked for, and silent: there is no file
}

TEST_F(PreviewTest, ScratchFolderFallsBackToTheCacheWhenTheProgramsCannotBeMade) {
    test::WriteBytes(Scratch(), {1});  // a file where the folder would go
    test::TempDir cache;
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache.path().string()));
    List({PackMember::FromBytes("door.wav", MakeWav(100, 1))});
    Select(0);
    preview.Port_DblClick();
    qputenv("XDG_CACHE_HOME", saved);
    const auto fallback = cache / "echodelve" / "temp";
    EXPECT_EQ(test::ReadBytes(fallback / "door.wav"), MakeWav(100, 1));
    EXPECT_EQ(preview.Scratch().Path(), QString::fromStdString(fallback.string()));

    ClearScratchFolder(preview.Scratch().Path());  // what the exit sequence does
    EXPECT_FALSE(std::filesystem::exists(fallback));
}

TEST_F(PreviewTest, NamesThatLookLikeMarkupAreShownAsTheyAre) {
    const std::string name = "<font size=7>big</font><img src=/etc/x.png>.wav";
    List({PackMember::FromBytes(name, MakeWav(100, 1))});
    preview.Port_ItemClick(main.Port()->topLevelItem(0));
    const QString shown = main.Status()->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("'") + QString::fromStdString(name)));
    // Drawn as written: exactly as wide as its characters, not as styled text.
    EXPECT_NEAR(main.Status()->sizeHint().width(),
                main.Status()->fontMetrics().horizontalAdvance(shown), 2);
}

TEST_F(PreviewTest, ClickShowsNameAndGroupedSize) {
    List({PackMember::FromBytes("door.wav", MakeWav(12345, 1))});
    preview.Port_ItemClick(main.Port()->topLevelItem(0));
    const QString separator = QLocale::system().groupSeparator();
    EXPECT_EQ(main.Status()->text(),
              QStringLiteral("'door.wav'  12") + separator + QStringLiteral("345 Bytes"));

    main.Port()->topLevelItem(0)->setText(1, QStringLiteral("0"));
    preview.Port_ItemClick(main.Port()->topLevelItem(0));
    EXPECT_EQ(main.Status()->text(), QStringLiteral("'door.wav'   Bytes"));
}

// Hovering a row shows what its sound is, read from the archive itself.
TEST_F(PreviewTest, HoveringARowShowsWhatItsSoundIs) {
    List({PackMember::FromBytes("tone.wav", test::ToneWav(SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050,
                                                          2, 1.42, 440, 0.5)),
          PackMember::FromBytes("text.wav", test::Bytes(80, 'x'))});
    main.show();
    const auto hover = [this](int row) {
        QWidget* viewport = main.Port()->viewport();
        const QPoint at = main.Port()->visualItemRect(main.Port()->topLevelItem(row)).center();
        QHelpEvent event(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &event);
        return QToolTip::text();
    };
    const QString separator = QLocale::system().groupSeparator();
    const QString point = QLocale::system().decimalPoint();
    EXPECT_EQ(hover(0).toStdString(),
              (QStringLiteral("PCM 16-bit, 22") + separator + QStringLiteral("050 Hz, stereo, 1") +
               point + QStringLiteral("42 s"))
                  .toStdString());
    EXPECT_EQ(hover(1).toStdString(), "Cannot tell what this sound is: it is not a RIFF/WAVE file");
}

TEST_F(PreviewTest, StopSoundLabelStopsTheSound) {
    QSignalSpy stops(&app.Sound(), &platform::SoundService::StopRequested);
    preview.Label5_Click();
    EXPECT_EQ(stops.count(), 1);
}

}  // namespace
}  // namespace echodelve::app
