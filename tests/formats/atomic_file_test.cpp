#include "formats/atomic_file.h"

#include <gtest/gtest.h>

#include <csignal>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "formats/errors.h"
#include "support/fixtures.h"
#include "support/temp_dir.h"

namespace echodelve {
namespace {

using test::Bytes;
using test::ReadBytes;

// Names from a list, so a test can put something in the way of the first.
AtomicFile::TempNames NamesFrom(std::vector<std::string> names) {
    return [names = std::move(names), next = std::size_t{0}]() mutable { return names.at(next++); };
}

// A file standing at the target is replaced through a temporary name.
TEST(AtomicFileTest, WhatStandsAtATemporaryNameIsNeverWrittenThrough) {
    test::TempDir dir;
    test::WriteBytes(dir / "sound.wav", {'o', 'l', 'd'});
    const auto sentinel = dir / "sentinel.txt";
    test::WriteBytes(sentinel, {'k', 'e', 'e', 'p'});
    test::WriteBytes(dir / ".plain", {'o', 'l', 'd'});
    std::filesystem::create_symlink(sentinel, dir / ".link");
    std::filesystem::create_symlink(dir / "nowhere", dir / ".dangling");

    AtomicFile out(dir / "sound.wav", NamesFrom({".plain", ".link", ".dangling", ".free"}));
    out.Write(Bytes{'n', 'e', 'w'});
    out.Commit();

    EXPECT_EQ(ReadBytes(dir / "sound.wav"), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(ReadBytes(sentinel), (Bytes{'k', 'e', 'e', 'p'}));
    EXPECT_EQ(ReadBytes(dir / ".plain"), (Bytes{'o', 'l', 'd'}));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / ".link"));
    EXPECT_FALSE(std::filesystem::exists(dir / "nowhere"));
    EXPECT_FALSE(std::filesystem::exists(dir / ".free"));
}

TEST(AtomicFileTest, NewFileAppearsOnlyWhenCommittedAndLeavesNothingElse) {
    test::TempDir dir;
    AtomicFile out(dir / "sound.wav");
    out.Write(Bytes(5000, 'x'));
    out.WriteZeros(3);
    EXPECT_FALSE(std::filesystem::exists(dir / "sound.wav"));
    out.Commit();
    Bytes expected(5000, 'x');
    expected.insert(expected.end(), 3, 0);
    EXPECT_EQ(ReadBytes(dir / "sound.wav"), expected);
    EXPECT_EQ(test::FileNames(dir.path()), std::vector<std::string>{"sound.wav"});
}

TEST(AtomicFileTest, UncommittedFileLeavesNothingAndTheTargetUntouched) {
    test::TempDir dir;
    test::WriteBytes(dir / "sound.wav", {'o', 'l', 'd'});
    {
        AtomicFile out(dir / "sound.wav");
        out.Write(Bytes(1000, 'x'));
    }
    EXPECT_EQ(test::FileNames(dir.path()), std::vector<std::string>{"sound.wav"});
    EXPECT_EQ(ReadBytes(dir / "sound.wav"), (Bytes{'o', 'l', 'd'}));
}

#ifndef _WIN32
// Root may write anything, so this runs as an ordinary user (see CMakeLists.txt).
TEST(AtomicFileTest, AFileTheUserMayNotChangeIsRefusedAndKept) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may change any file";
    }
    test::TempDir dir;
    const auto target = dir / "sound.wav";
    const auto readOnly = std::filesystem::perms::owner_read | std::filesystem::perms::group_read;
    test::WriteBytes(target, {'o', 'l', 'd'});
    std::filesystem::permissions(target, readOnly);
    EXPECT_THROW(AtomicFile{target}, ArchiveError);
    EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(test::FileNames(dir.path()), std::vector<std::string>{"sound.wav"});

    // Made read-only while the new one was written: the commit refuses too.
    std::filesystem::permissions(target, readOnly | std::filesystem::perms::owner_write);
    {
        AtomicFile out(target);
        out.Write(Bytes{'n', 'e', 'w'});
        std::filesystem::permissions(target, readOnly);
        EXPECT_THROW(out.Commit(), ArchiveError);
    }
    EXPECT_EQ(ReadBytes(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(test::FileNames(dir.path()), std::vector<std::string>{"sound.wav"});

    // A writable one is replaced, as is a link to a file the user may not change.
    std::filesystem::permissions(target, readOnly | std::filesystem::perms::owner_write);
    test::WriteBytes(dir / "locked.txt", {'k'});
    std::filesystem::permissions(dir / "locked.txt", readOnly);
    std::filesystem::create_symlink(dir / "locked.txt", dir / "link.wav");
    for (const char* name : {"sound.wav", "link.wav"}) {
        AtomicFile out(dir / name);
        out.Write(Bytes{'n', 'e', 'w'});
        out.Commit();
        EXPECT_EQ(ReadBytes(dir / name), (Bytes{'n', 'e', 'w'})) << name;
    }
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "link.wav"));
    EXPECT_EQ(ReadBytes(dir / "locked.txt"), (Bytes{'k'}));
}

TEST(AtomicFileDeathTest, SignalThatEndsTheProcessRemovesTheFileInFlight) {
    GTEST_FLAG_SET(death_test_style, "fast");  // the child must see this test's folder
    test::TempDir dir;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        EXPECT_EXIT(
            {
                RemoveFilesInFlightOnSignals();
                AtomicFile out(dir / "sound.wav");
                out.Write(Bytes(100000, 'x'));
                std::raise(signal);
            },
            ::testing::KilledBySignal(signal), "");
        EXPECT_TRUE(test::FileNames(dir.path()).empty()) << "after signal " << signal;
    }
}
#endif

#ifdef __linux__
// Where the file system has unnamed files, even a kill that runs no handler
// leaves nothing behind.
TEST(AtomicFileDeathTest, KilledOutrightLeavesNothing) {
    GTEST_FLAG_SET(death_test_style, "fast");
    test::TempDir dir;
    EXPECT_EXIT(
        {
            AtomicFile out(dir / "sound.wav");
            out.Write(Bytes(100000, 'x'));
            std::raise(SIGKILL);
        },
        ::testing::KilledBySignal(SIGKILL), "");
    EXPECT_TRUE(test::FileNames(dir.path()).empty());
}
#endif

}  // namespace
}  // namespace echodelve
