#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "support/fixtures.h"
#include "support/message_box_answerer.h"
#include "support/temp_dir.h"
#include "ui/frm_main.h"

namespace echodelve::ui {
namespace {

using namespace Qt::StringLiterals;

// A main window whose program folder holds the interface sounds, with the
// sound service's requests noted instead of listened to.
class BrowsePanelTest : public ::testing::Test {
  protected:
    BrowsePanelTest() {
        std::filesystem::create_directories(program / "data");
        std::filesystem::create_directories(program / "games");
        for (const char* name : {"swishin.wav", "swishout.wav", "change.wav"}) {
            test::WriteBytes(program / "data" / name, test::MakeWav(64));
        }
        main.SetProgramFolder(QString::fromStdString(program.path().string()));
        QObject::connect(
            &sound, &platform::SoundService::PlayRequested,
            [this](const QString& path, bool) { played << QFileInfo(path).fileName(); });
    }
    // Every position a slide sets, in units to two decimals.
    std::string Positions(Panel* panel, void (frmMain::*slide)()) {
        std::string positions;
        const auto connection = QObject::connect(panel, &Panel::LeftUnitsChanged, [&](double at) {
            positions += (positions.empty() ? "" : " ") + QString::number(at, 'f', 2).toStdString();
        });
        (main.*slide)();
        QObject::disconnect(connection);
        return positions;
    }
    void ShowGames(const QString& pattern) {
        main.FileList()->SetPattern(pattern);
        main.DirList()->SetPath(QString::fromStdString((program / "games").string()));
    }
    QStringList Files() const {
        QStringList files;
        for (int i = 0; i < main.FileList()->count(); ++i) {
            files << main.FileList()->item(i)->text();
        }
        return files;
    }

    test::TempDir program;
    platform::SoundService sound;
    frmMain main{&sound};
    QStringList played;
};

// In decelerates in 15 moves and snaps to 20; out accelerates in 14 and
// snaps to 350; one already in place only snaps. The browse controls and the
// list hide for the slide, and only a slide in brings them back.
TEST_F(BrowsePanelTest, SlidesMoveInTheirStepsSnapAndPlayTheirSounds) {
    const std::string in =
        "307.87 268.61 232.22 198.70 168.05 140.27 115.36 93.32 74.15 57.85 44.42 33.86 26.17 "
        "21.35 19.40 20.00";
    const std::string out =
        "25.51 33.89 45.14 59.26 76.25 96.11 118.84 144.44 172.91 204.25 238.46 275.54 315.49 "
        "358.31 350.00";
    const std::tuple<Panel*, double, void (frmMain::*)(), std::string> slides[] = {
        {main.BrowseDlg(), 350, &frmMain::SwishDlgIn, in},
        {main.BrowseDlg(), 20, &frmMain::SwishDlgOut, out},
        {main.MainPicBox(), 350, &frmMain::SwishMainDlgIn, in},
        {main.MainPicBox(), 20, &frmMain::SwishMainDlgOut, out},
        {main.MainPicBox(), 15, &frmMain::SwishMainDlgIn, "20.00"},
        {main.BrowseDlg(), 350.5, &frmMain::SwishDlgOut, "350.00"},
        // From past 350.6 units the step would turn back before reaching 20.
        {main.BrowseDlg(), 400, &frmMain::SwishDlgIn,
         "357.87 318.61 282.22 248.70 218.05 190.27 165.36 143.32 124.15 107.85 94.42 83.86 "
         "76.17 71.35 69.40 20.00"}};
    for (const auto& [panel, from, slide, positions] : slides) {
        played.clear();
        panel->SetLeftUnits(from);
        EXPECT_EQ(Positions(panel, slide), positions);
        const bool shown = positions.ends_with("20.00");
        EXPECT_EQ(played, QStringList{shown ? u"swishin.wav"_s : u"swishout.wav"_s});
        EXPECT_FALSE(main.Browse().Swishing());
        for (QWidget* control :
             {static_cast<QWidget*>(main.FileList()), static_cast<QWidget*>(main.DirList()),
              static_cast<QWidget*>(main.DriveList()), static_cast<QWidget*>(main.BrowseStatus()),
              static_cast<QWidget*>(main.opendir())}) {
            EXPECT_EQ(std::pair(control->isHidden(), control->isEnabled()),
                      std::pair(!shown, shown));
        }
        EXPECT_EQ(std::pair(main.Port()->isHidden(), main.loopsnd()->isHidden()),
                  std::pair(!shown, !shown));
        EXPECT_TRUE(main.Port()->isEnabled());  // only the browse controls are disabled
    }
}

TEST_F(BrowsePanelTest, ASecondSlideDuringASlideIsIgnored) {
    int tries = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (main.Browse().Swishing() && tries < 3) {
            ++tries;
            main.SwishMainDlgIn();
            main.Browse().Label4_Click();
        }
    });
    timer.start(1);
    EXPECT_EQ(std::ranges::count(Positions(main.BrowseDlg(), &frmMain::SwishDlgIn), ' '), 15);
    EXPECT_GT(tries, 0);
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 350.0);
    EXPECT_EQ(played, QStringList{u"swishin.wav"_s});
}

