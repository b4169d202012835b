// relaylog's report as JUnit XML, for CI and test-management systems: one
// test suite, one test case for the card check, one for the SPI waits, one per
// board read back and one for the record's protocol; a failed case carries its
// PROBLEM lines.
#ifndef RELAYLOG_JUNIT_H
#define RELAYLOG_JUNIT_H

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Findings.h"

namespace relaylog {

// The comment each JUnit report carries, by which relaylog knows a file it
// may write over.
inline constexpr const char* JUnitMarker = "<!-- written by relaylog -->";

class JUnitReport : public FindingSink {
public:
    void BoardReadBack(const ReadBack& readBack) override;
    // Its PROBLEM line, on the case of its concern.
    void Problem(const Finding& finding) override;
    // What each board's relays came to ("Relays: ..."), as the case's output.
    void Verdicts(const RelayVerdicts& verdicts) override;
    // The record could not be judged: the ERROR line, on the protocol case.
    void Error(const std::string& line) override;
    // A run judged: a file of several runs gets one test suite per run.
    void Judged(const Run& run) override;
    // The comparison with a baseline record: its own case, failed by the
    // relays that got worse, carrying every CHANGED line and the summary.
    void Baseline(const std::vector<std::string>& changed, std::uint32_t worse, const std::string& summary);
    // What was judged (the record, its program, its card), as each suite's <properties>.
    void Properties(std::vector<std::pair<std::string, std::string>> properties) { properties_ = std::move(properties); }
    void Write(std::ostream& out, const std::string& suite) const;

private:
    struct Case {
        bool present = false;
        std::vector<std::string> lines;  // the first MaxLines PROBLEM lines
        std::uint64_t problems = 0;
        std::string output;
    };
    // The cases in the order written: card check, SPI waits, boards 0-7, protocol, baseline.
    static constexpr std::size_t ProtocolCase = 2 + Boards;
    struct Suite {
        std::array<Case, ProtocolCase + 2> cases;  // those present are written
        std::string error;
        std::string name;  // of a run of several: "run 2 (lines 3095-6188): relaysweep"
        Suite() { cases[0].present = cases[1].present = cases[ProtocolCase].present = true; }
    };
    static constexpr std::size_t MaxLines = 100;  // a 19 MB record must not fill memory

    Case& Of(Concern concern, int board);
    Case& Of(const Finding& finding);
    void WriteCase(std::ostream& out, const Case& c, const std::string& name, const std::string& error) const;
    void WriteSuite(std::ostream& out, Suite s, const std::string& name, bool last) const;

    Suite now_;               // the run under way
    std::vector<Suite> runs_;  // the runs judged
    Case baseline_;
    std::vector<std::pair<std::string, std::string>> properties_;
};

}  // namespace relaylog

#endif
