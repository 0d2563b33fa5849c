#include <gtest/gtest.h>

#include "app/path_exists.h"
#include "support/temp_dir.h"
#include "ui/frm_main.h"

namespace echodelve::app {
namespace {

TEST(ProgramStateTest, StartsEmptyAndRecordsTheListedKind) {
    ui::frmMain main;
    EXPECT_EQ(main.OpenProcedure, QString());
    EXPECT_FALSE(main.Getfileissfx());
    EXPECT_FALSE(main.MainDlgShown);
    main.SetOpenProcedure(QStringLiteral("saveallfile"));
    main.Setfileissfx();
    EXPECT_EQ(main.OpenProcedure, QStringLiteral("saveallfile"));
    EXPECT_TRUE(main.Getfileissfx());
    main.setfileiswad();
    EXPECT_FALSE(main.Getfileissfx());
}

TEST(PathExistsTest, FilesAndFoldersExistMissingAndEmptyPathsDoNot) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    std::filesystem::create_directory(dir / "sub");
    EXPECT_TRUE(PathExists(folder));
    EXPECT_TRUE(PathExists(folder + QStringLiteral("/sub")));
    EXPECT_FALSE(PathExists(folder + QStringLiteral("/missing.wav")));
    EXPECT_FALSE(PathExists(QString()));
}

}  // namespace
}  // namespace echodelve::app
