#include "program/program.h"

#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "formats/archive_writers.h"
#include "support/fixtures.h"

#include "support/temp_dir.h"

namespace echodelve::program {
namespace {

// The controls reach their handlers as a person uses them.
class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest() {
        main.SetProgramFolder(QString::fromStdString(program.path().string()));
        app.Context().endProgram = [this] { ++ended; };
        main.move(50, 60);
        main.show();
    }

    test::TempDir program;
    Program app;
    ui::frmMain& main = app.Main();
    int ended = 0;
};

TEST_F(ProgramTest, MenuGlyphOpensTheMainMenuAtTheSamePlaceWherePressed) {
    for (const QPoint at : {QPoint(3, 3), QPoint(10, 8)}) {
        QTest::mouseClick(main.mnulabel(), Qt::LeftButton, {}, at);
        ASSERT_TRUE(app.Menus().mnuMain->isVisible());
        EXPECT_EQ(app.Menus().mnuMain->pos(), main.mapToGlobal(QPoint(6, 5)));
        app.Menus().mnuMain->hide();
    }
}

TEST_F(ProgramTest, RightPressOnTheFolderListOpensTheFolderMenuUnderThePointer) {
    QTest::mousePress(main.DirList()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_FALSE(app.Menus().mnuDirControl->isVisible());
    QTest::mousePress(main.DirList()->viewport(), Qt::RightButton, {}, QPoint(20, 5));
    ASSERT_TRUE(app.Menus().mnuDirControl->isVisible());
    EXPECT_EQ(app.Menus().mnuDirControl->pos(),
              main.DirList()->viewport()->mapToGlobal(QPoint(20, 5)));
    app.Menus().mnuDirControl->hide();
}

TEST_F(ProgramTest, CloseGlyphRunsTheExitSequenceWithoutAScratchFolder) {
    QTest::mouseClick(main.Label2(), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(app.PreviewOf().Scratch().Path().isEmpty());
}

TEST_F(ProgramTest, WhileAProcedureRunsItsMenuShowsWhatCannotRunDisabled) {
    test::TempDir games;
    WriteSfxArchive(games / "many.sfx",
                    std::vector<PackMember>(50, PackMember::FromBytes("m", test::MakeWav(100))));
    const std::vector<QAction*> refused = {app.Menus().mnuSfxOpen, app.Menus().mnuWadOpen,
                                           app.Menus().mnuSaveAs,  app.Menus().mnuSaveAll,
                                           app.Menus().mnuAbout,   app.Menus().mnuCreateFolder};
    const auto enabled = [&] {
        std::vector<bool> states;
        for (const QAction* action : refused) {
            states.push_back(action->isEnabled());
        }
        return states;
    };
    std::vector<bool> during;
    bool exitDuring = false;
    QTimer::singleShot(0, &main, [&] {  // runs while the listing lets events run
        during = enabled();
        exitDuring = app.Menus().mnuExit->isEnabled();
    });
    app.Dispatcher().RunProcedure(QStringLiteral("sfxfile"),
                                  QString::fromStdString((games / "many.sfx").string()), 0);
    EXPECT_EQ(during, std::vector<bool>(refused.size(), false));
    EXPECT_TRUE(exitDuring);
    EXPECT_EQ(enabled(), std::vector<bool>(refused.size(), true));
    EXPECT_EQ(main.SoundCount(), 50);
}

TEST(DeliverGuardedDeathTest, AnExceptionFromAHandlerEndsTheProgramWithItsReason) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EQ(DeliverGuarded([] { return true; }, [] { std::abort(); }), true);  // no end
    for (const bool standard : {true, false}) {
        EXPECT_EXIT(DeliverGuarded(
                        [standard]() -> bool {
                            if (standard) {
                                throw std::runtime_error("the handler broke");
                            }
                            throw 42;
                        },
                        [] { std::fputs("cleared\n", stderr); }),
                    ::testing::ExitedWithCode(1),
                    standard ? "echodelve: the handler broke\ncleared"
                             : "echodelve: an unforeseen failure ended the program\ncleared");
    }
}

// Drops as the window system delivers them: enter, then drop, of file URLs.
bool Drop(QWidget& window, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &enter);
    if (!enter.isAccepted()) {
        return false;
    }
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&window, &drop);
    return drop.isAccepted();
}

