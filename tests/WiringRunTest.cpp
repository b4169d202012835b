// The real relayctl and relaysweep under the worked station's wiring file,
// docs/examples/bench-3.toml, on a simulated card that keeps its boards in a
// state file: a refusal switches nothing, a broken file stops the program
// before the card, relayctl wiring touches no register and takes no lock,
// and the sweep never closes what the rules refuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"
#include "Transcript.h"

namespace {

const std::string Bench3 = ExamplePath("bench-3.toml");

// A wiring file of this test's own, holding text: its path.
std::string ScratchWiring(const std::string& name, const std::string& text)
{
    std::string path = ::testing::TempDir() + name + "-" + std::to_string(getpid()) + ".toml";
    std::FILE* file = std::fopen(path.c_str(), "w");
    EXPECT_TRUE(file != nullptr && std::fputs(text.c_str(), file) >= 0 && std::fclose(file) == 0) << path;
    return path;
}

ChildResult RunProgram(const std::string& program, std::vector<std::string> args, std::vector<std::string> env)
{
    args.insert(args.begin(), program);
    ChildSpec run(std::move(args), std::move(env));
    run.captureStderr = true;
    return RunChild(run);
}

// relayctl close I+@J5.5, then close 0V@J5.5: the second would join I+ to
// 0V through the first, and is refused with the path; the boards keep what
// they held.
TEST(WiringRun, RelayctlRefusesAJoinOfExclusiveNets)
{
    const std::string state = ::testing::TempDir() + "wiring-run-" + std::to_string(getpid());
    const std::vector<std::string> env = {"RELAYSIM=state=" + state, "RELAYTEST_WIRING=" + Bench3};
    ASSERT_EQ(RunProgram(RelayctlPath(), {"close", "I+@J5.5"}, env).err,
              "relayctl: 1 relay closed as asked: 418 (3:2:4, I+@J5.5)\n");
    const std::string held = ReadFile(state);
    EXPECT_NE(held.find("board 3: 00000000 00000004 00000000 00000000\n"), std::string::npos) << held;
    const ChildResult r = RunProgram(RelayctlPath(), {"close", "0V@J5.5"}, env);
    const std::string refusal = "closing 3:7:4 (0V@J5.5) would join I+ and 0V: I+@J5.5 (3:2:4) is closed (exclusive, " +
                                Bench3 + " line 17)";
    EXPECT_EQ(r.exitCode, 6);
    EXPECT_EQ(r.err, "relayctl: " + refusal + ": nothing switched\n");
    EXPECT_NE(r.out.find("FPGA Rev: 0002A1F7\nWiring: " + Bench3 + " (checksum "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nCommand refused: " + refusal + "\nControl complete\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Turning"), std::string::npos);
    EXPECT_EQ(ReadFile(state), held);
    for (const std::string& file : {state, state + ".lock"})
        (void)std::remove(file.c_str());
}

// A file that is not a wiring file, given or set station-wide, stops either
// program before any driver call.
TEST(WiringRun, BrokenFileStopsBeforeTheCard)
{
    const std::string broken = ScratchWiring("wiring-broken", "max-closed-per-board = 12\n[[board]]\nindex = 9\n");
    const std::string error = ": " + broken + " line 3: board 9 is outside 0-7\n";
    const ChildResult ctl = RunProgram(RelayctlPath(), {"--wiring", broken, "close", "1"}, {"RELAYSIM=no-driver-call-expected"});
    EXPECT_EQ(ctl.exitCode, 2);
    EXPECT_EQ(ctl.err, "relayctl" + error);
    EXPECT_EQ(ctl.out, "");
    const ChildResult sweep =
        RunProgram(RelaysweepPath(), {"--yes"}, {"RELAYSIM=no-driver-call-expected", "RELAYTEST_WIRING=" + broken});
    EXPECT_EQ(sweep.exitCode, 2);
    EXPECT_EQ(sweep.err, "relaysweep" + error);
    (void)std::remove(broken.c_str());
}

// relaytest switches nothing when given an argument, or under a wiring whose
// rules its fixed pass would break (relay 100 forbidden, or a board limit of
// 3 below its four closes on board 0): one line says why, and no driver call
// is made.
struct RelaytestRefusal {
    const char* name;
    std::vector<std::string> args;
    const char* wiring;  // the file's text, or null for none
    int status;
    const char* said;    // in standard error, or (status 0) standard output
};
void PrintTo(const RelaytestRefusal& c, std::ostream* os) { *os << c.name; }
class RelaytestRefuses : public ::testing::TestWithParam<RelaytestRefusal> {};

TEST_P(RelaytestRefuses, BeforeAnyDriverCall)
{
    const RelaytestRefusal& c = GetParam();
    const std::string file = ScratchWiring("relaytest-wiring", c.wiring != nullptr ? c.wiring : "");
    std::vector<std::string> env = {"RELAYSIM=no-driver-call-expected"};
    if (c.wiring != nullptr)
        env.push_back("RELAYTEST_WIRING=" + file);
    const ChildResult r = RunProgram(RelaytestPath(), c.args, env);
    EXPECT_EQ(r.exitCode, c.status) << r.err;
    EXPECT_NE((c.status == 0 ? r.out : r.err).find(c.said), std::string::npos) << r.out << r.err;
    EXPECT_EQ(r.out.find("Success"), std::string::npos);
    (void)std::remove(file.c_str());
}

INSTANTIATE_TEST_SUITE_P(
    Relaytest, RelaytestRefuses,
    ::testing::Values(
        RelaytestRefusal{"Help", {"--help"}, nullptr, 0, "usage: relaytest\n"},
        RelaytestRefusal{"Version", {"--version"}, nullptr, 0, "relaytest 1.0.0\n"},
        RelaytestRefusal{"AnyArgument", {"-x"}, nullptr, 2, "relaytest: takes no arguments (\"-x\" given)"},
        RelaytestRefusal{"Forbidden", {}, "[[board]]\nindex = 0\n[[forbidden]]\ncrosspoints = [\"100\"]\n", 6,
                         "closing 0:4:12 is forbidden"},
        RelaytestRefusal{"BoardLimit", {}, "max-closed-per-board = 3\n[[board]]\nindex = 0\n", 6,
                         "closing 4 relays of board 0 would leave 4 closed, above the limit of 3"},
        RelaytestRefusal{"BrokenFile", {}, "[[board]]\nindex = 9\n", 2, "board 9 is outside 0-7: nothing was switched"}),
    ByName{});

// A folder (an exception aborted the tools), /dev/zero (out of memory), a FIFO
// (waited on for ever), a file over 1 MiB: one line and status 2 in each.
TEST(WiringRun, WhatIsNotARegularFileOfAWiringFilesSizeIsOneLineInEveryTool)
{
    const std::string dir = ::testing::TempDir() + "wiring-kinds-" + std::to_string(getpid());
    ASSERT_EQ(mkdir(dir.c_str(), 0700) | mkfifo((dir + "/fifo").c_str(), 0600), 0);
    std::FILE* huge = std::fopen((dir + "/huge.toml").c_str(), "w");
    ASSERT_TRUE(huge != nullptr && ftruncate(fileno(huge), 1 << 21) == 0 && std::fclose(huge) == 0);
    for (const auto& [file, why] : std::vector<std::pair<std::string, std::string>>{
             {dir, "not a regular file (a directory)"}, {"/dev/zero", "not a regular file (a device)"},
             {dir + "/fifo", "not a regular file (a FIFO)"}, {dir + "/huge.toml", "larger than 1 MiB, not a wiring file"}}) {
        for (const std::vector<std::string>& run : std::vector<std::vector<std::string>>{
                 {RelayctlPath(), "--wiring", file, "close", "1"}, {RelaysweepPath(), "--wiring=" + file, "--yes"},
                 {RelaylogPath(), "--wiring", file, "-"}}) {
            ChildSpec child(run, {"RELAYSIM=no-driver-call-expected"});
            child.captureStderr = true;
            const ChildResult r = RunChild(child, std::chrono::seconds(20));
            EXPECT_EQ(r.exitCode, 2) << run[0] << " " << file << ": signal " << r.signal;
            std::string said = run[0].substr(run[0].rfind('/') + 1);
            EXPECT_EQ(r.err, said.append(": ").append(file).append(": ").append(why).append("\n"));
        }
    }
    for (const std::string& made : {dir + "/fifo", dir + "/huge.toml", dir})
        (void)std::remove(made.c_str());
}

// With a lock that could never be taken, relayctl wiring still shows the
// station: it needs no card.
TEST(WiringRun, RelayctlWiringShowsTheStation)
{
    const ChildResult r = RunProgram(RelayctlPath(), {"--wiring=" + Bench3, "wiring"},
                              {"RELAYSIM=no-driver-call-expected", "RELAYTEST_LOCK=/nonexistent/relaytest.lock"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const std::string& line :
         {"Wiring: " + Bench3 + " (checksum ", std::string("\n  row 4 SCOPE_A .     .     .     .     .     .     .     X"),
          std::string("\n  row 2 I+      .     .     .     .     .     .     .     .     .     .     .     .     .     .     .     !\n"),
          std::string("\n  0V: board 2 row 7, board 3 row 7, board 3 column 15\n"), std::string("\n  line 17: I+, 0V\n"),
          std::string("\n  line 20: \"SCOPE_B@J5.2\" is relay 397 (board 3, row 5 SCOPE_B, column 1 J5.2)\n"),
          "\nBoard limit: at most 12 relays of a board closed (max-closed-per-board, " + Bench3 + " line 2)\n"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

// The sweep of boards 2-3 skips the two forbidden crosspoints and I+@0V, each
// where it would have been switched, and sweeps the other 253 (0V@0V too).
TEST(WiringRun, SweepSkipsWhatTheRulesRefuse)
{
    const ChildResult r = RunProgram(RelaysweepPath(), {"--wiring", Bench3, "--yes", "--boards", "2-3"}, {"RELAYSIM="});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("FPGA Rev: 0002A1F7\nWiring: " + Bench3 + " (checksum "), std::string::npos);
    for (const int relay : {316, 397, 506}) {
        EXPECT_EQ(r.out.find("Turning on relay  " + std::to_string(relay) + "\n"), std::string::npos) << relay;
        const std::size_t skipped = r.out.find("\nRelay " + std::to_string(relay) + " skipped: closing ");
        EXPECT_LT(r.out.find("Turning off relay  " + std::to_string(relay - 1) + "\n"), skipped);
        EXPECT_GT(r.out.find("Turning on relay  " + std::to_string(relay + 1) + "\n"), skipped);
    }
    EXPECT_NE(r.out.find("\nRelay 506 skipped: closing 3:2:15 (I+@0V) would join I+ and 0V (exclusive, " + Bench3 +
                         " line 17)\n"),
              std::string::npos);
    std::size_t swept = 0;
    for (std::size_t at = r.out.find("Turning on relay"); at != std::string::npos; at = r.out.find("Turning on relay", at + 1))
        ++swept;
    EXPECT_EQ(swept, 253u);
    EXPECT_NE(r.err.find("relaysweep: 3 relays skipped by the rules of the wiring " + Bench3), std::string::npos)
        << r.err;
}

}  // namespace

namespace {

// A control byte in a station name is echoed escaped: the operator's terminal
// gets one line, and no forged one.
TEST(WiringRun, RelayctlEchoesANameEscaped)
{
    const ChildResult r = RunProgram(RelayctlPath(), {"close", "I+@J4.1\x1b[31mX\nrelayctl: 1 relay closed as asked: 258"},
                                     {"RELAYSIM=no-driver-call-expected", "RELAYTEST_WIRING=" + Bench3});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1),
              "relayctl: close \"I+@J4.1\\x1B[31mX\\x0Arelayctl: 1 relay closed as asked: 258\": holds a control "
              "character\n");
}

// A wiring file's name reaches the record and the terminal with its control
// bytes escaped, in a rule's refusal as in a fault of the file.
TEST(WiringRun, AFileNameIsEchoedEscaped)
{
    const std::string odd = ScratchWiring("odd\x1b[31m", ReadFile(Bench3));
    const std::string broken = ScratchWiring("broken\x1b[31m", "max-closed-per-board = true\n");
    const auto shown = [](std::string name) { return name.replace(name.find('\x1b'), 1, "\\x1B"); };
    const ChildResult refused = RunProgram(RelayctlPath(), {"--wiring", odd, "close", "2:4:7"}, {"RELAYSIM="});
    EXPECT_EQ(refused.exitCode, 6);
    EXPECT_NE(refused.out.find("(forbidden, " + shown(odd) + " line 20)\nControl complete\n"), std::string::npos)
        << refused.out;
    const ChildResult bad = RunProgram(RelayctlPath(), {"--wiring", broken, "wiring"}, {"RELAYSIM=no-driver-call-expected"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err.rfind("relayctl: " + shown(broken) + " line 1: ", 0), 0u) << bad.err;
    for (const ChildResult* r : {&refused, &bad})
        EXPECT_EQ((r->out + r->err).find('\x1b'), std::string::npos) << r->out << r->err;
    for (const std::string& file : {odd, broken})
        (void)std::remove(file.c_str());
}

// A relay stuck closed on a board under test counts for the rules: with I+@J4.1
// (258) stuck closed, 0V@J4.1 (263) would join I+ to 0V and is never closed.
// A sweep whose every relay the rules refuse verified nothing: status 6.
TEST(WiringRun, SweepKeepsTheRulesOverWhatItsBoardsReadBack)
{
    const ChildResult stuck =
        RunProgram(RelaysweepPath(), {"--wiring", Bench3, "--yes", "--boards", "2"}, {"RELAYSIM=stuck-on=258"});
    EXPECT_EQ(stuck.out.find("Turning on relay  263\n"), std::string::npos);
    EXPECT_NE(stuck.out.find("\nRelay 263 skipped: closing 2:7:0 (0V@J4.1) would join I+ and 0V: I+@J4.1 (2:2:0) is "
                             "closed (exclusive, "),
              std::string::npos)
        << stuck.out;
    EXPECT_NE(stuck.out.find("Turning on relay  264\n"), std::string::npos);

    // Every row of board 0 is A, every column B, and A and B are exclusive.
    auto named = [](const char* name, int count) {
        std::string list = "[\"" + std::string(name) + "\"";
        for (int i = 1; i < count; ++i)
            list += ", \"" + std::string(name) + "\"";
        return list + "]";
    };
    const std::string file = ScratchWiring("sweep-all-refused", "[[board]]\nindex = 0\nrows = " + named("A", 8) +
                                                                "\ncolumns = " + named("B", 16) +
                                                                "\n[[exclusive]]\nnets = [\"A\", \"B\"]\n");
    const ChildResult none = RunProgram(RelaysweepPath(), {"--wiring", file, "--yes", "--boards", "0"}, {"RELAYSIM="});
    EXPECT_EQ(none.exitCode, 6) << none.err;
    EXPECT_NE(none.err.find("relaysweep: no relay was verified"), std::string::npos) << none.err;
    EXPECT_EQ(none.out.find("Turning on"), std::string::npos);
    (void)std::remove(file.c_str());
}

}  // namespace
