#include "common/staging.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "tests/support/bytes.h"
#include "tests/support/scratch_folder.h"

namespace korvane::test {
namespace {

TEST(Staging, FolderIsCreatedPrivateAndNamesTheThreeFiles) {
    ScratchFolder scratch{ScratchFolder::Use::Staging};
    const std::string dir = scratch.File("sub");
    SetEnv("KORVANE_STAGING_DIR", dir);
    ASSERT_EQ(StagingDirectory(), dir);
    struct stat st {};
    ASSERT_EQ(stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(StagingPath("Temp.txt"), dir + "/Temp.txt");
    EXPECT_EQ(StagingPath("RHost.txt"), dir + "/RHost.txt");
}

TEST(Staging, FolderThatIsALinkOrOpenToOthersIsRefused) {
    ScratchFolder scratch{ScratchFolder::Use::Staging};
    const std::string real = scratch.File("real");
    ASSERT_EQ(mkdir(real.c_str(), 0700), 0);
    const std::string alias = scratch.File("alias");
    ASSERT_EQ(symlink(real.c_str(), alias.c_str()), 0);
    const std::string shared = scratch.File("shared");
    ASSERT_EQ(mkdir(shared.c_str(), 0700), 0);
    ASSERT_EQ(chmod(shared.c_str(), 0777), 0);
    const std::string file = scratch.File("plain");
    std::ofstream(file) << "x";
    for (const std::string& dir : {alias, shared, file}) {
        SCOPED_TRACE(dir);
        SetEnv("KORVANE_STAGING_DIR", dir);
        EXPECT_FALSE(StagingDirectory().has_value());
        EXPECT_FALSE(StagingPath("Write.txt").has_value());
    }
}

TEST(Staging, WritingReplacesALinkInsteadOfFollowingIt) {
    ScratchFolder scratch{ScratchFolder::Use::Staging};
    const std::string victim = scratch.File("victim");
    std::ofstream(victim) << "keep";
    const std::string staged = scratch.File("Write.txt");
    ASSERT_EQ(symlink(victim.c_str(), staged.c_str()), 0);
    // Reading does not follow it either.
    EXPECT_FALSE(ReadWholeFile(staged, 100).has_value());
    const Bytes data = Hex("31 2C 05 3B");
    ASSERT_TRUE(WriteWholeFile(data.data(), data.size(), staged));
    EXPECT_EQ(ToHex(ReadFile(victim)), "6B 65 65 70");  // "keep"
    EXPECT_EQ(ToHex(ReadFile(staged)), "31 2C 05 3B");
    struct stat st {};
    ASSERT_EQ(lstat(staged.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// Two programs stage in one folder: while one holds the folder between its
// write and its read-back, the other waits; within one program the lock
// nests.
TEST(Staging, AnotherProgramWaitsWhileOneHoldsTheFolder) {
    ScratchFolder scratch{ScratchFolder::Use::Staging};
    int held[2];
    int release[2];
    ASSERT_EQ(pipe(held), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const StagingLock lock;
        char c = lock.ok() ? 'h' : 'x';
        if (write(held[1], &c, 1) != 1 || read(release[0], &c, 1) != 1) _exit(2);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(held[0], &c, 1), 1);
    ASSERT_EQ(c, 'h');
    std::atomic<bool> got{false};
    std::thread waiter([&] {
        const StagingLock outer;
        const StagingLock inner;
        got = outer.ok() && inner.ok();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(got);
    ASSERT_EQ(write(release[1], "r", 1), 1);
    waiter.join();
    EXPECT_TRUE(got);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    for (int fd : {held[0], held[1], release[0], release[1]}) close(fd);
}

TEST(Staging, WholeFileReadsAreBounded) {
    ScratchFolder scratch{ScratchFolder::Use::Staging};
    const std::string path = scratch.File("f");
    const Bytes data = Counting(5000);
    ASSERT_TRUE(WriteWholeFile(data.data(), data.size(), path));
    EXPECT_EQ(ReadWholeFile(path, 10000), data);
    EXPECT_EQ(ReadWholeFile(path, 1024)->size(), 1024u);
    ASSERT_TRUE(WriteWholeFile(nullptr, 0, path));
    EXPECT_EQ(ReadWholeFile(path, 10), Bytes{});
    EXPECT_FALSE(ReadWholeFile(scratch.File("missing"), 10).has_value());
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_TRUE(RemoveFile(path)) << "already gone counts as removed";
    EXPECT_FALSE(WriteWholeFile(nullptr, 3, path));
    EXPECT_FALSE(ReadWholeFile(path, 10).has_value());
}

}  // namespace
}  // namespace korvane::test
