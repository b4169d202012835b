#include <gtest/gtest.h>

#include "CaseName.h"
#include "SpiPort.h"
#include "SimCardTest.h"

namespace {

struct PollCase {
    const char* name;
    std::vector<std::uint32_t> controlReads;
    std::size_t polls;  // how many of them the wait reads
};

class BusyWait : public SimCardTestWithParam<PollCase> {};

// Only bit 31 means busy; every poll prints a trace, side by side on the line
// that the access then ends. The controller is polled until idle.
TEST_P(BusyWait, TracesEachPollThenAccessOnOneLine)
{
    ScriptControlReads(GetParam().controlReads);
    const std::string out = CaptureStdout([] { SpiWrite(SpiData0, 1); });

    std::string expected;
    for (std::size_t i = 0; i < GetParam().polls; ++i)
        expected += BusyTrace(i < GetParam().controlReads.size() ? GetParam().controlReads[i] : 0);
    expected += "104 << 00000001\n";
    EXPECT_EQ(out, expected);
    EXPECT_EQ(SimBoardImage(0)[0], 0u) << "a data write alone must not reach the board";
}

INSTANTIATE_TEST_SUITE_P(Patterns, BusyWait,
                         ::testing::Values(PollCase{"Idle", {0}, 1}, PollCase{"OtherBitsSet", {0x7FFFFFFF, 0x80000000}, 1},
                                           PollCase{"BusyTwice", {0x80000000, 0x80000000}, 3},
                                           PollCase{"BusyWithOtherBits", {0xFFFFFFFF, 0x80000001, 5, 0x80000000}, 3}),
                         ByName{});

using StuckBusy = SimCardTest;

TEST_F(StuckBusy, GivesUpSilentlyAfterTheLimit)
{
    SimSetStuckBusy(true);
    const std::string out = CaptureStdout([] { SpiWrite(SpiControl, 0x81); });

    std::string polls;
    for (int i = 0; i < SpiWaitLimit; ++i)
        polls += BusyTrace(0x80000000);
    EXPECT_EQ(out, polls + "100 << 00000081\n");
    const auto& log = SimLog();
    ASSERT_EQ(log.size(), static_cast<std::size_t>(SpiWaitLimit) + 1);
    EXPECT_EQ(log.back(), (SimCall{SimOp::OutBAR32, 0, 2, 0x100, 0x81}));
}

// Window offsets land at 0x100 plus the offset in BAR 2; each access is
// preceded by exactly one poll of the control register on an idle controller.
using Window = SimCardTest;

TEST_F(Window, OffsetsMapIntoTheBar)
{
    const std::string out = CaptureStdout([] {
        SpiWrite(SpiControl, 0x81);
        SpiRead(16);
    });
    EXPECT_EQ(out, BusyTrace(0) + "100 << 00000081\n" + BusyTrace(0) + "110 ?? 00000000\n");
    const std::vector<SimCall> expected = {
        {SimOp::InBAR32, 0, 2, 0x100, 0},
        {SimOp::OutBAR32, 0, 2, 0x100, 0x81},
        {SimOp::InBAR32, 0, 2, 0x100, 0},
        {SimOp::InBAR32, 0, 2, 0x110, 0},
    };
    EXPECT_EQ(SimLog(), expected);
}

}  // namespace
