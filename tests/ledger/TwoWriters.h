// Two processes of one station, each adding writes single closes (relay 5
// once, relay 1023 twice) to one ledger as fast as it can: the tests then
// read that not one was lost. POSIX: the Windows writers are programs of
// their own (tests/windows/wine-ledger.sh).
#ifndef RELAYTEST_TESTS_LEDGER_TWOWRITERS_H
#define RELAYTEST_TESTS_LEDGER_TWOWRITERS_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Ledger.h"

// station, when given, is the children's RELAYTEST_STATION (a fleet's rows).
inline void AddClosesInTwoProcesses(const std::string& ledger, int writes, const char* station = nullptr)
{
    pid_t children[2] = {};
    for (pid_t& child : children) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::uint32_t closes[1024] = {};
            closes[5] = 1;
            closes[1023] = 2;
            std::string error;
            if (station != nullptr)
                (void)setenv("RELAYTEST_STATION", station, 1);
            for (int i = 0; i < writes; ++i) {
                if (!LedgerAddCloses(ledger, closes, error)) {
                    (void)std::fprintf(stderr, "%s\n", error.c_str());
                    _exit(1);
                }
            }
            _exit(0);
        }
    }
    for (const pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
}

#endif
