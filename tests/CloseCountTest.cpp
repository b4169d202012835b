// A relay's operations are the pushes that pull it in: from open, as its
// board was last read back or pushed, to closed.
#include <gtest/gtest.h>

#include "CloseCount.h"
#include "StationLedger.h"

namespace {

TEST(CloseCount, OnlyAPushFromOpenToClosedCounts)
{
    const struct {
        const char* steps;  // p: push, f: fetch, each of board 0's word 0
        std::uint32_t words[6];
        std::uint32_t relay5;  // operations of relay 5
        std::uint32_t relay6;
    } cases[] = {
        {"pppp", {0x20, 0x20, 0x00, 0x20}, 2, 0},  // close, close again, open, close
        {"fp", {0x20, 0x20}, 0, 0},                  // read back closed already (another run closed it)
        {"pfp", {0x20, 0x00, 0x20}, 2, 0},           // stuck open: pushed closed twice, two pulls
        {"pp", {0x60, 0x40}, 1, 1},                  // 5 and 6 together, then 5 opened
        {"ppp", {0x20, 0x60, 0x40}, 1, 1},           // the whole word pushed each time
    };
    for (const auto& c : cases) {
        ForgetCloseCounts();
        int i = 0;
        for (const char* step = c.steps; *step != '\0'; ++step, ++i) {
            const std::uint32_t words[WordsPerBoard] = {c.words[i], 0, 0, 0};
            if (*step == 'p')
                NoteBoardPushed(0, words);
            else
                NoteBoardFetched(0, words);
        }
        std::uint32_t closes[BoardCount * RelaysPerBoard];
        EXPECT_EQ(CloseCountsWaiting(), c.relay5 + c.relay6 > 0) << c.steps;
        TakeCloseCounts(closes);
        EXPECT_EQ(closes[5], c.relay5) << c.steps;
        EXPECT_EQ(closes[6], c.relay6) << c.steps;
        EXPECT_FALSE(CloseCountsWaiting());
    }
    ForgetCloseCounts();
}

// The record names the ledger its closes went into, never a URL's password.
TEST(CloseCount, TheRecordNamesItsLedgerWithoutAPassword)
{
    const char* const cases[][2] = {
        {"/var/lib/relaytest/station.ledger", "/var/lib/relaytest/station.ledger"},
        {"postgresql://bench:s3cret@db/fleet", "postgresql://bench@db/fleet"},
        {"postgresql://bench:p@ss@db:5432/fleet", "postgresql://bench@db:5432/fleet"},
        {"postgresql://db/f?user=u&password=s3cret&x=1", "postgresql://db/f?user=u&x=1"},
        {"postgresql://bench@db/fleet?mypassword=x", "postgresql://bench@db/fleet?mypassword=x"},
        {"two\nlines.ledger", "two\\x0Alines.ledger"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordedLedgerName(c[0]), c[1]);
}

}  // namespace
