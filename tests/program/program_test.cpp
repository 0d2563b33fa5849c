#include "program/program.h"

#include <gtest/gtest.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "formats/archive_writers.h"
#include "support/fixtures.h"
#include "support/message_box_answerer.h"
#include "support/temp_dir.h"

namespace echodelve::program {
namespace {

using namespace Qt::StringLiterals;

// The controls reach their handlers as a person uses them.
class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest() {
        main.SetProgramFolder(QString::fromStdString(program.path().string()));
        app.Context().endProgram = [this] { ++ended; };
        main.move(50, 60);
        main.show();
    }
    QString Archive(const std::string& name, int sounds) {
        std::vector<PackMember> members;
        for (int i = 0; i < sounds; ++i) {
            members.push_back(PackMember::FromBytes(
                std::to_string(i) + ".wav", test::MakeWav(100, static_cast<std::uint8_t>(i))));
        }
        WriteWadArchive(games / name, members);
        return QString::fromStdString((games / name).string());
    }

    test::TempDir program;
    test::TempDir games;
    Program app;
    ui::frmMain& main = app.Main();
    ui::frmMenus& menus = app.Menus();
    int ended = 0;
};

TEST_F(ProgramTest, TheGlyphsAndTheFolderListOpenTheirMenusAndEndTheProgram) {
    for (const QPoint at : {QPoint(3, 3), QPoint(10, 8)}) {  // the same place wherever pressed
        QTest::mouseClick(main.mnulabel(), Qt::LeftButton, {}, at);
        ASSERT_TRUE(menus.mnuMain->isVisible());
        EXPECT_EQ(menus.mnuMain->pos(), main.mapToGlobal(QPoint(6, 5)));
        menus.mnuMain->hide();
    }
    // Only a right press opens the folder menu, under the pointer.
    QTest::mousePress(main.DirList()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_FALSE(menus.mnuDirControl->isVisible());
    QTest::mousePress(main.DirList()->viewport(), Qt::RightButton, {}, QPoint(20, 5));
    ASSERT_TRUE(menus.mnuDirControl->isVisible());
    EXPECT_EQ(menus.mnuDirControl->pos(), main.DirList()->viewport()->mapToGlobal(QPoint(20, 5)));
    menus.mnuDirControl->hide();

    // The close glyph, Exit and the window manager's close all run the exit sequence.
    QTest::mouseClick(main.Label2(), Qt::LeftButton, {}, QPoint(5, 5));
    menus.mnuExit->trigger();
    EXPECT_FALSE(main.close());
    EXPECT_EQ(ended, 3);
    EXPECT_TRUE(app.PreviewOf().Scratch().Path().isEmpty());
}

// While a procedure runs it lets events run: nothing else may start or change
// meanwhile, and the menu shows so; the chrome and Exit still work.
TEST_F(ProgramTest, WhileAProcedureRunsNothingElseStartsButExit) {
    const QString archive = Archive("a.wad", 3);
    app.Dispatcher().RunProcedure(u"wadfile"_s, archive, 0);
    const std::vector<QAction*> refused = {menus.mnuSfxOpen, menus.mnuWadOpen,
                                           menus.mnuSaveAs,  menus.mnuSaveAll,
                                           menus.mnuAbout,   menus.mnuCreateFolder};
    const auto enabled = [&] {
        std::vector<bool> states;
        for (const QAction* action : refused) {
            states.push_back(action->isEnabled());
        }
        return states;
    };
    QSignalSpy doubleClicks(main.Port(), &ui::SoundList::DblClick);
    QSignalSpy plays(&app.Sound(), &platform::SoundService::PlayRequested);
    QSignalSpy stops(&app.Sound(), &platform::SoundService::StopRequested);
    QSignalSpy slides(main.MainPicBox(), &ui::Panel::LeftUnitsChanged);
    test::MessageBoxAnswerer answerer;
    std::vector<bool> during;
    int runs = 0;
    QObject::connect(&app.State(), &app::ProgramState::SoundAdded, &main, [&] {
        if (++runs > 1) {
            return;
        }
        during = enabled();
        EXPECT_TRUE(menus.mnuExit->isEnabled());
        QTest::mouseDClick(main.Port()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        main.Port()->topLevelItem(0)->setSelected(true);
        for (QAction* action : refused) {
            action->trigger();
        }
        emit main.PreviewRequested();
        emit main.RowClicked(main.Port()->topLevelItem(0));
        emit main.StopSoundRequested();
        emit main.ConfirmRequested();
        emit main.FolderMenuRequested(QPoint(10, 10));
        EXPECT_FALSE(menus.mnuDirControl->isVisible());
        QTest::mouseClick(main.mnulabel(), Qt::LeftButton, {}, QPoint(3, 3));
        EXPECT_TRUE(menus.mnuMain->isVisible());
        menus.mnuMain->hide();
        EXPECT_EQ(stops.count(), 0);
        QTest::mouseClick(main.Label2(), Qt::LeftButton, {}, QPoint(5, 5));
    });
    app.Dispatcher().RunProcedure(u"wadfile"_s, archive, 0);
    EXPECT_EQ(during, std::vector<bool>(refused.size(), false));
    EXPECT_EQ(enabled(), std::vector<bool>(refused.size(), true));
    EXPECT_EQ(doubleClicks.count(), 0);
    EXPECT_EQ(plays.count(), 0);
    EXPECT_EQ(stops.count(), 1);  // Exit's
    EXPECT_EQ(slides.count(), 0);
    EXPECT_TRUE(answerer.seen.empty());
    EXPECT_TRUE(answerer.dialogs.empty());
    EXPECT_TRUE(app.State().OpenProcedure().isEmpty());
    EXPECT_FALSE(main.Status()->text().startsWith(u"'"_s));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(main.SoundCount(), 3);
    QTest::mouseDClick(main.Port()->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
    EXPECT_EQ(doubleClicks.count(), 1);
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

TEST_F(ProgramTest, OneLocalArchiveDroppedOnTheWindowOpensAsItsKindWouldAndOnlyWhenIdle) {
    const QUrl archive = QUrl::fromLocalFile(Archive("Game.WAD", 2));
    EXPECT_FALSE(Drop(main, {}));
    EXPECT_FALSE(Drop(main, {archive, archive}));  // one archive at a time
    EXPECT_FALSE(Drop(main, {QUrl(u"https://example.org/Game.WAD"_s)}));
    app.State().SetBusy(true);
    EXPECT_FALSE(Drop(main, {archive}));  // refused while a procedure runs
    app.State().SetBusy(false);
    EXPECT_EQ(main.SoundCount(), 0);

    EXPECT_TRUE(Drop(main, {archive}));
    EXPECT_EQ(main.SoundCount(), 2);
    EXPECT_EQ(main.Port()->topLevelItem(1)->text(0), u"1.wav"_s);
    EXPECT_EQ(app.State().OpenProcedure(), u"wadfile"_s);
    EXPECT_EQ(main.Browse().Folder(), QString::fromStdString(games.path().string()));
}

TEST_F(ProgramTest, ARowDraggedOutCarriesItsSoundUnderItsSafeNameUnlessBusy) {
    const test::Bytes sound = test::MakeWav(120, 3);
    WriteWadArchive(games / "a.wad", {PackMember::FromBytes("x.wav", test::MakeWav(100, 1)),
                                      PackMember::FromBytes("../odd\x01.wav", sound)});
    app.Dispatcher().RunProcedure(u"wadfile"_s, QString::fromStdString((games / "a.wad").string()),
                                  0);
    ASSERT_EQ(main.SoundCount(), 2);
    const std::unique_ptr<QMimeData> data(main.Port()->DragData({main.Port()->topLevelItem(1)}));
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 1);
    const QString file = data->urls().constFirst().toLocalFile();
    EXPECT_EQ(QFileInfo(file).fileName(), u".._odd_.wav"_s);
    EXPECT_EQ(test::ReadBytes(file.toStdString()), sound);
    EXPECT_EQ(main.Port()->DragData({}), nullptr);
    app.State().SetBusy(true);
    EXPECT_EQ(main.Port()->DragData({main.Port()->topLevelItem(0)}), nullptr);
    app.State().SetBusy(false);
}

}  // namespace
}  // namespace echodelve::program
