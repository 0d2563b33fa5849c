#include <gtest/gtest.h>

#include <unistd.h>
#include <QDir>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <chrono>

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
        for (const char* name : {"swishin.wav", "swishout.wav", "change.wav"}) {
            test::WriteBytes(program / "data" / name, test::MakeWav(64));
        }
        main.SetProgramFolder(QString::fromStdString(program.path().string()));
        QObject::connect(
            &sound, &platform::SoundService::PlayRequested,
            [this](const QString& path, bool) { played << QFileInfo(path).fileName(); });
    }
    std::vector<double> Positions(Panel* panel, void (frmMain::*slide)()) {
        std::vector<double> positions;
        const auto connection =
            QObject::connect(panel, &Panel::LeftUnitsChanged,
                             [&positions](double units) { positions.push_back(units); });
        (main.*slide)();
        QObject::disconnect(connection);
        return positions;
    }
    std::vector<QWidget*> PanelControls() {
        return {main.FileList(), main.DirList(), main.DriveList(), main.BrowseStatus(),
                main.opendir(),  main.Port(),    main.loopsnd()};
    }

    test::TempDir program;
    platform::SoundService sound;
    frmMain main{&sound};
    QStringList played;
};

TEST_F(BrowsePanelTest, SlideInDeceleratesIn15MovesAndSnapsTo20) {
    const std::vector<double> positions = Positions(main.BrowseDlg(), &frmMain::SwishDlgIn);
    const std::vector<double> expected = {307.87, 268.61, 232.22, 198.70, 168.05, 140.27,
                                          115.36, 93.32,  74.15,  57.85,  44.42,  33.86,
                                          26.17,  21.35,  19.40,  20};
    ASSERT_EQ(positions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(positions[i], expected[i], 1e-9) << i;
    }
    EXPECT_EQ(main.BrowseDlg()->LeftUnits(), 20.0);
    EXPECT_EQ(played, QStringList{u"swishin.wav"_s});
    for (QWidget* control : PanelControls()) {
        EXPECT_FALSE(control->isHidden());
        EXPECT_TRUE(control->isEnabled());
    }
    EXPECT_FALSE(main.Browse().Swishing());
    main.grab().save(QStringLiteral(ECHODELVE_ARTIFACTS_DIR) +
                     QStringLiteral("/frmMain-browse.png"));
}

TEST_F(BrowsePanelTest, SlideOutAcceleratesIn14MovesSnapsTo350AndLeavesControlsHidden) {
    main.BrowseDlg()->SetLeftUnits(20);
    const std::vector<double> positions = Positions(main.BrowseDlg(), &frmMain::SwishDlgOut);
    const std::vector<double> expected = {25.51,  33.89,  45.14,  59.26,  76.25,
                                          96.11,  118.84, 144.44, 172.91, 204.25,
                                          238.46, 275.54, 315.49, 358.31, 350};
    ASSERT_EQ(positions.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(positions[i], expected[i], 1e-9) << i;
    }
    EXPECT_EQ(played, QStringList{u"swishout.wav"_s});
    for (QWidget* control : PanelControls()) {
        EXPECT_TRUE(control->isHidden());
    }
    EXPECT_FALSE(main.DirList()->isEnabled());
    EXPECT_TRUE(main.Port()->isEnabled());  // only the browse controls are disabled
}

TEST_F(BrowsePanelTest, SlideAlreadyInPlaceOnlySnapsAndStrayStartsStillEnd) {
    main.MainPicBox()->SetLeftUnits(15);
    EXPECT_EQ(Positions(main.MainPicBox(), &frmMain::SwishMainDlgIn), std::vector<double>{20});
    EXPECT_FALSE(main.Port()->isHidden());
    EXPECT_EQ(Positions(main.BrowseDlg(), &frmMain::SwishDlgOut), std::vector<double>{350});
    EXPECT_EQ(played, (QStringList{u"swishin.wav"_s, u"swishout.wav"_s}));

    // Past 350.6 units the step would turn back before reaching 20.
    main.BrowseDlg()->SetLeftUnits(400);
    const std::vector<double> positions = Positions(main.BrowseDlg(), &frmMain::SwishDlgIn);
    EXPECT_EQ(positions.back(), 20);
    EXPECT_LE(positions.size(), 16u);
}

TEST_F(BrowsePanelTest, SecondSlideDuringASlideIsIgnored) {
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
    const std::vector<double> positions = Positions(main.BrowseDlg(), &frmMain::SwishDlgIn);
    EXPECT_GT(tries, 0);
    EXPECT_EQ(positions.size(), 16u);
    EXPECT_EQ(main.MainPicBox()->LeftUnits(), 350.0);
    EXPECT_EQ(played, QStringList{u"swishin.wav"_s});
}

