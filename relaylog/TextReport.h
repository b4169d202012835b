// relaylog's text report: the card check and revision, one PROBLEM line for
// each finding, every board read back as its crosspoint grid (in a sweep
// record, with its thousand read-backs, only the verdict grids), the verdict
// grid of every board, and the traffic figures, the relays' summary and the
// verdict; or, for a record that cannot be judged, the ERROR line.
#ifndef RELAYLOG_TEXTREPORT_H
#define RELAYLOG_TEXTREPORT_H

#include <array>
#include <ostream>
#include <string>

#include "Findings.h"
#include "RelayVerdicts.h"

namespace relaylog {

class TextReport : public FindingSink {
public:
    explicit TextReport(std::ostream& out) : out_(out) {}

    void SweepHeading(std::uint64_t line, std::uint32_t boards) override;
    void CardCheck(std::uint64_t line, bool found) override;
    void Revision(std::uint64_t line, std::uint32_t value) override;
    void BoardReadBack(const ReadBack& readBack) override;
    // The record's wiring, and a WARNING line when it is not the one given.
    void RecordWiring(std::uint64_t line, const std::string& named) override;
    void RuleLine(const RecordLine& line) override;
    void Problem(const Finding& finding) override;
    void Verdicts(const RelayVerdicts& verdicts) override;
    void End(const Traffic& traffic) override;
    void Error(const std::string& line) override;

    // 0 PASS or 1 FAIL, once End has been.
    int Status() const { return problems_ == 0 ? 0 : 1; }
    std::uint64_t Problems() const { return problems_; }
    // The report less its grids and figures: the PROBLEM lines, the relays'
    // summary and the verdict, or the ERROR line; and that last line alone.
    const std::string& Brief() const { return brief_; }
    const std::string& Last() const { return last_; }
    const std::string& Relays() const { return relays_; }

    // Past this many findings of one kind, or read-backs drawn, the rest are
    // counted, not listed: a damaged record's report stays a few screens
    // long, and a run's report is held whole (a file of several runs gets
    // headings) in bounded memory. A relaytest run against a controller stuck
    // busy (45 waits) is listed whole.
    static constexpr std::uint64_t Listed = 50;

private:
    void Line(const std::string& line);
    void Unlisted();

    struct Tally {
        std::uint64_t count = 0;
        std::uint64_t firstLine = 0;
    };

    std::ostream& out_;
    std::uint64_t problems_ = 0;
    std::array<Tally, KindCount> kinds_{};
    std::string brief_;
    std::string last_;
    bool sweep_ = false;
    std::uint64_t readBacks_ = 0;  // of a relaytest or relayctl record, each drawn up to Listed
    std::uint64_t ruleLines_ = 0;  // skipped relays, refused commands, broken rules: each up to Listed
    std::string relays_;  // the relays' summary, once judged
};

}  // namespace relaylog

#endif
