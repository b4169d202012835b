// The card lock (POSIX): another process holding it, its holder dying, what
// is at the lock's path when it is not a lock file, and relaytest waiting for
// the card.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CardLock.h"
#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "Transcript.h"

namespace {

// A folder of the case's own holding the lock's path, which this process uses.
struct LockDir {
    LockDir()
    {
        char name[] = "/tmp/relaytest-locktest-XXXXXX";
        dir = mkdtemp(name) != nullptr ? name : "/tmp";
        path = dir + "/card.lock";
        const char* before = std::getenv("RELAYTEST_LOCK");
        earlier = before != nullptr ? before : "";
        (void)setenv("RELAYTEST_LOCK", path.c_str(), 1);
    }
    ~LockDir()
    {
        ReleaseCard();
        if (earlier.empty())
            (void)unsetenv("RELAYTEST_LOCK");
        else
            (void)setenv("RELAYTEST_LOCK", earlier.c_str(), 1);
        for (const char* file : {"/card.lock", "/target"})
            (void)std::remove((dir + file).c_str());
        (void)rmdir(dir.c_str());
    }
    LockDir(const LockDir&) = delete;
    LockDir& operator=(const LockDir&) = delete;
    std::string dir;
    std::string path;
    std::string earlier;  // RELAYTEST_LOCK as it was
};

// Another process that takes the card as program and holds it until killed.
struct Holder {
    explicit Holder(const char* program)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            const char taken = TakeCard(program, 0) == CardLockResult::Taken ? 'y' : 'n';
            (void)write(ready[1], &taken, 1);
            for (;;)
                pause();
        }
        char taken = 'n';
        (void)read(ready[0], &taken, 1);
        holds = taken == 'y';
        close(ready[0]);
        close(ready[1]);
    }
    ~Holder() { Kill(); }
    Holder(const Holder&) = delete;
    Holder& operator=(const Holder&) = delete;
    void Kill()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        pid = -1;
    }
    pid_t pid = -1;
    bool holds = false;
};

TEST(CardLock, HeldByAnotherProcessItTimesOutNamingItAndIsFreeTheMomentItDies)
{
    LockDir lock;
    Holder holder("relaysweep");
    ASSERT_TRUE(holder.holds);
    const std::string line = ReadFile(lock.path);

    EXPECT_EQ(TakeCard("relayctl", 0), CardLockResult::TimedOut);
    const std::string named = "relaysweep (process " + std::to_string(holder.pid) + ") since ";
    EXPECT_EQ(std::string(CardHolder()).substr(0, named.size()), named);
    EXPECT_EQ(std::string(CardHolder()).size(), named.size() + 19) << "since YYYY-MM-DD HH:MM:SS: " << CardHolder();
    EXPECT_EQ(ReadFile(lock.path), line) << "a waiter must leave the holder's line as it is";
    EXPECT_EQ(line, std::string(CardHolder()) + "\n");

    holder.Kill();
    EXPECT_EQ(TakeCard("relayctl", 0), CardLockResult::Taken) << "a dead holder's lock is free at once";
    EXPECT_STREQ(CardHolder(), "");
    EXPECT_EQ(ReadFile(lock.path).rfind("relayctl (process " + std::to_string(getpid()) + ") since ", 0), 0u);
}

struct NotALockFile {
    const char* name;
    void (*make)(const std::string& path, const std::string& target);
};

void Symlink(const std::string& path, const std::string& target)
{
    std::FILE* file = std::fopen(target.c_str(), "w");
    ASSERT_NE(file, nullptr);
    (void)std::fputs("precious\n", file);
    (void)std::fclose(file);
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
}
void DanglingSymlink(const std::string& path, const std::string& target)
{
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
}
void Fifo(const std::string& path, const std::string&) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }
void Folder(const std::string& path, const std::string&) { ASSERT_EQ(mkdir(path.c_str(), 0700), 0); }

class CardLockRefuses : public ::testing::TestWithParam<NotALockFile> {};

TEST_P(CardLockRefuses, WhatIsNotARegularFileAndLeavesItsTargetAlone)
{
    LockDir lock;
    const std::string target = lock.dir + "/target";
    GetParam().make(lock.path, target);
    struct stat before {};
    const bool targetThere = stat(target.c_str(), &before) == 0;

    EXPECT_EQ(TakeCard("relayctl", 0), CardLockResult::Failed);
    struct stat after {};
    EXPECT_EQ(stat(target.c_str(), &after) == 0, targetThere);
    if (targetThere) {
        EXPECT_EQ(ReadFile(target), "precious\n");
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
    (void)rmdir(lock.path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Paths, CardLockRefuses,
                         ::testing::Values(NotALockFile{"Symlink", Symlink},
                                           NotALockFile{"DanglingSymlink", DanglingSymlink},
                                           NotALockFile{"Fifo", Fifo}, NotALockFile{"Folder", Folder}),
                         ByName());

// relaytest waits for the card without a word on standard output, says on
// standard error who holds it, and once the holder has gone runs its pass
// exactly as ever.
TEST(CardLock, RelaytestWaitsForTheHolderThenRunsItsWholePass)
{
    LockDir lock;
    Holder holder("relaysweep");
    ASSERT_TRUE(holder.holds);
    const std::string line = ReadFile(lock.path);

    ChildSpec run{{RelaytestPath()}, {"RELAYSIM=", "RELAYTEST_LOCK=" + lock.path}};
    run.captureStderr = true;
    Child relaytest(run);
    while (!relaytest.Done() && !relaytest.BlockedIn(SYS_flock))
        relaytest.Pump(5);
    EXPECT_FALSE(relaytest.Done()) << "relaytest must wait for the card";
    EXPECT_EQ(relaytest.Out(), "");

    holder.Kill();
    const ChildResult r = relaytest.Wait();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, ReadFile(GoldenPath("healthy.txt")));
    EXPECT_EQ(r.err, "relaytest: the card is held by " + line.substr(0, line.size() - 1) + "; waiting for it\n");
}

}  // namespace
