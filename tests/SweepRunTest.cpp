// The real relaysweep executable: what it refuses before it touches the card,
// the operator's confirmation, and its record's frame.
#include <gtest/gtest.h>

#include <algorithm>

#include "CaseName.h"
#include "RunProgram.h"

namespace {

// A driver call on this card finds no card and says "relaysim: ..." on
// standard error: a run that prints nothing of the kind made none.
const std::string NoDriverCall = "no-driver-call-expected";

std::size_t Lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

struct Refusal {
    const char* name;
    std::vector<std::string> arguments;
    std::string message;  // the first line on standard error; the usage line follows
};
void PrintTo(const Refusal& r, std::ostream* os) { *os << r.name; }

class BadArguments : public ::testing::TestWithParam<Refusal> {};

TEST_P(BadArguments, GetOneLineAndStatus2BeforeAnyDriverCall)
{
    const ChildResult r = RunProgram("relaysweep", GetParam().arguments, NoDriverCall);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "relaysweep: " + GetParam().message + "\nusage: relaysweep [--boards LIST] [--yes] [--deep] [--wiring FILE] [--ledger FILE] [--wait SECONDS]\n");
    EXPECT_EQ(r.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Sweep, BadArguments,
    ::testing::Values(Refusal{"BoardOutside", {"--boards", "0-8", "--yes"}, "--boards \"0-8\": board 8 is outside 0-7"},
                      Refusal{"Reversed", {"--yes", "--boards", "3-1"},
                              "--boards \"3-1\": the range 3-1 is reversed (write 1-3)"},
                      Refusal{"UnknownOption", {"--yes", "-y"}, "unknown option \"-y\""},
                      Refusal{"NoList", {"--yes", "--boards"}, "--boards needs a value"},
                      Refusal{"GivenTwice", {"--boards", "1", "--yes", "--boards=2"}, "--boards given more than once"},
                      Refusal{"LongAndEscaped", {"--boards", std::string(300, '7') + "\t"},
                              "--boards \"" + std::string(300, '7') + "\\x09\": \"" + std::string(300, '7') +
                                  "\\x09\" is not a board: use a number 0-7 or a range, such as 0-7 or 0,2-3"}),
    ByName{});

TEST(Sweep, HelpPrintsTheUsageOnStandardOutputAndExits0)
{
    const ChildResult r = RunProgram("relaysweep", {"--boards", "9", "--help"}, NoDriverCall);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("usage: relaysweep [--boards LIST] [--yes] [--deep] [--wiring FILE] [--ledger FILE] [--wait SECONDS]\n", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(RunProgram("relaysweep", {"--version"}, NoDriverCall).out, "relaysweep 1.0.0\n");
}

struct Answer {
    const char* name;
    ChildInput input;
    std::string typed;
};
void PrintTo(const Answer& a, std::ostream* os) { *os << a.name; }

class Unconfirmed : public ::testing::TestWithParam<Answer> {};

// Without --yes it says what it will do and waits for Enter; end of input,
// or anything typed before Enter, stops it before any register is touched.
TEST_P(Unconfirmed, StopsWithStatus2HavingPrintedNothing)
{
    const ChildResult r =
        RunProgram("relaysweep", {"--boards", "0,2-3"}, NoDriverCall, {GetParam().input, GetParam().typed});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("relaysweep will close each of the 384 relays of boards 0,2-3 alone", 0), 0u) << r.err;
    const std::string refusal = "relaysweep: not confirmed: no relay was switched\n";
    EXPECT_EQ(r.err.substr(r.err.size() - std::min(r.err.size(), refusal.size())), refusal) << r.err;
    EXPECT_EQ(r.err.find("relaysim"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Sweep, Unconfirmed,
                         ::testing::Values(Answer{"DevNull", ChildInput::DevNull, ""},
                                           Answer{"Closed", ChildInput::Closed, ""},
                                           Answer{"FinishedPipe", ChildInput::Text, ""},
                                           Answer{"No", ChildInput::Text, "n\n"},
                                           Answer{"EnterNeverCame", ChildInput::Text, "yes"}),
                         ByName{});

TEST(Sweep, EnterStartsItAndTheRecordIsFramed)
{
    const ChildResult r = RunProgram("relaysweep", {"--boards", "1,0"}, "", Typed("\n"));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find("Turning")), "Relay sweep of boards 0-1\nSuccess\nFPGA Rev: 0002A1F7\n");
    // Every board is read back once more at the end, all open, board 1 last.
    EXPECT_EQ(r.out.substr(r.out.rfind("Board #")), "Board #1\r\n"
                                                    "[00000000] = Relays 128 to 159 = ................................\r\n"
                                                    "[00000000] = Relays 160 to 191 = ................................\r\n"
                                                    "[00000000] = Relays 192 to 223 = ................................\r\n"
                                                    "[00000000] = Relays 224 to 255 = ................................\r\n"
                                                    "--------\r\nSweep complete\n");
    // Four lines of its own and the card's, an opening switch with its push
    // for each board; per relay a switch and push, a fetch and its report,
    // and a switch and push again; per board one fetch and report of the
    // other, and one of its own at the end.
    EXPECT_EQ(Lines(r.out), 4 + 2 * 6 + 256 * (6 + 5 + 7 + 6) + 2 * 2 * (5 + 7));
}

// The last read-back of each board confirms it open; a relay stuck closed
// is told to the operator as well as shown in the record.
TEST(Sweep, SaysWhenABoardDoesNotReadBackOpenAtTheEnd)
{
    const ChildResult r = RunProgram("relaysweep", {"--yes", "--boards", "0-1"}, "stuck-on=200");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "relaysweep: board 1 did not read back all open at the end: a relay may still be closed "
                     "(relaylog names it)\n");
    EXPECT_EQ(RunProgram("relaysweep", {"--yes", "--boards", "0-1"}).err, "");
}

// A controller that stays busy stops the sweep after three waits that ran out
// their polls: a few megabytes of record, not gigabytes, status 4, and the
// stop line on standard error as well.
TEST(Sweep, ControllerThatStaysBusyStopsIt)
{
    const ChildResult r = RunProgram("relaysweep", {"--yes"}, "stuck-busy");
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_LT(r.out.size(), 8u << 20);
    const std::string stop = "Sweep stopped: the SPI controller stayed busy while opening board 1; boards 0 pushed open";
    EXPECT_NE(r.out.find("\n" + stop), std::string::npos) << r.out.substr(r.out.size() - 200);
    EXPECT_EQ(r.err.rfind("relaysweep: " + stop, 0), 0u) << r.err;
}

TEST(Sweep, WithoutACardSwitchesNothingAndExits1)
{
    const ChildResult r = RunProgram("relaysweep", {"--yes"}, "cards=0");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Relay sweep of boards 0-7\nERROR: TEVRIS didn't find what it expected\nFPGA Rev: 00000000\n"
                     "Sweep stopped: no card\n");
    EXPECT_EQ(r.err, "relaysweep: no card: the driver found none, and nothing was switched\n");
}

}  // namespace
