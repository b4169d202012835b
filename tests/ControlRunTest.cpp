// The real relayctl executable on a simulated card that keeps its boards in a
// state file: its commands and refusals, a session through a pipe, the state
// carried from one run to the next, and the safe stop.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "RunProgram.h"
#include "Transcript.h"

namespace {

// A board's line of the state file with relays 5 and 100 closed.
const std::string Board0With5And100 = "board 0: 00000020 00000000 00000000 00000010\n";
const std::string Board0Open = "board 0: 00000000 00000000 00000000 00000000\n";

// A state file of the case's own, absent at the start and removed at the end
// (ctest runs the cases as processes of their own, in parallel).
struct StateFile {
    explicit StateFile(const std::string& name)
        : path(::testing::TempDir() + "relayctl-" + name + "-" + std::to_string(getpid()))
    {
        (void)std::remove(path.c_str());
    }
    ~StateFile()
    {
        for (const std::string& file : {path, path + ".lock"})
            (void)std::remove(file.c_str());
    }
    StateFile(const StateFile&) = delete;
    StateFile& operator=(const StateFile&) = delete;
    std::string Text() const { return ReadFile(path); }
    const std::string path;
};

// The state file of a card whose board 0 holds the line given, the others open.
void WriteState(const std::string& path, const std::string& board0)
{
    std::string text = board0;
    for (int b = 1; b < 8; ++b)
        text += "board " + std::to_string(b) + ": 00000000 00000000 00000000 00000000\n";
    std::FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    (void)std::fputs(text.c_str(), file);
    (void)std::fclose(file);
}

const std::string CtlUsage =
    "usage: relayctl [--max-closed N] [--wiring FILE] [--ledger FILE] [--order ORDER] [--wait SECONDS] [close "
    "RELAYS...|open RELAYS...|all|show [BOARDS...]|connect A B|disconnect A B|route A B|routes|switch GROUP...|wiring]\n";

struct CtlRun {
    const char* name;
    std::vector<std::string> args;
    const char* relaysim;  // besides state=PATH; "-" for a card that must see no driver call
    const char* before;    // board 0's line of the state file before the run; nullptr: no file
    int status;
    const char* err;       // the first line of standard error, or all of it for a usage error
    const char* after;     // a line the state file holds after the run; nullptr: none checked
    int verdict;           // relaylog's exit status on the record; -1: not judged
};
void PrintTo(const CtlRun& c, std::ostream* os) { *os << c.name; }

class Relayctl : public ::testing::TestWithParam<CtlRun> {};

TEST_P(Relayctl, RunsTheCommandAsTheTableSays)
{
    const CtlRun& c = GetParam();
    const StateFile file(c.name);
    const std::string& state = file.path;
    if (c.before != nullptr)
        WriteState(state, c.before);
    const bool usage = std::string(c.relaysim) == "-";
    const std::string settings = usage ? "no-driver-call-expected" : c.relaysim;
    const ChildResult r = RunProgram("relayctl", c.args, "state=" + state + (settings.empty() ? "" : "," + settings));

    EXPECT_EQ(r.exitCode, c.status) << r.err;
    std::string err = c.err;
    const std::size_t at = err.find("STATE");
    if (at != std::string::npos)
        err.replace(at, 5, state);
    if (usage) {
        EXPECT_EQ(r.err, err + "\n" + (c.status == 2 ? CtlUsage : ""));
        EXPECT_EQ(r.out, "") << "no driver call before the command is read whole";
    } else {
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), err) << r.err;
    }
    if (c.after != nullptr) {
        EXPECT_NE(file.Text().find(c.after), std::string::npos) << file.Text();
    }
    if (c.verdict >= 0) {
        EXPECT_EQ(RunProgram("relaylog", {"-"}, "", Typed(r.out)).exitCode, c.verdict) << r.out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Relayctl,
    ::testing::Values(
        CtlRun{"CloseByNumber", {"close", "5"}, "", nullptr, 0, "relayctl: 1 relay closed as asked: 5 (0:5:0)",
               "board 0: 00000020 00000000 00000000 00000000\n", 0},
        CtlRun{"CloseByRange", {"close", "100-103"}, "", nullptr, 0,
               "relayctl: 4 relays closed as asked: 100 (0:4:12), 101 (0:5:12), 102 (0:6:12), 103 (0:7:12)",
               "board 0: 00000000 00000000 00000000 000000F0\n", 0},
        CtlRun{"CloseByCrosspoint", {"close", "4:5:0"}, "", Board0With5And100.c_str(), 0,
               "relayctl: 1 relay closed as asked: 517 (4:5:0)", "board 4: 00000020 00000000 00000000 00000000\n", 0},
        CtlRun{"KeepsWhatTheBoardHeld", {"close", "6"}, "", Board0With5And100.c_str(), 0,
               "relayctl: 1 relay closed as asked: 6 (0:6:0)", "board 0: 00000060 00000000 00000000 00000010\n", 0},
        CtlRun{"OpenOne", {"open", "0:4:12"}, "", Board0With5And100.c_str(), 0,
               "relayctl: 1 relay open as asked: 100 (0:4:12)", "board 0: 00000020 00000000 00000000 00000000\n", 0},
        // Each board pushed all open at once, whatever it read back.
        CtlRun{"OpenAll", {"open", "all"}, "", Board0With5And100.c_str(), 0, "relayctl: 1024 relays open as asked",
               Board0Open.c_str(), 0},
        CtlRun{"Show", {"show", "0"}, "", Board0With5And100.c_str(), 0,
               "relayctl: board 0: 2 relays closed: 5 (0:5:0), 100 (0:4:12)", Board0With5And100.c_str(), 0},
        CtlRun{"RelayOutside", {"close", "5", "1024"}, "-", nullptr, 2, "relayctl: close \"1024\": relay 1024 is outside 0-1023",
               nullptr, -1},
        CtlRun{"RowOutside", {"open", "0:8:1"}, "-", nullptr, 2, "relayctl: open \"0:8:1\": row 8 is outside 0-7", nullptr, -1},
        CtlRun{"NotARelay", {"close", "5x"}, "-", nullptr, 2,
               "relayctl: close \"5x\" is not a relay: use a number 0-1023, a range such as 100-107, or board:row:column "
               "such as 0:4:12",
               nullptr, -1},

        CtlRun{"Reversed", {"close", "107-100"}, "-", nullptr, 2,
               "relayctl: close \"107-100\": the range 107-100 is reversed (write 100-107)", nullptr, -1},
        CtlRun{"CloseAll", {"close", "all"}, "-", nullptr, 2, "relayctl: close all is refused: name the relays to close",
               nullptr, -1},
        CtlRun{"UnknownCommand", {"toggle", "5"}, "-", nullptr, 2,
               "relayctl: unknown command \"toggle\"", nullptr, -1},
        CtlRun{"RouteWithoutWiring", {"switch", "5"}, "-", nullptr, 2,
               "relayctl: switch needs a wiring file: give --wiring FILE or set RELAYTEST_WIRING", nullptr, -1},
        CtlRun{"AbsentBoardRefused", {"close", "5", "400"}, "absent=3", nullptr, 1,
               "relayctl: board 3 reads back all ones (not fitted or not answering): nothing switched", nullptr, -1},
        CtlRun{"StuckRelay", {"close", "5", "6"}, "stuck-off=5", nullptr, 1,
               "relayctl: relay 5 (board 0, row 5, column 0) did not close: it reads back open", nullptr, 1},
        CtlRun{"NoCard", {"close", "5"}, "cards=0", nullptr, 1,
               "relayctl: no card: the driver found none, and nothing was switched", nullptr, 1},
        CtlRun{"LimitBeforeTheCard", {"close", "0-127"}, "-", nullptr, 6,
               "relayctl: closing 128 relays of board 0 would leave 128 closed, above the limit of 32: nothing switched",
               nullptr, -1},
        CtlRun{"LimitAfterTheReadBack", {"--max-closed", "2", "close", "6"}, "", Board0With5And100.c_str(), 6,
               "relayctl: closing 1 relay of board 0 would leave 3 closed, above the limit of 2: nothing switched",
               Board0With5And100.c_str(), -1},
        CtlRun{"LimitTooHigh", {"--max-closed=128", "close", "1"}, "-", nullptr, 2,
               "relayctl: --max-closed \"128\": not a number of relays from 1 to 127", nullptr, -1},
        CtlRun{"ControllerStaysBusy", {"close", "5"}, "stuck-busy", nullptr, 4,
               "relayctl: Control stopped: the SPI controller stayed busy during close 5; no board pushed", nullptr,
               -1},
        CtlRun{"MalformedStateFile", {"show"}, "", "board 0: 1\n", 1,
               "relaysim: state file \"STATE\": line 1 is not \"board 0: \" and four words of eight hexadecimal digits; "
               "the simulated card is absent",
               nullptr, -1}),
    ByName{});

