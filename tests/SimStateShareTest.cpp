// The simulated card's state file is one card for every program: two
// processes pushing different boards of it at once, many times, each through
// the driver's functions, never lose a board's latest push and never read the
// file torn.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "Driver.h"
#include "SimControl.h"
#include "SimState.h"

namespace {

constexpr int Pushes = 300;

BoardWords Words(int board, int push)
{
    const auto p = static_cast<std::uint32_t>(push);
    return {p, static_cast<std::uint32_t>(board) << 16 | p, ~p, 0xC0DE0000u | p};
}

// In a child process: pushes the board again and again, each time fetching it
// back through the card and reading the file itself. The exit status names
// the first fault: 1 a fetch, 2 a torn or unreadable file, 3 the board's line
// not the last push.
[[noreturn]] void PushBoard(const std::string& path, int board)
{
    SimReset();
    std::string error;
    if (!SimKeepStateIn(path, error))
        _exit(2);
    const auto go = static_cast<std::uint32_t>(board);
    for (int push = 1; push <= Pushes; ++push) {
        const BoardWords words = Words(board, push);
        for (std::uint32_t w = 0; w < 4; ++w)
            (void)OutBAR32(0, 2, 0x104 + 4 * w, words[w]);
        (void)OutBAR32(0, 2, 0x100, 0x80 | go);
        (void)OutBAR32(0, 2, 0x100, go);
        for (std::uint32_t w = 0; w < 4; ++w) {
            if (InBAR32(0, 2, 0x104 + 4 * w) != words[w])
                _exit(1);
        }
        CardWords file;
        if (!LoadSimState(path, file, error))
            _exit(2);
        if (file[static_cast<std::size_t>(board)] != words)
            _exit(3);
    }
    _exit(0);
}

TEST(SimStateShare, TwoProcessesPushingTheirOwnBoardsLoseNothingAndNeverSeeTheFileTorn)
{
    const std::string path = ::testing::TempDir() + "relaysim-share-" + std::to_string(getpid());
    const int boards[] = {2, 5};
    pid_t children[2] = {-1, -1};
    for (int i = 0; i < 2; ++i) {
        children[i] = fork();
        if (children[i] == 0)
            PushBoard(path, boards[i]);
    }
    for (int i = 0; i < 2; ++i) {
        int status = -1;
        ASSERT_EQ(waitpid(children[i], &status, 0), children[i]);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << "board " << boards[i] << ": exit status " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
            << " (1 a fetch, 2 a torn file, 3 a lost push)";
    }
    CardWords file;
    std::string error;
    ASSERT_TRUE(LoadSimState(path, file, error)) << error;
    for (int b = 0; b < 8; ++b) {
        const bool pushed = b == boards[0] || b == boards[1];
        EXPECT_EQ(file[static_cast<std::size_t>(b)], pushed ? Words(b, Pushes) : BoardWords{}) << "board " << b;
    }
    for (const std::string& p : {path, path + ".lock"})
        (void)std::remove(p.c_str());
}

}  // namespace