TEST_F(ProgramTest, AnArchiveDroppedOnTheWindowOpensAsItsKindWouldAndOnlyWhenIdle) {
    test::TempDir games;
    WriteWadArchive(games / "Game.WAD", {PackMember::FromBytes("a.wav", test::MakeWav(100, 1)),
                                         PackMember::FromBytes("b.wav", test::MakeWav(90, 2))});
    const QUrl archive = QUrl::fromLocalFile(QString::fromStdString((games / "Game.WAD").string()));

    EXPECT_FALSE(Drop(main, {archive, archive}));  // one archive at a time
    app.State().SetBusy(true);
    EXPECT_FALSE(Drop(main, {archive}));  // refused while a procedure runs
    app.State().SetBusy(false);
    EXPECT_EQ(main.SoundCount(), 0);

    EXPECT_TRUE(Drop(main, {archive}));
    EXPECT_EQ(main.SoundCount(), 2);
    EXPECT_EQ(main.Port()->topLevelItem(1)->text(0), QStringLiteral("b.wav"));
    EXPECT_EQ(app.State().OpenProcedure(), QStringLiteral("wadfile"));
    EXPECT_EQ(main.Browse().Folder(), QString::fromStdString(games.path().string()));
}

TEST_F(ProgramTest, ARowDraggedOutCarriesItsSoundUnderItsSafeName) {
    test::TempDir games;
    const test::Bytes sound = test::MakeWav(120, 3);
    WriteWadArchive(games / "a.wad", {PackMember::FromBytes("x.wav", test::MakeWav(100, 1)),
                                      PackMember::FromBytes("../odd\x01.wav", sound)});
    app.Dispatcher().RunProcedure(QStringLiteral("wadfile"),
                                  QString::fromStdString((games / "a.wad").string()), 0);
    ASSERT_EQ(main.SoundCount(), 2);
    const std::unique_ptr<QMimeData> data(main.Port()->DragData({main.Port()->topLevelItem(1)}));
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 1);
    const QString file = data->urls().constFirst().toLocalFile();
    EXPECT_EQ(QFileInfo(file).fileName(), QStringLiteral(".._odd_.wav"));
    EXPECT_EQ(test::ReadBytes(file.toStdString()), sound);
    // Nothing is carried while a procedure runs.
    app.State().SetBusy(true);
    EXPECT_EQ(main.Port()->DragData({main.Port()->topLevelItem(0)}), nullptr);
    app.State().SetBusy(false);
}

TEST_F(ProgramTest, WhileAProcedureRunsInputToTheWindowIsRefused) {
    test::TempDir games;
    WriteSfxArchive(games / "a.sfx", {PackMember::FromBytes("s", test::MakeWav(100, 1)),
                                      PackMember::FromBytes("s", test::MakeWav(100, 2))});
    const QString archive = QString::fromStdString((games / "a.sfx").string());
    app.Dispatcher().RunProcedure(QStringLiteral("sfxfile"), archive, 0);
    QSignalSpy doubleClicks(main.Port(), &ui::SoundList::DblClick);
    int pressesDuringRun = 0;
    QObject::connect(&app.State(), &app::ProgramState::SoundAdded, &main, [&] {
        QTest::mouseDClick(main.Port()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        ++pressesDuringRun;
        EXPECT_FALSE(app.Menus().mnuSfxOpen->isEnabled());
        EXPECT_TRUE(app.Menus().mnuExit->isEnabled());
    });
    app.Dispatcher().RunProcedure(QStringLiteral("sfxfile"), archive, 0);
    EXPECT_EQ(pressesDuringRun, 2);
    EXPECT_EQ(doubleClicks.count(), 0);
    EXPECT_TRUE(app.Menus().mnuSfxOpen->isEnabled());
    QTest::mouseDClick(main.Port()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_EQ(doubleClicks.count(), 1);
}

}  // namespace
}  // namespace echodelve::program
