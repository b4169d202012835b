// relaylog's report as JUnit XML, for CI and test-management systems: one
// test suite, one test case for the card check, one for the SPI waits, one per
// board read back and one for the record's protocol; a failed case carries its
// PROBLEM lines.
#ifndef RELAYLOG_JUNIT_H
#define RELAYLOG_JUNIT_H

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

// Which test case a problem fails.
enum class Concern { CardCheck, Waits, Board, Protocol };

// The concern of a finding, and for Board the board it is about.
Concern ConcernOf(const Finding& finding, int& board);

class JUnitReport : public FindingSink {
public:
    void BoardReadBack(const ReadBack& readBack) override;
    // Its PROBLEM line, on the case of its concern.
    void Problem(const Finding& finding) override;
    // What each board's relays came to ("Relays: ..."), as the case's output.
    void Verdicts(const RelayVerdicts& verdicts) override;
    // The record could not be judged: the ERROR line, on the protocol case.
    void Error(const std::string& line) override;
    // The comparison with a baseline record: its own case, failed by the
    // relays that got worse, carrying every CHANGED line and the summary.
    void Baseline(const std::vector<std::string>& changed, std::uint32_t worse, const std::string& summary);
    // What was judged (the record, its program, its card), as the suite's <properties>.
    void Properties(std::vector<std::pair<std::string, std::string>> properties) { properties_ = std::move(properties); }
    void Write(std::ostream& out, const std::string& suite) const;

private:
    struct Case {
        bool present = false;
        std::vector<std::string> lines;  // the first MaxLines PROBLEM lines
        std::uint64_t problems = 0;
        std::string output;
    };
    static constexpr std::size_t MaxLines = 100;  // a 19 MB record must not fill memory

    Case& Of(Concern concern, int board);
    void WriteCase(std::ostream& out, const Case& c, const std::string& name) const;

    Case card_;
    Case waits_;
    Case protocol_;
    Case baseline_;
    Case boards_[Boards];
    std::string error_;
    std::vector<std::pair<std::string, std::string>> properties_;
};

}  // namespace relaylog

#endif