// A refused close pushes nothing: the record has the read-back alone.
TEST(Relayctl, RefusedBoardIsNeverPushed)
{
    const ChildResult r = RunProgram("relayctl", {"close", "400"}, "absent=3");
    EXPECT_EQ(r.out.find("Turning"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Board 3 refused: it reads back all ones (not fitted or not answering)\nControl complete\n"),
              std::string::npos)
        << r.out;
}

// Commands one a line through a pipe: a bad one is refused and the session
// goes on; so is a line too long to read whole, or of too many words (run
// cut short, it would switch other relays); quit ends it before the last
// line; the record passes relaylog.
TEST(Relayctl, SessionThroughAPipe)
{
    const StateFile state("Session");
    std::string tooLong = "close 6";
    std::string tooManyWords = "close 6";
    for (int i = 0; i < 600; ++i)
        tooLong += " 6";
    for (int i = 0; i < 64; ++i)
        tooManyWords += " 6";
    const ChildResult r =
        RunProgram("relayctl", {}, "state=" + state.path,
                   Typed("close 5 0:4:12\n\nshow 0\nfrob 3\n" + tooLong + "\n" + tooManyWords +
                         "\nopen 5\nquit\nclose 7\n"));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "relayctl: 2 relays closed as asked: 5 (0:5:0), 100 (0:4:12)\n"
                     "relayctl: board 0: 2 relays closed: 5 (0:5:0), 100 (0:4:12)\n"
                     "relayctl: unknown command \"frob\"\n"
                     "relayctl: a line longer than 1023 characters: not run\n"
                     "relayctl: a line of more than 64 words: not run\n"
                     "relayctl: 1 relay open as asked: 5 (0:5:0)\n");
    EXPECT_EQ(r.out.rfind("Relay control session\nSuccess\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\nCommand: open 5\n"), std::string::npos);
    EXPECT_NE(state.Text().find("board 0: 00000000 00000000 00000000 00000010\n"), std::string::npos);
    EXPECT_EQ(RunProgram("relaylog", {"-"}, "", Typed(r.out)).exitCode, 0) << r.out;
}

