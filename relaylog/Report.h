// relaylog's report: words what the protocol follower finds, one PROBLEM line
// each, shows every board read back as its crosspoint grid (in a sweep record,
// with its thousand read-backs, only the verdict grids), judges every relay,
// and ends with the traffic figures, the relays' summary and the verdict.
#ifndef RELAYLOG_REPORT_H
#define RELAYLOG_REPORT_H

#include <functional>
#include <ostream>
#include <string>

#include "Findings.h"
#include "JUnit.h"
#include "RelayVerdicts.h"

namespace relaylog {

class ReportWriter : public FindingSink {
public:
    // With junit, every PROBLEM and ERROR line goes to it too.
    explicit ReportWriter(std::ostream& out, JUnitReport* junit = nullptr) : out_(out), junit_(junit) {}

    void SweepHeading(std::uint64_t line, std::uint32_t boards) override;
    void CardCheck(std::uint64_t line, bool found) override;
    void Revision(std::uint64_t line, std::uint32_t value) override;
    void BoardReadBack(const ReadBack& readBack) override;
    void Problem(const Finding& finding) override;

    // The last lines of a complete record; returns the exit status, 0 or 1.
    int Verdict(const Traffic& traffic);
    // "ERROR line N: why" (or "ERROR: why" for line 0); returns 2.
    int Error(std::uint64_t line, const std::string& why);
    // The error for a record that stops before its end.
    int Stopped(const Stop& stop);

    std::uint64_t Problems() const { return problems_; }
    // Every relay judged from the read-backs seen so far.
    const RelayVerdicts& Verdicts() const { return verdicts_; }

private:
    void ProblemLine(Concern concern, int board, std::uint64_t line, const std::string& text);
    // The verdict on every relay (VerdictReport.cpp): grids, PROBLEM lines, summary.
    void RelayVerdictGrids();
    void BoardProblems(int board);
    void RelayProblem(int relay);
    void RelaySummary();

    std::ostream& out_;
    JUnitReport* junit_;
    std::uint64_t problems_ = 0;
    bool sweep_ = false;
    RelayVerdicts verdicts_;
};

// A board's 8 x 16 crosspoints, rows 0-7 down and columns 0-15 across, each
// drawn as the three characters cell gives for its relay (0..127).
void DrawGrid(std::ostream& out, const std::function<std::string(int relay)>& cell);

// "1 poll", "3 polls"
std::string Count(std::uint64_t n, const char* one, const char* many);

// "stuck closed"
const char* ClassName(RelayClass k);

// "relay 100 (board 0, row 4, column 12)"
std::string RelayName(std::int64_t relay);

// The wording of one finding, without "PROBLEM line N: ".
std::string Describe(const Finding& finding);

}  // namespace relaylog

#endif
