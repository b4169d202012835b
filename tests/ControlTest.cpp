// relayctl's parts in-process on the simulated card: its commands and their
// refusals, the limit of closed relays, open of a whole board, and the stop
// of a controller that stays busy (relaysweep's too), read from the card's
// call log.
#include <bitset>

#include "CaseName.h"
#include "Control.h"
#include "CtlSession.h"
#include "SimCardTest.h"
#include "StopCause.h"
#include "Sweep.h"

namespace {

constexpr std::uint32_t Control = 0x100;

// relayctl's commands on the power-on card, none pushed by an earlier test.
class CtlOnCard : public SimCardTest {
protected:
    void SetUp() override
    {
        SimCardTest::SetUp();
        ForgetPushedBoards();
    }
};

struct CommandCase {
    const char* name;
    std::vector<const char*> words;
    int status;         // 0 accepted, 2 refused as malformed, 6 refused by the limit of 32
    std::string error;
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }

class Commands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Commands, AreReadOrRefusedBeforeTheCard)
{
    const CommandCase& c = GetParam();
    CtlCommand command;
    std::string error;
    int status = ParseCommand(static_cast<int>(c.words.size()), c.words.data(), command, error) ? 0 : 2;
    if (status == 0)
        status = WithinLimit(command, DefaultMaxClosed, error) ? 0 : 6;
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(error, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Relayctl, Commands,
    ::testing::Values(
        CommandCase{"CloseList", {"close", "0,5,100-107", "1:0:0"}, 0, ""},
        CommandCase{"CloseAtTheLimit", {"close", "0-31", "128-159"}, 0, ""},
        CommandCase{"CloseAboveTheLimit", {"close", "0-31", "129-160", "161"}, 6,
                    "closing 33 relays of board 1 would leave 33 closed, above the limit of 32: nothing switched"},
        CommandCase{"CloseWholeMatrix", {"close", "0-127"}, 6,
                    "closing 128 relays of board 0 would leave 128 closed, above the limit of 32: nothing switched"},
        CommandCase{"OpenAll", {"open", "all"}, 0, ""}, CommandCase{"ShowList", {"show", "0,2-3"}, 0, ""},
        CommandCase{"CloseAll", {"close", "all"}, 2, "close all is refused: name the relays to close"},
        CommandCase{"NoRelay", {"open"}, 2, "open needs at least one relay, such as open 100, 100-107 or 0:4:12, or all"},
        CommandCase{"BadInList", {"close", "5,1024"}, 2, "close \"5,1024\": relay 1024 is outside 0-1023"},
        CommandCase{"BadBoard", {"show", "8"}, 2, "show \"8\": board 8 is outside 0-7"},
        CommandCase{"Unknown", {"clos\x7f", "5"}, 2, "unknown command \"clos\\x7F\""}),
    ByName{});

// Board 0 holds relays 0-29 closed: six more would leave 36, above the limit,
// and nothing is pushed; two more stay within it.
TEST_F(CtlOnCard, LimitCountsWhatTheBoardReadBack)
{
    const char* first[] = {"close", "0-29"};
    const char* more[] = {"close", "30-35"};
    CtlCommand command;
    std::string error;
    ASSERT_TRUE(ParseCommand(2, first, command, error));
    const std::string& held = CaptureStdout([&] { EXPECT_EQ(RunCommand(command, 32), CtlOutcome::AsAsked); });
    EXPECT_NE(held.find("Turning on relay   29\n"), std::string::npos);
    ASSERT_TRUE(ParseCommand(2, more, command, error));
    SimClearLog();
    const std::string& refused = CaptureStdout([&] { EXPECT_EQ(RunCommand(command, 32), CtlOutcome::Refused); });
    EXPECT_NE(refused.find("Command refused: closing 6 relays of board 0 would leave 36 closed, above the limit of 32\n"),
              std::string::npos);
    EXPECT_EQ(refused.find("Turning"), std::string::npos);
    for (const SimCall& call : SimLog())
        EXPECT_FALSE(call.op == SimOp::OutBAR32 && call.offset == Control && (call.value & 0x80) != 0);
    EXPECT_EQ(RunCommand(command, 36), CtlOutcome::AsAsked);
}

// A board that reads back all ones is still pushed all open by open all: four
// zero words and the go flag, which close nothing.
TEST_F(CtlOnCard, OpenAllPushesAnAllOnesBoardOpen)
{
    SimSetBoardAbsent(3);
    const char* words[] = {"open", "all"};
    CtlCommand command;
    std::string error;
    ASSERT_TRUE(ParseCommand(2, words, command, error));
    const std::string& out = CaptureStdout([&] { (void)RunCommand(command, DefaultMaxClosed); });
    EXPECT_NE(out.find("Turning off relay  384\n"), std::string::npos);
    EXPECT_EQ(out.find("Board 3 refused"), std::string::npos);
    std::vector<std::uint32_t> written;
    bool pushed = false;
    for (const SimCall& call : SimLog()) {
        if (call.op == SimOp::OutBAR32 && call.offset > Control)
            written.push_back(call.value);
        if (call.op == SimOp::OutBAR32 && call.offset == Control && call.value == (0x80u | 3)) {
            pushed = true;
            EXPECT_EQ(std::vector<std::uint32_t>(written.end() - 4, written.end()), std::vector<std::uint32_t>(4, 0));
        }
    }
    EXPECT_TRUE(pushed);
}

// Three waits in a row that run out their polls stop the work as a stop
// does: relayctl before it pushes anything, the sweep after its first push,
// whose board is pushed open and read back; a few megabytes, not gigabytes.
// A relay that would not close, or whose read-back says open while its
// driver still holds it, is still driven by the board: an open pushes its bit
// cleared though it reads open, in a later run as in this one.
TEST_F(CtlOnCard, OpenPushesARelayThatAlreadyReadsOpen)
{
    SimSetStuckRelay(193, false);
    const char* close[] = {"close", "193"};
    const char* open[] = {"open", "193"};
    CtlCommand command;
    std::string error;
    ASSERT_TRUE(ParseCommand(2, close, command, error));
    (void)CaptureStdout([&] { EXPECT_EQ(RunCommand(command, 32), CtlOutcome::NotAsAsked); });
    ASSERT_EQ(SimBoardImage(1)[2], 1u << 1) << "the board drives 193 though it reads open";
    ClearRelayTables();
    ASSERT_TRUE(ParseCommand(2, open, command, error));
    const std::string record = CaptureStdout([&] { EXPECT_EQ(RunCommand(command, 32), CtlOutcome::AsAsked); });
    EXPECT_NE(record.find("Turning off relay  193\n"), std::string::npos) << record;
    EXPECT_EQ(SimBoardImage(1)[2], 0u);
}

TEST_F(CtlOnCard, ControllerThatStaysBusyStopsTheWork)
{
    SimSetStuckBusy(true);
    const char* words[] = {"close", "5"};
    CtlCommand command;
    std::string error;
    ASSERT_TRUE(ParseCommand(2, words, command, error));
    WorkEnd end;
    const std::size_t ctlSize = CaptureStdout([&] { end = RunOne(2, words, command); }).size();
    EXPECT_TRUE(end.stopped);
    EXPECT_EQ(end.where, "during close 5");
    EXPECT_EQ(end.pushed, 0);
    EXPECT_EQ(WhyStopped(), StopCause::ControllerBusy);
    EXPECT_EQ(StopStatus(), 4);
    EXPECT_LT(ctlSize, 5u * 10000 * 42 + 1000);

    ForgetStopCause();
    SweepEnd sweep;
    const std::size_t sweepSize = CaptureStdout([&] { sweep = RunSweep(AllBoards); }).size();
    EXPECT_TRUE(sweep.stopped);
    EXPECT_EQ(std::bitset<8>(sweep.pushed), std::bitset<8>(0x01));
    EXPECT_LT(sweepSize, 15u * 10000 * 42 + 1000);
}

}  // namespace