// A line holding a NUL or another control character is not what the
// operator typed: refused whole, as a line too long is, never run cut short.
TEST(Relayctl, SessionLineWithAControlCharacterIsNotRun)
{
    const ChildResult r =
        RunProgram("relayctl", {}, "", Typed(std::string("close 1") + '\0' + "3\nclose 2\x1b\nshow 0\r\n"));
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out.find("Turning"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "relayctl: a line holding a control character: not run\n"
                     "relayctl: a line holding a control character: not run\n"
                     "relayctl: board 0: every relay open\n");
}

// While a session holds the card, relaysweep and relayctl with --wait 0 end
// at once with status 3, naming the holder, having touched nothing.
TEST(Relayctl, CardHeldByAnotherProgramIsLeftAlone)
{
    const std::string lock = ::testing::TempDir() + "relayctl-held-" + std::to_string(getpid()) + ".lock";
    Child holder({{RelayctlPath()}, {"RELAYSIM=", "RELAYTEST_LOCK=" + lock}, ChildInput::OpenPipe});
    while (holder.Out().find("FPGA Rev") == std::string::npos && !holder.Done())
        holder.Pump(20);
    const std::string held = "the card is still held by relayctl (process " + std::to_string(holder.Pid()) + ") since ";
    for (const std::string& program : {RelaysweepPath(), RelayctlPath()}) {
        ChildSpec run({program, "--wait=0", program == RelayctlPath() ? "show" : "--yes"},
                      {"RELAYSIM=no-driver-call-expected", "RELAYTEST_LOCK=" + lock});
        run.captureStderr = true;
        const ChildResult r = RunChild(run);
        EXPECT_EQ(r.exitCode, 3) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(held), std::string::npos) << r.err;
        EXPECT_EQ(r.err.substr(r.err.size() - 33), " after 0 s: nothing was switched\n") << r.err;
    }
    holder.CloseInput();
    EXPECT_EQ(holder.Wait().exitCode, 0);
    (void)std::remove(lock.c_str());
}

