#include "formats/atomic_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>
#include <functional>

#ifdef __linux__
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "formats/errors.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace echodelve::atomic_file_tests {
namespace {

using test::Bytes;
using test::ReadBytes;
using Names = std::vector<std::string>;

// Names from a list, so a test can put something in the way of the first.
AtomicFile::TempNames NamesFrom(Names names) {
    return [names = std::move(names), next = std::size_t{0}]() mutable { return names.at(next++); };
}

#ifdef __linux__
// How AtomicFile makes its temporary file: unnamed (O_TMPFILE) where the file
// system has such files, else named in the target's folder.
enum class Way { Unnamed, Named };

// Makes every later attempt at an unnamed file fail as on a file system
// without them. For a child process only: the filter is never lifted.
void RefuseUnnamedFiles() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),  // the flags
        BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, O_TMPFILE & ~O_DIRECTORY, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        ADD_FAILURE() << "the filter could not be set";
    }
}

// Runs `body` in a child process that writes the given way, and returns its
// wait status: exit code 1 for a failed expectation.
int InChild(Way way, const std::function<void()>& body) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (way == Way::Named) {
            RefuseUnnamedFiles();
        }
        body();
        std::fflush(nullptr);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

class AtomicFileWayTest : public ::testing::TestWithParam<Way> {
  protected:
    void SetUp() override {
        const int fd = open(dir.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
        if (fd < 0) {
            GTEST_SKIP() << "the temporary folder's file system has no unnamed files";
        }
        close(fd);
    }
    void Run(const std::function<void()>& body) {
        const int status = InChild(GetParam(), body);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    }
    bool Named() const { return GetParam() == Way::Named; }

    test::TempDir dir;
    std::filesystem::path target = dir / "sound.wav";
};

INSTANTIATE_TEST_SUITE_P(Ways, AtomicFileWayTest, ::testing::Values(Way::Unnamed, Way::Named),
                         [](const auto& param) {
                             return param.param == Way::Named ? "Named" : "Unnamed";
                         });

TEST_P(AtomicFileWayTest, AFileAppearsOnlyWholeAndLeavesNothingElse) {
    test::WriteBytes(target, {'o', 'l', 'd'});
    Run([&] {
        {
            AtomicFile uncommitted(target, NamesFrom({".temp"}));
            uncommitted.Write(Bytes(1000, 'x'));
            EXPECT_EQ(test::FileNames(dir.path()),
                      (Named() ? Names{".temp", "sound.wav"} : Names{"sound.wav"}));
        }
        EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(test::FileNames(dir.path()), Names{"sound.wav"});
        AtomicFile out(target);
        out.Write(Bytes(5000, 'x'));
        out.WriteZeros(64 * 1024 + 1);
        EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
        out.Commit();
    });
    Bytes expected(5000, 'x');
    expected.resize(5000 + 64 * 1024 + 1, 0);
    EXPECT_EQ(ReadBytes(target), expected);
    EXPECT_EQ(test::FileNames(dir.path()), Names{"sound.wav"});
}

// A link at the target is replaced, and what stands at a temporary name is
// passed over: neither is ever written through.
TEST_P(AtomicFileWayTest, NoLinkOrFileInTheWayIsWrittenThrough) {
    const auto sentinel = dir / "sentinel.txt";
    test::WriteBytes(sentinel, {'k', 'e', 'e', 'p'});
    std::filesystem::create_symlink(sentinel, target);
    test::WriteBytes(dir / ".plain", {'o', 'l', 'd'});
    std::filesystem::create_symlink(sentinel, dir / ".link");
    std::filesystem::create_symlink(dir / "nowhere", dir / ".dangling");
    Run([&] {
        AtomicFile out(target, NamesFrom({".plain", ".link", ".dangling", ".free"}));
        out.Write(Bytes{'n', 'e', 'w'});
        out.Commit();
    });
    EXPECT_FALSE(std::filesystem::is_symlink(target));
    EXPECT_EQ(ReadBytes(target), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(ReadBytes(sentinel), (Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(ReadBytes(dir / ".plain"), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / ".link"));
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
    EXPECT_EQ(test::FileNames(dir.path()),
              (Names{".dangling", ".link", ".plain", "sentinel.txt", "sound.wav"}));
}

TEST_P(AtomicFileWayTest, EveryFailureLeavesTheTargetAsItWasAndNothingElse) {
    const auto sub = dir / "sub";
    const auto taken = [] { return std::string(".taken"); };
    const auto none = [] {};
    const auto fullDisk = [] {
        const rlimit limit{64 * 1024, RLIM_INFINITY};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
    };
    const auto random = AtomicFile::RandomTempName;
    // The target, its temporary names, and what goes wrong before the commit.
    const std::tuple<std::filesystem::path, AtomicFile::TempNames, std::function<void()>> cases[] =
        {
            {target, taken, none},  // every temporary name is taken
            {dir / "missing" / "a.wav", random, none},
            {target, random, fullDisk},
            {sub / "a.wav", random, [&] { std::filesystem::remove_all(sub); }},
            {dir / "b.wav", random, [&] { std::filesystem::create_directory(dir / "b.wav"); }},
        };
    for (const auto& c : cases) {
        // Plain names, not bindings: the lambda below captures them.
        const std::filesystem::path& to = std::get<0>(c);
        const AtomicFile::TempNames& names = std::get<1>(c);
        const std::function<void()>& beforeCommit = std::get<2>(c);
        SCOPED_TRACE(to);
        test::WriteBytes(target, {'o', 'l', 'd'});
        test::WriteBytes(dir / ".taken", {});
        std::filesystem::create_directory(sub);
        Run([&] {
            try {
                AtomicFile out(to, names);
                out.WriteZeros(1024);
                beforeCommit();
                out.WriteZeros(1024 * 1024);
                out.Commit();
                ADD_FAILURE() << "the file was written";
            } catch (const ArchiveError& error) {
                EXPECT_EQ(std::string(error.what()).rfind("Could not write '" + to.string(), 0), 0u)
                    << error.what();
            }
        });
        std::filesystem::remove_all(sub);
        std::filesystem::remove_all(dir / "b.wav");
        EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
        EXPECT_EQ(test::FileNames(dir.path()), (Names{".taken", "sound.wav"}));
    }
}

// An unnamed file vanishes even when a kill runs no handler.
TEST_P(AtomicFileWayTest, ASignalThatEndsTheProcessRemovesTheFileInFlight) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGKILL}) {
        if (signal == SIGKILL && Named()) {
            continue;
        }
        const int status = InChild(GetParam(), [&] {
            RemoveFilesInFlightOnSignals();
            AtomicFile out(target);
            out.Write(Bytes(100000, 'x'));
            std::raise(signal);
        });
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "status " << status;
        EXPECT_EQ(test::FileNames(dir.path()), Names{}) << "after signal " << signal;
    }
}

