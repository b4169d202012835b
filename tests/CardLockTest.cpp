// The card lock (POSIX): another process holding it, its holder dying, what
// is at the lock's path when it is not a lock file, and relaytest waiting for
// the card.
#include <gtest/gtest.h>

#include <chrono>
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

struct NotALockFile {
    const char* name;
    const char* target;  // what the link points to, written first unless null
    int (*make)(const char* path, const char* target);
};

int Link(const char* path, const char* target) { return symlink(target, path); }
int Fifo(const char* path, const char*) { return mkfifo(path, 0600); }
int Folder(const char* path, const char*) { return mkdir(path, 0700); }
// The lock's path is a file of other text (its target, under a second name).
int HardLink(const char* path, const char* target) { return link(target, path); }

// A folder of the case's own holds the lock this process uses, and a holder
// is a child process that takes the card and keeps it until it is killed.
class CardLock : public ::testing::TestWithParam<NotALockFile> {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/relaytest-locktest-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        path_ = dir_ + "/card.lock";
        const char* before = std::getenv("RELAYTEST_LOCK");
        before_ = before != nullptr ? before : "";
        (void)setenv("RELAYTEST_LOCK", path_.c_str(), 1);
    }
    void TearDown() override
    {
        Kill();
        ReleaseCard();
        if (before_.empty())
            (void)unsetenv("RELAYTEST_LOCK");
        else
            (void)setenv("RELAYTEST_LOCK", before_.c_str(), 1);
        for (const std::string& file : {path_, dir_ + "/target", dir_})
            (void)std::remove(file.c_str());
    }
    bool Hold(const char* program)
    {
        int ready[2];
        if (pipe(ready) != 0 || (holder_ = fork()) < 0)
            return false;
        if (holder_ == 0) {
            const char taken = TakeCard(program, 0) == CardLockResult::Taken ? 'y' : 'n';
            (void)write(ready[1], &taken, 1);
            for (;;)
                pause();
        }
        char taken = 'n';
        (void)read(ready[0], &taken, 1);
        close(ready[0]);
        close(ready[1]);
        return taken == 'y';
    }
    void Kill()
    {
        if (holder_ > 0 && kill(holder_, SIGKILL) == 0)
            waitpid(holder_, nullptr, 0);
        holder_ = -1;
    }
    const std::string& Dir() const { return dir_; }
    const std::string& Path() const { return path_; }
    pid_t HolderPid() const { return holder_; }

private:
    std::string dir_;
    std::string path_;
    std::string before_;  // RELAYTEST_LOCK before the case
    pid_t holder_ = -1;
};

TEST_F(CardLock, HeldByAnotherProcessItTimesOutNamingItAndIsFreeTheMomentItDies)
{
    ASSERT_TRUE(Hold("relaysweep"));
    const std::string line = ReadFile(Path());

    EXPECT_EQ(TakeCard("relayctl", 0), CardLockResult::TimedOut);
    const std::string named = "relaysweep (process " + std::to_string(HolderPid()) + ") since ";
    EXPECT_EQ(std::string(CardHolder()).rfind(named, 0), 0u) << CardHolder();
    EXPECT_EQ(std::string(CardHolder()).size(), named.size() + 19) << "since YYYY-MM-DD HH:MM:SS";
    EXPECT_EQ(ReadFile(Path()), line) << "a waiter must leave the holder's line as it is";
    EXPECT_EQ(line, std::string(CardHolder()) + "\n");

    Kill();
    EXPECT_EQ(TakeCard("relayctl", 0), CardLockResult::Taken) << "a dead holder's lock is free at once";
    EXPECT_STREQ(CardHolder(), "");
    EXPECT_EQ(ReadFile(Path()).rfind("relayctl (process " + std::to_string(getpid()) + ") since ", 0), 0u);
}

TEST_P(CardLock, RefusesWhatIsNotARegularFileAndLeavesItsTargetAlone)
{
    const std::string target = Dir() + "/target";
    std::FILE* file = GetParam().target != nullptr ? std::fopen(target.c_str(), "w") : nullptr;
    if (file != nullptr) {
        (void)std::fputs(GetParam().target, file);
        (void)std::fclose(file);
    }
    ASSERT_EQ(GetParam().make(Path().c_str(), target.c_str()), 0);

    EXPECT_EQ(TakeCard("relayctl", 0), CardLockResult::Failed);
    if (GetParam().target != nullptr)
        EXPECT_EQ(ReadFile(target), GetParam().target);
    else
        EXPECT_NE(access(target.c_str(), F_OK), 0) << "a dangling link's target must not be made";
}

INSTANTIATE_TEST_SUITE_P(Paths, CardLock,
                         ::testing::Values(NotALockFile{"Symlink", "precious\n", Link},
                                           NotALockFile{"DanglingSymlink", nullptr, Link},
                                           NotALockFile{"Fifo", nullptr, Fifo}, NotALockFile{"Folder", nullptr, Folder},
                                           NotALockFile{"FileOfOtherText", "precious\n", HardLink}),
                         ByName());

// A child forked while the card is held (Python's multiprocessing) neither
// frees the holder's card by ReleaseCard nor keeps it once the holder dies.
TEST_F(CardLock, AChildForkedWhileTheCardIsHeldNeitherFreesNorKeepsIt)
{
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        (void)setpgid(0, 0);
        const bool taken = TakeCard("relaysweep", 0) == CardLockResult::Taken;
        if (fork() == 0)
            ReleaseCard();
        (void)write(ready[1], taken ? "y" : "n", 1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char taken[3] = {};
    (void)(read(ready[0], taken, 1) + read(ready[0], taken + 1, 1));
    close(ready[0]);
    EXPECT_STREQ(taken, "yy");
    EXPECT_EQ(TakeCard("relayctl", 0), CardLockResult::TimedOut) << "the child freed its parent's card";
    (void)kill(holder, SIGKILL);
    (void)waitpid(holder, nullptr, 0);
    EXPECT_EQ(TakeCard("relayctl", 0), CardLockResult::Taken) << "the child kept its parent's card";
    (void)kill(-holder, SIGKILL);
}

// relaytest waits for the card without a word on standard output, says on
// standard error who holds it, and once the holder has gone runs its pass
// exactly as ever.
TEST_F(CardLock, RelaytestWaitsForTheHolderThenRunsItsWholePass)
{
    ASSERT_TRUE(Hold("relaysweep"));
    const std::string line = ReadFile(Path());
    ChildSpec run{{RelaytestPath()}, {"RELAYSIM=", "RELAYTEST_LOCK=" + Path()}};
    run.captureStderr = true;
    Child relaytest(run);
    const auto until = std::chrono::steady_clock::now() + HangLimit;
    while (!relaytest.Done() && !relaytest.BlockedIn(SYS_flock) && std::chrono::steady_clock::now() < until)
        relaytest.Pump(5);
    EXPECT_FALSE(relaytest.Done()) << "relaytest must wait for the card";
    EXPECT_EQ(relaytest.Out(), "");

    Kill();
    const ChildResult r = relaytest.Wait();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, ReadFile(GoldenPath("healthy.txt")));
    EXPECT_EQ(r.err, "relaytest: the card is held by " + line.substr(0, line.size() - 1) + "; waiting for it\n");
}

}  // namespace
