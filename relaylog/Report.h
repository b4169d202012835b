// relaylog's report: words what the protocol follower finds, one PROBLEM line
// each, shows every board read back as its crosspoint grid, and ends with the
// traffic figures and the verdict.
#ifndef RELAYLOG_REPORT_H
#define RELAYLOG_REPORT_H

#include <ostream>
#include <string>

#include "Findings.h"

class ReportWriter : public FindingSink {
public:
    explicit ReportWriter(std::ostream& out) : out_(out) {}

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

private:
    std::ostream& out_;
    std::uint64_t problems_ = 0;
};

// The wording of one finding, without "PROBLEM line N: ".
std::string Describe(const Finding& finding);

#endif