// The card keeps its relays from one run to the next, as real boards do.
TEST(Relayctl, StateCarriesFromOneRunToTheNext)
{
    const StateFile state("Carries");
    const std::string relaysim = "state=" + state.path;
    EXPECT_EQ(RunProgram("relayctl", {"close", "0:4:12", "5"}, relaysim).exitCode, 0);
    EXPECT_EQ(RunProgram("relayctl", {"show", "0"}, relaysim).err,
              "relayctl: board 0: 2 relays closed: 5 (0:5:0), 100 (0:4:12)\n");
    EXPECT_EQ(RunProgram("relayctl", {"open", "all"}, relaysim).exitCode, 0);
    EXPECT_EQ(RunProgram("relayctl", {"show", "0"}, relaysim).err, "relayctl: board 0: every relay open\n");
}

struct StopCase {
    const char* name;
    std::vector<std::string> args;
    ChildInput input;
    int signal;
    const char* waitFor;  // the record line after which the signal is sent
    const char* last;     // the record's last line
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class RelayctlStop : public ::testing::TestWithParam<StopCase> {};

// A slow close stopped half-way: the board it pushed ends open, confirmed,
// and the process ends by the signal; a session waiting for a command stops
// as well.
TEST_P(RelayctlStop, OpensWhatItPushedAndEndsByTheSignal)
{
    const StopCase& c = GetParam();
    const StateFile state(c.name);
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), RelayctlPath());
    Child child({argv, {"RELAYSIM=slow=200,state=" + state.path}, c.input});
    const std::string waitFor = c.waitFor;
    const ChildResult r =
        child.SignalWhen(c.signal, [&](const std::string& out) { return out.find(waitFor) != std::string::npos; });
    EXPECT_EQ(r.signal, c.signal);
    EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1), std::string(c.last) + "\n");
    if (c.input == ChildInput::DevNull) {
        EXPECT_NE(state.Text().find(Board0Open), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, RelayctlStop,
    ::testing::Values(StopCase{"TermDuringClose", {"--max-closed=127", "close", "0-126"}, ChildInput::DevNull, SIGTERM,
                               "Turning on relay   10\n",
                               "Control stopped: interrupted by SIGTERM during close 0-126; boards 0 pushed open and "
                               "read back open"},
                      StopCase{"HupWhileWaiting", {}, ChildInput::OpenPipe, SIGHUP, "FPGA Rev: 0002A1F7\n",
                               "Control stopped: interrupted by SIGHUP while waiting for a command; no board pushed"}),
    ByName{});

}  // namespace
