// relaysweep's parts in-process: its command line, and the sweep itself on the
// simulated card, read from the card's call log.
#include <bitset>

#include "CaseName.h"
#include "SimCardTest.h"
#include "RelayMatrix.h"
#include "Sweep.h"
#include "CommandLine.h"
#include "SweepProgram.h"

namespace {

struct Arguments {
    const char* name;
    std::vector<const char*> argv;  // after the program's name
    bool accepted;
    BoardSet boards;       // when accepted
    bool confirmed;
    std::string error;     // when refused
};
void PrintTo(const Arguments& a, std::ostream* os) { *os << a.name; }

class CommandLine : public ::testing::TestWithParam<Arguments> {};

TEST_P(CommandLine, ReadsBoardsAndConfirmation)
{
    std::vector<const char*> argv{"relaysweep"};
    argv.insert(argv.end(), GetParam().argv.begin(), GetParam().argv.end());
    std::string error;
    int wait = 0;
    int status = ParseCommandLine(RelaysweepProgram, static_cast<int>(argv.size()), argv.data(), wait, error);
    if (status < 0)
        status = RelaysweepProgram.check(error);
    const bool accepted = status == 0;
    const SweepOptions& options = SweepOptionsRead();
    ASSERT_EQ(accepted, GetParam().accepted) << error;
    if (accepted) {
        EXPECT_EQ(std::bitset<8>(options.boards), std::bitset<8>(GetParam().boards));
        EXPECT_EQ(options.confirmed, GetParam().confirmed);
    } else {
        EXPECT_EQ(status, 2);
        EXPECT_EQ(error, GetParam().error);
    }
}

const char* const NotAList = "is not a board: use a number 0-7 or a range, such as 0-7 or 0,2-3";

INSTANTIATE_TEST_SUITE_P(
    Sweep, CommandLine,
    ::testing::Values(
        Arguments{"Default", {}, true, 0xFF, false, ""},
        Arguments{"Yes", {"--yes"}, true, 0xFF, true, ""},
        Arguments{"OneBoard", {"--boards", "5"}, true, 0x20, false, ""},
        Arguments{"ListAndRange", {"--boards", "0,2-3", "--yes"}, true, 0x0D, true, ""},
        Arguments{"EqualsForm", {"--boards=6-7"}, true, 0xC0, false, ""},
        Arguments{"Overlapping", {"--boards", "3,0-4,4"}, true, 0x1F, false, ""},
        Arguments{"OneBoardRange", {"--boards", "2-2"}, true, 0x04, false, ""},
        Arguments{"WaitAndDashes", {"--wait=0", "--yes", "--"}, true, 0xFF, true, ""},
        Arguments{"BoardPastTheLast", {"--boards", "0,8"}, false, 0, false, "--boards \"0,8\": board 8 is outside 0-7"},
        Arguments{"RangePastTheLast", {"--boards", "6-12"}, false, 0, false,
                  "--boards \"6-12\": board 12 is outside 0-7"},
        Arguments{"Reversed", {"--boards", "5-2"}, false, 0, false,
                  "--boards \"5-2\": the range 5-2 is reversed (write 2-5)"},
        Arguments{"Negative", {"--boards", "-1"}, false, 0, false, "--boards \"-1\": \"-1\" " + std::string(NotAList)},
        Arguments{"Word", {"--boards", "all"}, false, 0, false, "--boards \"all\": \"all\" " + std::string(NotAList)},
        Arguments{"EmptyItem", {"--boards", "0,,1"}, false, 0, false, "--boards \"0,,1\": \"\" " + std::string(NotAList)},
        Arguments{"OpenRange", {"--boards=1-"}, false, 0, false, "--boards \"1-\": \"1-\" " + std::string(NotAList)},
        Arguments{"ControlBytes", {"--boards=1\x1b\\"}, false, 0, false,
                  "--boards \"1\\x1B\\\\\": \"1\\x1B\\\\\" " + std::string(NotAList)},
        Arguments{"NoList", {"--boards"}, false, 0, false, "--boards needs a value"},
        Arguments{"EmptyList", {"--boards="}, false, 0, false, "--boards needs a value"},
        Arguments{"GivenTwice", {"--boards", "1", "--boards", "2"}, false, 0, false, "--boards given more than once"},
        Arguments{"WaitNotANumber", {"--wait", "1s"}, false, 0, false,
                  "--wait \"1s\": not a number of seconds (0 to 604800)"},
        Arguments{"UnknownOption", {"--yes", "--force"}, false, 0, false, "unknown option \"--force\""},
        Arguments{"StrayArgument", {"0-7"}, false, 0, false, "unexpected argument \"0-7\""},
        Arguments{"OptionAfterDashes", {"--", "--yes"}, false, 0, false, "unexpected argument \"--yes\""}),
    ByName{});

TEST(BoardList, IsSpeltAscendingWithRunsAsRanges)
{
    const std::vector<std::pair<BoardSet, std::string>> spellings = {
        {0xFF, "0-7"}, {0x0D, "0,2-3"}, {0x01, "0"}, {0x80, "7"}, {0x55, "0,2,4,6"}, {0xEF, "0-3,5-7"}, {0x18, "3-4"}};
    for (const auto& [boards, text] : spellings) {
        char spelt[32];
        SpellBoardList(boards, spelt, sizeof spelt);
        EXPECT_EQ(std::string(spelt), text);
        EXPECT_EQ(BoardsIn(boards), static_cast<int>(std::bitset<8>(boards).count()));
    }
}

constexpr std::uint32_t Control = 0x100;
constexpr std::size_t Relays = 128;  // of a board

bool IsData(const SimCall& call) { return call.offset >= 0x104 && call.offset <= 0x110; }

struct Sweep {
    const char* name;
    BoardSet boards;
    const char* relaysim;
};
void PrintTo(const Sweep& s, std::ostream* os) { *os << s.name; }

class SweepOnCard : public SimCardTestWithParam<Sweep> {
protected:
    void SetUp() override
    {
        SimCardTest::SetUp();
        std::string error;
        ASSERT_TRUE(SimApplySettings(GetParam().relaysim, error)) << error;
        (void)CaptureStdout([] { RunSweep(GetParam().boards); });
    }
};

// Coils draw current and a closed crosspoint joins a row to a column: no push
// closes more than one relay, even after a board that answered all ones or
// showed another board's push.
TEST_P(SweepOnCard, ClosesAtMostOneRelayAtATime)
{
    std::uint32_t latched[4] = {};
    std::size_t pushes = 0;
    for (const SimCall& call : SimLog()) {
        if (call.op == SimOp::OutBAR32 && IsData(call))
            latched[(call.offset - 0x104) / 4] = call.value;
        if (call.op != SimOp::OutBAR32 || call.offset != Control || (call.value & 0x80) == 0)
            continue;
        ++pushes;
        std::size_t closed = 0;
        for (const std::uint32_t word : latched)
            closed += std::bitset<32>(word).count();
        ASSERT_LE(closed, 1u) << "push " << pushes;
    }
    const std::size_t boards = std::bitset<8>(GetParam().boards).count();
    EXPECT_EQ(pushes, boards + 2 * Relays * boards);
}

TEST_P(SweepOnCard, EndsWithEveryRelayOpen)
{
    for (int board = 0; board < BoardCount; ++board) {
        if (((GetParam().boards >> board) & 1) != 0) {
            EXPECT_EQ(SimBoardImage(board), BoardWords{}) << "board " << board;
        }
        for (int word = 0; word < WordsPerBoard; ++word)
            EXPECT_EQ(RelayState[board][word], 0u) << "board " << board << " word " << word;
    }
}

// Per relay: its closing push, the read-back of its board and its opening push
// (five accesses each); per board, an opening push, one read-back of each
// other board of the set, and a last read-back of its own. Well within 40 SPI
// accesses per relay.
TEST_P(SweepOnCard, StaysWithinItsTraffic)
{
    std::size_t accesses = 0;
    for (const SimCall& call : SimLog())
        accesses += call.op == SimOp::OutBAR32 || (call.op == SimOp::InBAR32 && IsData(call)) ? 1u : 0u;
    const std::size_t boards = std::bitset<8>(GetParam().boards).count();
    EXPECT_EQ(accesses, 15 * Relays * boards + 5 * boards + 5 * boards * (boards - 1) + 5 * boards);
    EXPECT_LE(accesses, 40 * Relays * boards);
}

INSTANTIATE_TEST_SUITE_P(Cards, SweepOnCard,
                         ::testing::Values(Sweep{"Healthy", AllBoards, ""}, Sweep{"Subset", 0x0D, ""},
                                           Sweep{"OneBoard", 0x40, ""}, Sweep{"Absent", AllBoards, "absent=3"},
                                           Sweep{"Aliased", AllBoards, "alias=2:5,alias=6:1"},
                                           Sweep{"Coupled", 0x03, "coupled=130:131,stuck-on=5"},
                                           Sweep{"Deaf", 0x81, "deaf"}),
                         ByName{});

}  // namespace
