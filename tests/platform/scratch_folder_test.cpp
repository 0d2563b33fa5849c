#include "platform/scratch_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <climits>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "support/fixtures.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace echodelve::platform {
namespace {

QString Q(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

TEST(ScratchFolderTest, BaseIsTheRuntimeFolderWhenUsableElseTheCache) {
    test::TempDir runtime;
    test::TempDir cache;
    test::WriteBytes(runtime / "file", {1});
    const test::ScopedEnv cacheHome("XDG_CACHE_HOME",
                                    QByteArray::fromStdString(cache.path().string()));
    const std::pair<QByteArray, std::filesystem::path> cases[] = {
        {QByteArray::fromStdString(runtime.path().string()), runtime / "echodelve"},
        {QByteArray(), cache / "echodelve"},  // unset
        {QByteArray(""), cache / "echodelve"},
        {QByteArray("run/user"), cache / "echodelve"},
        {QByteArray::fromStdString((runtime / "gone").string()), cache / "echodelve"},
        {QByteArray::fromStdString((runtime / "file").string()), cache / "echodelve"},
    };
    for (const auto& [value, expected] : cases) {
        const test::ScopedEnv env("XDG_RUNTIME_DIR", value);
        EXPECT_EQ(ScratchBase(), Q(expected)) << value.toStdString();
    }
}

TEST(ScratchFolderTest, EachProgramGetsAFolderOfItsOwnMadeOnlyWhenAskedFor) {
    test::TempDir base;
    ScratchFolder first(Q(base / "echodelve"));
    ScratchFolder second(Q(base / "echodelve"));
    EXPECT_TRUE(first.Path().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(base / "echodelve"));

    const QString a = first.Prepare();
    const QString b = second.Prepare();
    ASSERT_FALSE(a.isEmpty());
    EXPECT_NE(a, b);
    EXPECT_EQ(first.Prepare(), a);  // kept while it stands
    EXPECT_EQ(first.Path(), a);
    EXPECT_TRUE(QDir(a).dirName().contains(
        QRegularExpression(QStringLiteral("^%1-[A-Za-z0-9]{6}$").arg(getpid()))));
    EXPECT_EQ(QFileInfo(a).path(), Q(base / "echodelve"));
    // Running programs' folders are never taken for abandoned ones.
    EXPECT_EQ(RemoveAbandonedScratchFolders(Q(base / "echodelve")), 0);
    EXPECT_TRUE(QFileInfo(a).isDir() && QFileInfo(b).isDir());

    // Removed from under the program: the next preview makes another.
    QDir(a).removeRecursively();
    const QString again = first.Prepare();
    EXPECT_TRUE(QFileInfo(again).isDir());
    EXPECT_EQ(first.Path(), again);

    // No folder where the base cannot be made.
    test::WriteBytes(base / "file", {1});
    ScratchFolder blocked(Q(base / "file"));
    EXPECT_TRUE(blocked.Prepare().isEmpty());
    EXPECT_TRUE(blocked.Path().isEmpty());
    EXPECT_EQ(blocked.Base(), Q(base / "file"));
}

// A process id no process can have: above every kernel's pid_max.
const std::string kGone = std::to_string(INT_MAX);

TEST(ScratchFolderTest, OnlyFoldersNoRunningProgramHoldsAreRemovedAsAbandoned) {
    test::TempDir base;
    test::TempDir elsewhere;
    test::WriteBytes(elsewhere / "keep.wav", {1});
    // Left by programs that are gone, with what they held.
    for (const std::string& name :
         {kGone + "-abc123", std::string("4194305-Zz9Zz9"), std::string("9999999999-ABCDEF")}) {
        std::filesystem::create_directories(base / name / "inner");
        test::WriteBytes(base / name / "inner" / "door.wav", {1});
    }
    // Made by this program but not yet held: it is about to be.
    const auto starting = base / (std::to_string(getpid()) + "-abc123");
    std::filesystem::create_directories(starting);
    // Not scratch folders: names of another shape, a file, a link.
    const std::vector<std::string> others = {"notes",       "123-abc12",  "123-abc1234",
                                             "x123-abc123", "-abc123",    "12345678901-abc123",
                                             "123-abc_12",  "123_abc123", "123-abc123.old"};
    for (const std::string& name : others) {
        std::filesystem::create_directories(base / name);
    }
    test::WriteBytes(base / (kGone + "-file00"), {1});
    std::filesystem::create_directory_symlink(elsewhere.path(), base / (kGone + "-link00"));

    EXPECT_EQ(RemoveAbandonedScratchFolders(Q(base.path())), 3);
    std::vector<std::string> left = others;
    for (const std::string& name :
         {std::to_string(getpid()) + "-abc123", kGone + "-file00", kGone + "-link00"}) {
        left.push_back(name);
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(test::FileNames(base.path()), left);
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "keep.wav"));
    EXPECT_EQ(RemoveAbandonedScratchFolders(Q(base / "missing")), 0);
}

TEST(ScratchFolderTest, AHeldFolderStaysWhateverItsNameAndGoesOnceReleased) {
    test::TempDir base;
    const auto held = base / (kGone + "-held00");
    std::filesystem::create_directories(held);
    const int fd = open(held.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(RemoveAbandonedScratchFolders(Q(base.path())), 0);
    EXPECT_TRUE(std::filesystem::exists(held));
    close(fd);  // as when its program is killed
    EXPECT_EQ(RemoveAbandonedScratchFolders(Q(base.path())), 1);
    EXPECT_FALSE(std::filesystem::exists(held));
}

}  // namespace
}  // namespace echodelve::platform
