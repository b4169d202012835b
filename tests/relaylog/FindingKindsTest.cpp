// Every kind of finding relaylog has, each shown by a record: the first
// finding of that kind in it, its PROBLEM line, and that line in the text
// report.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "CaseName.h"
#include "Findings.h"
#include "RecordCheck.h"
#include "RelaylogSupport.h"
#include "RunProgram.h"
#include "Transcript.h"
#include "Reports.h"

using namespace relaylog;  // NOLINT(google-build-using-namespace): the kinds are the table's words

namespace {

struct KindCase {
    std::string name;
    Kind kind;  // the kind of finding the record shows
    std::function<std::string()> record;
    std::string expected;  // its PROBLEM line
    bool first = true;     // it is the record's first finding of all
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

KindCase Row(Kind kind, const char* name, std::function<std::string()> record, std::string expected)
{
    return {name, kind, std::move(record), std::move(expected)};
}

// A kind the record shows after findings of other kinds.
KindCase Later(Kind kind, const char* name, std::function<std::string()> record, std::string expected)
{
    KindCase c = Row(kind, name, std::move(record), std::move(expected));
    c.first = false;
    return c;
}

std::function<std::string()> Healthy(const Edit& edit)
{
    return [edit] { return edit(Golden("healthy.txt")); };
}

std::function<std::string()> Relaytest(const std::string& relaysim)
{
    return [relaysim] { return RelaytestRecord(relaysim); };
}

std::function<std::string()> Sweep(const std::string& relaysim, const std::string& boards,
                                   const Edit& edit = [](const std::string& record) { return record; })
{
    return [=] { return edit(SweepRecord(relaysim, boards)); };
}

// relayctl's record of the command on the simulated card that RELAYSIM describes.
std::function<std::string()> Relayctl(const std::string& relaysim, const std::vector<std::string>& command,
                                      const Edit& edit = [](const std::string& record) { return record; })
{
    return [=] { return edit(RelayctlRecord(relaysim, command)); };
}

// relaysweep's record of board 0 under a wiring that forbids every relay of it.
std::function<std::string()> EveryRelaySkipped()
{
    return [] {
        const std::string wiring = Scratch("every-relay.toml");
        std::ofstream file(wiring);
        file << "[[forbidden]]\ncrosspoints = [\"0\"";
        for (int relay = 1; relay < 128; ++relay)
            file << ", \"" << relay << "\"";
        file << "]\n";
        file.close();
        return RunProgram("relaysweep", {"--yes", "--boards", "0", "--wiring", wiring}).out;
    };
}

std::string Polls(const std::string& poll, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += poll;
    return text;
}

const std::string Idle = BusyTrace(0);
const std::string Busy = BusyTrace(0x80000000);

// The record's first lines, the last three accesses each after a wait that
// ran to the limit, then the stop line.
Edit StaysBusy(std::size_t lines, const std::string& stop)
{
    return [=](std::string record) {
        record = KeepLines(lines)(record);
        for (std::size_t line = lines - 2; line <= lines; ++line)
            record.replace(LineStart(record, line), Idle.size(), Polls(Busy, 10000));
        return record + stop + "\n";
    };
}

// The record's findings, in the order relaylog finds them.
struct Collected : FindingSink {
    void Problem(const Finding& finding) override { found.push_back(finding); }
    std::vector<Finding> found;
};

const std::vector<KindCase> Table = {
    Row(Kind::NoCard, "NoCard", Relaytest("cards=0"), "PROBLEM line 1: no card found: the driver reported no card"),
    Row(Kind::MissingRevision, "MissingRevision", Healthy(DeleteLine(2)),
                         "PROBLEM line 2: the FPGA revision line is missing after the card check"),
    Row(Kind::SecondCardCheck, "SecondCardCheck", Healthy(InsertBefore(3, "Success\n")),
                         "PROBLEM line 3: a second card check"),
    Row(Kind::SecondRevision, "SecondRevision", Healthy(InsertBefore(3, "FPGA Rev: 0002A1F7\n")),
                        "PROBLEM line 3: a second FPGA revision line"),
    Row(Kind::RefusedRelay, "RefusedRelay", Healthy(InsertBefore(3, "ERROR: relay 2000 is out of range 0 to 1023\n")),
                      "PROBLEM line 3: relaytest refused relay 2000 as out of range"),
    Row(Kind::RefusedBoard, "RefusedBoard", Healthy(InsertBefore(3, "ERROR: board 9 is out of range 0 to 7\n")),
                      "PROBLEM line 3: relaytest refused board 9 as out of range"),
    Row(Kind::NoSuchRelay, "NoSuchRelay", Healthy(ReplaceLine(3, "Turning on relay 2000")),
                     "PROBLEM line 3: relay 2000 does not exist (0 to 1023)"),
    Row(Kind::StrayAccess, "StrayAccess", Healthy(InsertBefore(3, Idle + "104 ?? 00000000\n")),
                     "PROBLEM line 3: the read of 104 (SpiData0) belongs to no relay switch or board fetch"),
    Row(Kind::StrayAccess, "FetchNeverStarted", Healthy(DeleteLine(27)),
                     "PROBLEM line 27: the read of 104 (SpiData0) belongs to no relay switch or board fetch"),
    Row(Kind::BrokenOff, "PushMissesAWord", Healthy(DeleteLine(5)),
                   "PROBLEM line 5: the push for relay 0 (line 3) breaks off after 1 write of 5"),
    Row(Kind::BrokenOff, "PushEndsWithoutGoFlag", Healthy(ReplaceLine(26, Idle + "100 << 00000000")),
                   "PROBLEM line 26: the push for relay 8 (line 21) breaks off after 4 writes of 5"),
    Row(Kind::BrokenOff, "FetchReadsOutOfOrder", Healthy([](const std::string& record) {
                       return InsertBefore(28, Idle + "108 ?? 00000000\n")(DeleteLine(29)(record));
                   }),
                   "PROBLEM line 28: the fetch of board 0 (line 27) breaks off after 0 reads of 4"),
    Row(Kind::WrongValue, 
        "PushCarriesWrongWord", Healthy(ReplaceLine(10, Idle + "104 << 00000003")),
        "PROBLEM line 10: the write of 00000003 to 104 (SpiData0) in the push for relay 100 (line 9) should "
        "have been 00000001"),
    Row(Kind::WrongValue, 
        "PushToWrongBoard", Healthy(ReplaceLine(8, Idle + "100 << 00000081")),
        "PROBLEM line 8: the write of 00000081 to 100 (SpiControl) in the push for relay 0 (line 3) should "
        "have been 00000080"),
    Row(Kind::RelayDiffers, "RelayDiffers", Relaytest("stuck-on=37"),
                      "PROBLEM line 29: relay 37 (board 0, row 5, column 4): pushed off, read back on"),
    Row(Kind::OrphanReport, "OrphanReport", Healthy([](std::string record) {
                          for (int read = 0; read < 5; ++read)
                              record = DeleteLine(27)(record);
                          return record;
                      }),
                      "PROBLEM line 28: a report of board 0 with no fetch before it"),
    Row(Kind::ReportLineOutside, "ReportLineOutside", Healthy(InsertBefore(3, "--------\r\n")),
                           "PROBLEM line 3: a board report line outside any board report"),
    Row(Kind::ReportOtherBoard, "ReportOfAnotherBoard", Healthy(ReplaceLine(33, "Board #3")),
                          "PROBLEM line 33: the report is headed board 3, but board 0 was fetched at line 27"),
    Row(Kind::ReportLabels, "WrongRangeLabel",
                      Healthy(ReplaceLine(35, "[00000000] = Relays 64 to  95 = ................................")),
                      "PROBLEM line 35: the report labels relays 32 to 63 as relays 64 to 95"),
    Row(Kind::ReportMapMismatch, 
        "MapDisagreesWithWord",
        Healthy(ReplaceLine(37, "[00000210] = Relays 96 to 127 = ....X...........................")),
        "PROBLEM line 37: the map of relays 96 to 127 does not match the word 00000210 beside it"),
    Row(Kind::ReportFetchMismatch, 
        "ReportDisagreesWithFetch",
        Healthy(ReplaceLine(37, "[00000010] = Relays 96 to 127 = ....X...........................")),
        "PROBLEM line 37: the report shows 00000010 for relays 96 to 127, but the fetch read 00000210 at line "
        "31"),
    Row(Kind::NoPoll, 
        "NoPoll", Healthy(ReplaceLine(4, "104 << 00000001")),
        "PROBLEM line 4: the write of 00000001 to 104 (SpiData0) in the push for relay 0 (line 3) has no busy "
        "check before it"),
    Row(Kind::PastLimit, "PastLimit", Healthy(ReplaceLine(4, Polls(Busy, 10001) + "104 << 00000001")),
                   "PROBLEM line 4: the write of 00000001 to 104 (SpiData0) in the push for relay 0 (line 3) comes "
                   "after 10001 busy checks, more than the 10000-poll limit"),
    Row(Kind::WaitWentOn, 
        "WaitWentOnWhenIdle", Healthy(ReplaceLine(4, Idle + Idle + "104 << 00000001")),
        "PROBLEM line 4: busy check 1 before the write of 00000001 to 104 (SpiData0) in the push for relay 0 "
        "(line 3) read idle, yet the wait went on"),
    Row(Kind::StillBusyAtLimit, "StillBusyAtLimit", Healthy(ReplaceLine(4, Polls(Busy, 10000) + "104 << 00000001")),
                          "PROBLEM line 4: the controller was still busy after 10000 polls (the limit) before the "
                          "write of 00000001 to 104 (SpiData0) in the push for relay 0 (line 3); the access went "
                          "ahead anyway"),
    Row(Kind::GaveUpEarly, 
        "WaitGaveUpEarly", Healthy(ReplaceLine(4, Busy + "104 << 00000001")),
        "PROBLEM line 4: the wait before the write of 00000001 to 104 (SpiData0) in the push for relay 0 (line "
        "3) gave up after 1 busy poll, short of the 10000-poll limit"),
    Row(Kind::StrayPoll, 
        "StrayPoll", Healthy(ReplaceLine(4, BusyTrace(0, 0x104) + "104 << 00000001")),
        "PROBLEM line 4: a busy check before the write of 00000001 to 104 (SpiData0) in the push for relay 0 "
        "(line 3) polls 104 instead of the control register 100"),
    Row(Kind::BlankOutOfPlace, "BlankOutOfPlace", Healthy(InsertBefore(3, "\n")),
                         "PROBLEM line 3: an empty line out of place"),
    Row(Kind::NoBlankBeforePrompt, "NoClosingBlankLine", Healthy(DeleteLine(75)),
                             "PROBLEM line 75: the empty line before the closing prompt is missing"),
    Row(Kind::PauseBeforeClosing, "PauseBeforeClosing", Healthy(InsertBefore(75, "Press any key to continue . . . \n")),
                            "PROBLEM line 75: the pause prompt comes before the closing prompt"),
    Row(Kind::LineAfterClosing, "LineAfterTheEnd",
                          Healthy([](const std::string& record) { return record + "Success\n"; }),
                          "PROBLEM line 77: a line after the closing prompt"),
    Row(Kind::LineAfterPause, "LineAfterPause", Healthy([](const std::string& record) {
                            return record + "Press any key to continue . . . \nSuccess\n";
                        }),
                        "PROBLEM line 78: a line after the pause prompt"),
    Row(Kind::LineOutOfPlace, "LineOutOfPlace", Healthy(InsertBefore(3, "Sweep complete\n")),
                        "PROBLEM line 3: relaysweep's last line \"Sweep complete\" out of place in a relaytest "
                        "record"),
    Row(Kind::Stopped, "SweepStopped",
                      Sweep("", "0",
                            [](const std::string& record) {
                                return KeepLines(15)(record) +
                                       "Sweep stopped: interrupted by SIGINT at relay 0 of board "
                                       "0; boards 0 pushed open and read back open\n";
                            }),
                      "PROBLEM line 16: the sweep was stopped from outside before its end, the last relay it "
                      "closed relay 0 (board 0, row 0, column 0) at line 10: the relays it did not reach are "
                      "unverified"),
    Row(Kind::ControlRefusedBoard, "ControlRefusedBoard", Relayctl("absent=0", {"close", "5"}),
                             "PROBLEM line 16: relayctl refused to push board 0: it read back all ones (not "
                             "fitted, or not answering)"),
    Row(Kind::Stopped, "ControlStopped",
        Relayctl("", {"close", "5"},
                 [](const std::string& record) {
                     return KeepLines(15)(record) +
                            "Control stopped: interrupted by SIGINT during close 5; no board pushed\n";
                 }),
        "PROBLEM line 16: relayctl was stopped from outside before its command was done: it "
        "pushed every board it had switched all open (its last line says whether they read back "
        "open)"),
    Row(Kind::StoppedBusy, "SweepBusy",
                  Sweep("", "0",
                        StaysBusy(13, "Sweep stopped: the SPI controller stayed busy at relay 0 of board 0; boards "
                                      "0 pushed open, but boards 0 did not read back open")),
                  "PROBLEM line 11: the SPI controller stayed busy from here on, each wait running to the 10000-poll "
                  "limit, and relaysweep stopped: it pushed the boards it had touched all open (its last line says "
                  "whether they read back open)"),
    Row(Kind::StoppedBusy, "ControlBusy",
        Relayctl("", {"close", "5"},
                 StaysBusy(19, "Control stopped: the SPI controller stayed busy during close 5; boards 0 pushed "
                               "open, but boards 0 did not read back open")),
        "PROBLEM line 17: the SPI controller stayed busy from here on, each wait running to the 10000-poll limit, "
        "and relayctl stopped: it pushed every board it had switched all open (its last line says whether they "
        "read back open)"),
    Row(Kind::Stopped, "SweepUnwritten",
        Sweep("", "0",
              [](const std::string& record) {
                  return KeepLines(15)(record) + "Sweep stopped: the record could not be written at relay 0 of "
                                                 "board 0; boards 0 pushed open and read back open\n";
              }),
        "PROBLEM line 16: relaysweep stopped: its record could not be written (standard output failed); it pushed "
        "the boards it had touched all open: the relays it did not reach are unverified"),
    Row(Kind::Stopped, "ControlUnwritten",
        Relayctl("", {"close", "5"},
                 [](const std::string& record) {
                     return KeepLines(15)(record) +
                            "Control stopped: the record could not be written during close 5; no board pushed\n";
                 }),
        "PROBLEM line 16: relayctl stopped: its record could not be written (standard output failed) before its "
        "command was done; it pushed every board it had switched all open"),
    Row(Kind::Stopped, "SessionStopped",
                 Relayctl("", {"close", "5"},
                          [](const std::string& record) {
                              return ReplaceLine(1, "Relay matrix session")(KeepLines(15)(record)) +
                                     "Session stopped: interrupted by SIGTERM during close 5; no board pushed\n";
                          }),
                 "PROBLEM line 16: relaymatrix was stopped from outside before its command was done: it pushed "
                 "every board it had switched all open (its last line says whether they read back open)"),
    Row(Kind::NothingVerified, "EveryRelaySkipped", EveryRelaySkipped(),
        "PROBLEM line 163: no relay was verified: every relay of the sweep was skipped"),
    Row(Kind::PushLandsElsewhere, "PushLandsElsewhere", Sweep("alias=1:3", "1,3"),
                            "PROBLEM line 38: board 3 (relays 384-511) read back the push to board 1 at line 21 "
                            "instead of its own: pushes to board 1 also land on board 3 (1 read-back)"),
    Later(Kind::BoardNotAnswering, "BoardNotAnswering", Relaytest("deaf"),
                             "PROBLEM line 31: board 0 (relays 0-127) read back all zeros every time (2 read-backs), "
                             "whatever was pushed: not fitted, or not answering"),
    Later(Kind::RelayStuckClosed, "RelayStuckClosed", Relaytest("stuck-on=37"),
                          "PROBLEM line 29: relay 37 (board 0, row 5, column 4): stuck closed: read back on every "
                          "time (2 read-backs), 2 of them pushed off"),
    Row(Kind::RelayStuckOpen, "RelayStuckOpen", Sweep("stuck-off=5", "0"),
                        "PROBLEM line 137: relay 5 (board 0, row 5, column 0): stuck open: read back off every "
                        "time (129 read-backs), 1 of them pushed on"),
    Row(Kind::RelayErratic, "RelayErratic", Sweep("coupled=7:9", "0"),
                      "PROBLEM line 185: relay 9 (board 0, row 1, column 1): erratic: 1 of 129 read-backs differs "
                      "from the push; first read back on, pushed off, when relay 7 was switched"),
    Row(Kind::RouteNotFollowed, "RouteNotFollowed",
                          Relayctl("", {"--wiring", BENCH7_WIRING, "connect", "dmm_vcc"},
                                   [](std::string r) { return r.replace(r.find("0:0:0;"), 6, "0:0:0, 0:2:2;"); }),
                          "PROBLEM line 71: the route dmm_vcc (DMM_HI to VCC) was made, yet relay 18 (board 0, row 2, "
                          "column 2) reads back open (board 0 read back at line 63)"),
    Row(Kind::RouteFailed, "RouteFailed", Relayctl("stuck-off=168", {"--wiring", BENCH7_WIRING, "connect", "scope_p20"}),
                     "PROBLEM line 149: a route change failed: scope_p20 (SCOPE to P20): relay 168 (board 1, row 0 "
                     "ABUS1, column 5 P20) did not close: it reads back open; the relays this call closed are open "
                     "again (the read-backs after it show every relay it closed open)"),
};

class FindingKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(FindingKinds, FirstOfTheKindAndItsLine)
{
    std::istringstream in(GetParam().record());
    std::ostringstream report;
    Collected collected;
    EXPECT_EQ(CheckRecord(in, report, {&collected}), 1) << report.str();
    const auto first = std::find_if(collected.found.begin(), collected.found.end(),
                                    [](const Finding& f) { return f.kind == GetParam().kind; });
    ASSERT_NE(first, collected.found.end()) << report.str();
    EXPECT_EQ(ProblemLine(*first), GetParam().expected);
    if (GetParam().first) {
        EXPECT_EQ(first, collected.found.begin()) << ProblemLine(collected.found.front());
    }
    EXPECT_NE(report.str().find(GetParam().expected + "\n"), std::string::npos) << report.str();
}

// The analyser loses the std::function copies in GoogleTest's value list; LeakSanitizer runs it clean.
// NOLINTNEXTLINE(clang-analyzer-cplusplus.NewDeleteLeaks)
INSTANTIATE_TEST_SUITE_P(Records, FindingKinds, ::testing::ValuesIn(Table), ByName{});

TEST(FindingKinds, EveryKindHasARecordInTheTable)
{
    std::set<std::size_t> shown;
    for (const KindCase& c : Table)
        shown.insert(static_cast<std::size_t>(c.kind));
    for (const std::size_t kind : DeepFaultKinds())
        shown.insert(kind);
    for (std::size_t kind = 0; kind < KindCount; ++kind)
        EXPECT_EQ(shown.count(kind), 1u) << "no record in the table shows finding kind " << kind;
}

}  // namespace
