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
#include "support/scoped_env.h"
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
    // This program's scratch folder, once a preview has made it.
    std::filesystem::path Scratch() const { return preview.Scratch().Path().toStdString(); }

    test::TempDir dir;
    test::TempDir program;
    test::TempDir runtime;
    test::ScopedEnv runtimeEnv{"XDG_RUNTIME_DIR",
                               QByteArray::fromStdString(runtime.path().string())};
    program::Program app;
    ui::frmMain& main = app.Main();
    Preview& preview = app.PreviewOf();
    std::vector<std::pair<QString, bool>> plays;
};

TEST_F(PreviewTest, DoubleClickOnAnEmptyListMakesNoFolderAndPlaysNothing) {
    preview.Port_DblClick();
    EXPECT_FALSE(std::filesystem::exists(runtime / "echodelve"));
    EXPECT_TRUE(preview.Scratch().Path().isEmpty());
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

TEST_F(PreviewTest, PreviewsGoToAFolderOfThisProgramsOwnInTheRuntimeFolder) {
    List({PackMember::FromBytes("door.wav", MakeWav(100, 1))});
    Select(0);
    preview.Port_DblClick();
    EXPECT_EQ(Scratch().parent_path(), runtime / "echodelve");
    EXPECT_EQ(test::ReadBytes(Scratch() / "door.wav"), MakeWav(100, 1));
    // Nothing beside the executable: an installed program's folder is not its own to write.
    EXPECT_TRUE(std::filesystem::is_empty(program.path()));

    // Another copy's preview of the same name, in its own folder: this one's stays.
    {
        platform::ScratchFolder other;
        const QString theirs = other.Prepare();
        ASSERT_FALSE(theirs.isEmpty());
        test::WriteBytes(theirs.toStdString() + "/door.wav", {1});
        DeletePreviews(theirs);
        EXPECT_EQ(test::ReadBytes(Scratch() / "door.wav"), MakeWav(100, 1));
        ClearScratchFolder(theirs);  // that copy's exit
        EXPECT_FALSE(QFileInfo::exists(theirs));
    }
    EXPECT_TRUE(std::filesystem::exists(Scratch() / "door.wav"));

    preview.ClearScratch();  // this one's exit
    EXPECT_FALSE(std::filesystem::exists(Scratch()));
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