TEST_F(BrowsePanelTest, PauseWaitsAtLeastItsTimeAndHandlesEvents) {
    bool fired = false;
    QTimer::singleShot(5, [&fired] { fired = true; });
    const auto start = std::chrono::steady_clock::now();
    main.Browse().pause(0.05f);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_TRUE(fired);
}

TEST_F(BrowsePanelTest, CancelBringsTheListBackOnlyAfterAConfirm) {
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
}

TEST_F(BrowsePanelTest, WithoutTheDataFolderSlidesAndListsWorkSilently) {
    std::filesystem::remove_all(program / "data");
    main.SwishDlgIn();
    main.DirList()->SetPath(QString::fromStdString(program.path().string()));
    main.SwishDlgOut();
    EXPECT_TRUE(played.isEmpty());
    EXPECT_EQ(main.BrowseDlg()->LeftUnits(), 350.0);
}

TEST_F(BrowsePanelTest, FolderChangeRefillsTheFileListWithAClick) {
    std::filesystem::create_directories(program / "games");
    test::WriteBytes(program / "games" / "DOOR.SFX", {});
    test::WriteBytes(program / "games" / "bell.sfx", {});
    test::WriteBytes(program / "games" / "notes.txt", {});
    main.FileList()->SetPattern(QStringLiteral("*.sfx"));
    main.DirList()->SetPath(QString::fromStdString((program / "games").string()));
    EXPECT_EQ(main.FileList()->Path(), main.DirList()->Path());
    QStringList files;
    for (int i = 0; i < main.FileList()->count(); ++i) {
        files << main.FileList()->item(i)->text();
    }
    EXPECT_EQ(files, (QStringList{u"bell.sfx"_s, u"DOOR.SFX"_s}));
    EXPECT_EQ(played, QStringList{u"change.wav"_s});
    EXPECT_EQ(main.FileList()->FileName(), QString());
    main.FileList()->item(1)->setSelected(true);
    EXPECT_EQ(main.FileList()->FileName(), QStringLiteral("DOOR.SFX"));
}

TEST_F(BrowsePanelTest, FilesThatCannotBeReadAreListedToo) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root reads every file; ctest runs this as an unprivileged user";
    }
    std::filesystem::create_directories(program / "games");
    test::WriteBytes(program / "games" / "locked.sfx", {});
    std::filesystem::permissions(program / "games" / "locked.sfx", std::filesystem::perms::none);
    main.FileList()->SetPattern(QStringLiteral("*.sfx"));
    main.DirList()->SetPath(QString::fromStdString((program / "games").string()));
    ASSERT_EQ(main.FileList()->count(), 1);
    EXPECT_EQ(main.FileList()->item(0)->text(), QStringLiteral("locked.sfx"));
}

TEST_F(BrowsePanelTest, ADoubleClickAnywhereInTheFileOrSoundListCounts) {
    QSignalSpy files(main.FileList(), &FilePicker::DblClick);
    QSignalSpy sounds(main.Port(), &SoundList::DblClick);
    main.show();
    // Below the last entry: the lists are empty.
    QTest::mouseDClick(main.FileList()->viewport(), Qt::LeftButton, {}, QPoint(30, 150));
    QTest::mouseDClick(main.Port()->viewport(), Qt::LeftButton, {}, QPoint(30, 150));
    EXPECT_EQ(files.count(), 1);
    EXPECT_EQ(sounds.count(), 1);
    // A disabled file list (the save modes) takes none.
    main.FileList()->setEnabled(false);
    QTest::mouseDClick(main.FileList()->viewport(), Qt::LeftButton, {}, QPoint(30, 150));
    EXPECT_EQ(files.count(), 1);
}

TEST_F(BrowsePanelTest, PickingTheDriveAlreadyShownIsNoChange) {
    const QString folder = main.DirList()->Path();
    emit main.DriveList()->activated(main.DriveList()->currentIndex());
    EXPECT_TRUE(played.isEmpty());
    EXPECT_EQ(main.DirList()->Path(), folder);
}

TEST_F(BrowsePanelTest, DriveThatCannotBeOpenedIsReportedAndTheProgramDriveReturns) {
    test::MessageBoxAnswerer answerer;
    main.DriveList()->SetDrive(QStringLiteral("/no-such-volume"));
    ASSERT_EQ(answerer.seen.size(), 1u);
    EXPECT_EQ(answerer.seen[0].title, QStringLiteral("Echo Delve"));
    EXPECT_TRUE(answerer.seen[0].text.contains(QStringLiteral("No such file or directory")));
    EXPECT_EQ(main.DriveList()->Drive(), QStringLiteral("/"));
    EXPECT_TRUE(main.DirList()->Path().startsWith(QStringLiteral("/")));
}

}  // namespace
}  // namespace echodelve::ui
