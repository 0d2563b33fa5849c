#include "program/program.h"

#include <gtest/gtest.h>

#include <QTest>

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
    EXPECT_FALSE(std::filesystem::exists(program / "temp"));
}

}  // namespace
}  // namespace echodelve::program
