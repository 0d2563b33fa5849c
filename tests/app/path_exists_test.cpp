#include <gtest/gtest.h>

#include "app/path_exists.h"
#include "support/temp_dir.h"

namespace echodelve::app {
namespace {

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
