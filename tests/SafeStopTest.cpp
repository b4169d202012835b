// relaysweep stopped by a signal at points of a slow sweep: the boards it
// touched end pushed all open and read back, and the process ends by the
// signal itself.
#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "CaseName.h"
#include "Child.h"
#include "Paths.h"

namespace {

struct StopCase {
    const char* name;
    int signal;
    const char* signalName;
    const char* waitFor;  // the record line after which the signal is sent
    const char* pushed;   // the boards the last line names as pushed open
};
void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class SweepStop : public ::testing::TestWithParam<StopCase> {};

TEST_P(SweepStop, OpensEveryBoardItTouchedAndEndsByTheSignal)
{
    Child child({{RelaysweepPath(), "--yes", "--boards", "0-1"}, {"RELAYSIM=slow=200"}});
    const std::string waitFor = GetParam().waitFor;
    const ChildResult r = child.SignalWhen(
        GetParam().signal, [&](const std::string& out) { return out.find(waitFor) != std::string::npos; });

    EXPECT_EQ(r.signal, GetParam().signal);
    const std::size_t stop = r.out.rfind("Sweep stopped: ");
    ASSERT_NE(stop, std::string::npos) << r.out.substr(r.out.size() > 300 ? r.out.size() - 300 : 0);
    const std::string last = r.out.substr(stop);
    EXPECT_EQ(last.rfind(std::string("Sweep stopped: interrupted by ") + GetParam().signalName + " ", 0), 0u) << last;
    EXPECT_NE(last.find(std::string("; boards ") + GetParam().pushed + " pushed open and read back open\n"),
              std::string::npos)
        << last;
    EXPECT_EQ(last.find('\n'), last.size() - 1) << "the stop line is the last";

    // The read-back of the last relay switched on may still show it closed:
    // the signal can land while that board is being read. From the first
    // switch off after it: only switches off, and read-backs of every touched
    // board that show every relay open.
    const std::size_t lastOn = r.out.rfind("Turning on");
    ASSERT_NE(lastOn, std::string::npos);
    const std::size_t firstOff = r.out.find("Turning off", lastOn);
    ASSERT_NE(firstOff, std::string::npos) << r.out.substr(lastOn);
    const std::string tail = r.out.substr(firstOff);
    EXPECT_EQ(tail.find("Turning on"), std::string::npos);
    std::size_t words = 0;
    for (std::size_t at = tail.find("] = Relays"); at != std::string::npos; at = tail.find("] = Relays", at + 1)) {
        EXPECT_EQ(tail.substr(at - 9, 9), "[00000000") << tail.substr(at - 9, 80);
        ++words;
    }
    EXPECT_GE(words, 4u * (std::string(GetParam().pushed).size() == 1 ? 1 : 2));
}

INSTANTIATE_TEST_SUITE_P(
    Signals, SweepStop,
    ::testing::Values(StopCase{"IntOnFirstRelay", SIGINT, "SIGINT", "Turning on relay    0\n", "0-1"},
                      StopCase{"TermOnFirstRelay", SIGTERM, "SIGTERM", "Turning on relay    0\n", "0-1"},
                      StopCase{"HupOnFirstRelay", SIGHUP, "SIGHUP", "Turning on relay    0\n", "0-1"},
                      StopCase{"IntMidBoard", SIGINT, "SIGINT", "Turning on relay   45\n", "0-1"},
                      StopCase{"TermMidBoard", SIGTERM, "SIGTERM", "Turning on relay   45\n", "0-1"},
                      StopCase{"HupOnSecondBoard", SIGHUP, "SIGHUP", "Turning on relay  130\n", "0-1"}),
    ByName{});

// Started with SIGHUP ignored, as nohup starts it, the sweep leaves it
// ignored: a SIGHUP half-way changes nothing and the sweep runs to its end.
TEST(SweepStop, AHangupIgnoredAtTheStartStaysIgnored)
{
    Child child({{"/bin/sh", "-c", "trap '' HUP; exec \"$0\" \"$@\"", RelaysweepPath(), "--yes", "--boards", "0"},
                 {"RELAYSIM=slow=100"}});
    const ChildResult r = child.SignalWhen(
        SIGHUP, [](const std::string& out) { return out.find("Turning on relay   45\n") != std::string::npos; });
    EXPECT_EQ(r.exitCode, 0) << "signal " << r.signal;
    EXPECT_NE(r.out.find("Turning off relay  127\n"), std::string::npos);
}

}  // namespace
