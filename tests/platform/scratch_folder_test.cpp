#include "platform/scratch_folder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
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

// A process id no process can have: above every kernel's pid_max.
const std::string kGone = std::to_string(INT_MAX);

TEST(ScratchFolderTest, BaseIsTheRuntimeFolderWhenUsableElseTheCache) {
    test::TempDir runtime;
    test::TempDir cache;
    const test::ScopedEnv cacheHome("XDG_CACHE_HOME",
                                    QByteArray::fromStdString(cache.path().string()));
    const struct {
        const char* what;
        QByteArray runtime;
        std::filesystem::path expected;
    } cases[] = {
        {"usable", QByteArray::fromStdString(runtime.path().string()), runtime / "echodelve"},
        {"unset", QByteArray(), cache / "echodelve"},
        {"empty", QByteArray(""), cache / "echodelve"},
        {"relative", QByteArray("run/user"), cache / "echodelve"},
        {"missing", QByteArray::fromStdString((runtime / "gone").string()), cache / "echodelve"},
    };
    for (const auto& c : cases) {
        const test::ScopedEnv env("XDG_RUNTIME_DIR", c.runtime);
        EXPECT_EQ(ScratchBase(), Q(c.expected)) << c.what;
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
    ASSERT_FALSE(b.isEmpty());
    EXPECT_NE(a, b);
    EXPECT_EQ(first.Prepare(), a);  // kept while it stands
    EXPECT_TRUE(QDir(a).dirName().startsWith(QString::number(getpid()) + QStringLiteral("-")));
    EXPECT_EQ(QFileInfo(a).path(), Q(base / "echodelve"));

    // Running programs' folders are never taken for abandoned ones.
    EXPECT_EQ(RemoveAbandonedScratchFolders(Q(base / "echodelve")), 0);
    EXPECT_TRUE(QFileInfo(a).isDir());
    EXPECT_TRUE(QFileInfo(b).isDir());

    // Removed from under the program: the next preview makes another.
    QDir(a).removeRecursively();
    const QString again = first.Prepare();
    EXPECT_FALSE(again.isEmpty());
    EXPECT_TRUE(QFileInfo(again).isDir());
}

TEST(ScratchFolderTest, NoFolderWhereTheBaseCannotBeMade) {
    test::TempDir dir;
    test::WriteBytes(dir / "echodelve", {1});  // a file where the folder would go
    ScratchFolder scratch(Q(dir / "echodelve"));
    EXPECT_TRUE(scratch.Prepare().isEmpty());
    EXPECT_TRUE(scratch.Path().isEmpty());
}

TEST(ScratchFolderTest, OnlyFoldersNoRunningProgramHoldsAreRemovedAsAbandoned) {
    test::TempDir base;
    const auto abandoned = base / (kGone + "-abc123");
    std::filesystem::create_directories(abandoned / "inner");
    test::WriteBytes(abandoned / "door.wav", {1});
    test::WriteBytes(abandoned / "inner" / "notes.txt", {1});
    // Made by this program but not yet held: it is about to be.
    const auto starting = base / (std::to_string(getpid()) + "-abc123");
    std::filesystem::create_directories(starting);
    // Not scratch folders: names of another shape, a file, a link.
    test::TempDir elsewhere;
    test::WriteBytes(elsewhere / "keep.wav", {1});
    for (const char* name : {"notes", "123-abc", "123-abcdefg", "x123-abc123"}) {
        std::filesystem::create_directories(base / name);
    }
    test::WriteBytes(base / (kGone + "-file00"), {1});
    std::filesystem::create_directory_symlink(elsewhere.path(), base / (kGone + "-link00"));

    EXPECT_EQ(RemoveAbandonedScratchFolders(Q(base.path())), 1);
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_TRUE(std::filesystem::exists(starting));
    for (const char* name : {"notes", "123-abc", "123-abcdefg", "x123-abc123"}) {
        EXPECT_TRUE(std::filesystem::exists(base / name)) << name;
    }
    EXPECT_TRUE(std::filesystem::exists(base / (kGone + "-file00")));
    EXPECT_TRUE(std::filesystem::is_symlink(base / (kGone + "-link00")));
    EXPECT_TRUE(std::filesystem::exists(elsewhere / "keep.wav"));
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