TEST_F(BrowsePanelTest, CancelBringsTheListBackOnlyAfterAConfirmAndOnlyTheListCountsAsInView) {
    main.SwishDlgIn();
    main.Browse().Label4_Click();
    EXPECT_EQ(main.BrowseDlg()->LeftUnits(), 350.0);
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 350.0);

    main.Browse().SetMainDlgShown();
    main.SwishDlgIn();
    played.clear();
    main.Browse().Label4_Click();
    EXPECT_EQ(main.BrowseDlg()->LeftUnits(), 350.0);
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 20.0);
    EXPECT_EQ(played, (QStringList{u"swishout.wav"_s, u"swishin.wav"_s}));
    EXPECT_FALSE(main.Port()->isHidden());

    for (const auto& [units, inView] : {std::pair(21.99, true), std::pair(22.0, false)}) {
        main.MainPicBox()->SetLeftUnits(units);
        EXPECT_EQ(main.Browse().MainPanelInView(), inView) << units;
    }
    // Without the data folder the slides and lists work, silently.
    std::filesystem::remove_all(program / "data");
    played.clear();
    main.SwishDlgIn();
    ShowGames(u"*.sfx"_s);
    main.Browse().Label4_Click();
    EXPECT_TRUE(played.isEmpty());
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 20.0);
}

TEST_F(BrowsePanelTest, AFolderShownListsItsFilesOfTheKindInAnyCaseWithAClick) {
    for (const char* name : {"DOOR.SFX", "bell.sfx", "x.wad", "notes.txt", "sfx"}) {
        test::WriteBytes(program / "games" / name, {});
    }
    std::filesystem::create_directories(program / "games" / "folder.sfx");
    ShowGames(u"*.sfx"_s);
    EXPECT_EQ(main.FileList()->Path(), main.DirList()->Path());
    EXPECT_EQ(Files(), (QStringList{u"bell.sfx"_s, u"DOOR.SFX"_s}));
    EXPECT_EQ(played, QStringList{u"change.wav"_s});
    EXPECT_EQ(main.FileList()->FileName(), QString());
    main.FileList()->item(1)->setSelected(true);
    EXPECT_EQ(main.FileList()->FileName(), u"DOOR.SFX"_s);
    main.FileList()->SetPattern(u"*.wad;*.txt"_s);
    EXPECT_EQ(Files(), (QStringList{u"notes.txt"_s, u"x.wad"_s}));
}

TEST_F(BrowsePanelTest, FilesThatCannotBeReadAreListedToo) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every file; ctest runs this as an unprivileged user";
    }
    test::WriteBytes(program / "games" / "locked.sfx", {});
    std::filesystem::permissions(program / "games" / "locked.sfx", std::filesystem::perms::none);
    ShowGames(u"*.sfx"_s);
    EXPECT_EQ(Files(), QStringList{u"locked.sfx"_s});
}

TEST_F(BrowsePanelTest, ADoubleClickAnywhereInTheListsOrEnterOnAFileCounts) {
    QSignalSpy files(main.FileList(), &FilePicker::DblClick);
    QSignalSpy sounds(main.Port(), &SoundList::DblClick);
    main.show();
    // Below the last entry: the lists are empty.
    QTest::mouseDClick(main.FileList()->viewport(), Qt::LeftButton, {}, QPoint(30, 150));
    QTest::mouseDClick(main.Port()->viewport(), Qt::LeftButton, {}, QPoint(30, 150));
    EXPECT_EQ(files.count(), 1);
    EXPECT_EQ(sounds.count(), 1);
    test::WriteBytes(program / "games" / "a.sfx", {});
    ShowGames(u"*.sfx"_s);
    QTest::keyClick(main.FileList(), Qt::Key_Return);  // nothing selected
    EXPECT_EQ(files.count(), 1);
    main.FileList()->item(0)->setSelected(true);
    QTest::keyClick(main.FileList(), Qt::Key_Return);
    QTest::keyClick(main.FileList(), Qt::Key_Enter);
    EXPECT_EQ(files.count(), 3);
    // A disabled file list (the save modes) takes none.
    main.FileList()->setEnabled(false);
    QTest::mouseDClick(main.FileList()->viewport(), Qt::LeftButton, {}, QPoint(30, 150));
    EXPECT_EQ(files.count(), 3);
}

TEST_F(BrowsePanelTest, ADriveIsChangedToOnlyWhenItIsAnotherAndOneThatCannotBeOpenedIsSaid) {
    const QString folder = main.DirList()->Path();
    emit main.DriveList()->activated(main.DriveList()->currentIndex());
    EXPECT_TRUE(played.isEmpty());
    EXPECT_EQ(main.DirList()->Path(), folder);

    test::MessageBoxAnswerer answerer;
    main.DriveList()->SetDrive(u"/no-such-volume"_s);
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, u"Echo Delve"_s);
    EXPECT_TRUE(answerer.seen[0].text.contains(u"No such file or directory"_s));
    EXPECT_EQ(main.DriveList()->Drive(), u"/"_s);
    EXPECT_TRUE(main.DirList()->Path().startsWith(u"/"_s));
}

}  // namespace
}  // namespace echodelve::ui