// Root may write anything, so this runs as an ordinary user (see CMakeLists.txt).
TEST(AtomicFileTest, AFileTheUserMayNotChangeIsRefusedAndKept) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may change any file";
    }
    const auto readOnly = std::filesystem::perms::owner_read;
    const auto writable = readOnly | std::filesystem::perms::owner_write;
    for (const Way way : {Way::Unnamed, Way::Named}) {
        test::TempDir dir;
        const auto target = dir / "sound.wav";
        test::WriteBytes(target, {'o', 'l', 'd'});
        test::WriteBytes(dir / "locked.txt", {'k'});
        std::filesystem::permissions(dir / "locked.txt", readOnly);
        std::filesystem::create_symlink(dir / "locked.txt", dir / "link.wav");
        const int status = InChild(way, [&] {
            std::filesystem::permissions(target, readOnly);
            EXPECT_THROW(AtomicFile{target}, ArchiveError);
            // Made read-only while the new one was written: the commit refuses too.
            std::filesystem::permissions(target, writable);
            {
                AtomicFile out(target);
                out.Write(Bytes{'n', 'e', 'w'});
                std::filesystem::permissions(target, readOnly);
                EXPECT_THROW(out.Commit(), ArchiveError);
            }
            EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
            EXPECT_EQ(test::FileNames(dir.path()), (Names{"link.wav", "locked.txt", "sound.wav"}));
            // A writable one is replaced, as is a link to a file the user may not change.
            std::filesystem::permissions(target, writable);
            for (const char* name : {"sound.wav", "link.wav"}) {
                AtomicFile out(dir / name);
                out.Write(Bytes{'n', 'e', 'w'});
                out.Commit();
                EXPECT_EQ(ReadBytes(dir / name), (Bytes{'n', 'e', 'w'})) << name;
            }
        });
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_FALSE(std::filesystem::is_symlink(dir / "link.wav"));
        EXPECT_EQ(ReadBytes(dir / "locked.txt"), (Bytes{'k'}));
    }
}
#endif

}  // namespace
}  // namespace echodelve::atomic_file_tests
