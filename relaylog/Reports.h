// relaylog's reports, each a consumer of the findings of a record, and the
// wording they share (Wording.cpp), so that they say the same thing in the
// same words. The text report: the card check and revision, a PROBLEM line per
// finding, each board read back as its crosspoint grid (in a sweep record,
// with its thousand read-backs, only the verdict grids), the traffic, the
// relays' summary and the verdict; or the ERROR line. The JUnit XML report,
// for CI: a test suite of cases for the card check, the SPI waits, each board
// read back and the record's protocol, a failed case carrying its PROBLEM
// lines. The page a technician can print: the headline and PROBLEM lines, then
// each board's crosspoints coloured by their classes, each relay named in its
// tooltip; inline CSS and SVG only, nothing fetched, no script, well-formed XML.
#ifndef RELAYLOG_REPORTS_H
#define RELAYLOG_REPORTS_H

#include <array>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Findings.h"

struct Wiring;

namespace relaylog {

// The station's wiring, by which relays are named in every report: none (the
// default), or one that outlives the reports. Set once, before judging.
void UseWiring(const Wiring* wiring);
const Wiring* StationWiring();

std::string Count(std::uint64_t n, const char* one, const char* many);  // "1 poll", "3 polls"
std::string Hex(std::uint32_t value, int width = 8);  // as the traces print it: "0002A1F7", an offset "104"
// "relay 100 (board 0, row 4, column 12)"; under a wiring with the names it
// gives: "relay 311 (board 2, row 7 0V, column 6 J4.7)"
std::string RelayName(std::int64_t relay);
std::string RelayRange(int board);  // "384-511"
const char* ClassName(RelayClass k);
// "128 functional, 0 partly verified, ...", and "N skipped by rule" after
// the unverified when there are any
std::string ClassCounts(const PerClass& counts);

// The report's own lines: "Card check (line 1): card found", "FPGA revision
// (line 2): 0002A1F7", "PASS: no problems" or "FAIL: 3 problems", "ERROR line
// N: why" (line 0: "ERROR: why"), and why a record that is not complete
// cannot be judged: where it stops and what was under way there.
std::string CardCheckLine(std::uint64_t line, bool found);
std::string RevisionLine(std::uint64_t line, std::uint32_t value);
std::string VerdictLine(std::uint64_t problems);
std::string ErrorLine(std::uint64_t line, const std::string& why);
std::string StopText(const Stop& stop);

// The wiring as a record names it, "bench-3.toml (checksum 0123456789ABCDEF)";
// why the station's wiring is not the one the record names (named, empty when
// it names none), empty when it is.
std::string WiringNamed(const Wiring& wiring);
std::string WiringWarning(const std::string& named);

std::string Describe(const Finding& finding);     // the sentence for one finding
std::string ProblemLine(const Finding& finding);  // "PROBLEM line N: sentence"

// Text as XML character data or an attribute value, for the JUnit report and
// the page. XML 1.0 cannot carry the control characters below a blank: they
// are left out, but for tabs, and for line feeds where the caller keeps them.
std::string XmlEscaped(const std::string& text, bool keepLineFeeds = false);


// What was judged (the record, its program, its card), in the JUnit report's
// <properties> and above the page's verdict.
using PropertyList = std::vector<std::pair<std::string, std::string>>;

class TextReport : public FindingSink {
public:
    explicit TextReport(std::ostream& out) : out_(out) {}

    void SweepHeading(std::uint64_t line, std::uint32_t boards) override
    {
        sweep_ = true;
        out_ << "Relay sweep (line " << line << "): boards " << BoardListText(boards) << "\n";
    }
    void CardCheck(std::uint64_t line, bool found) override { out_ << CardCheckLine(line, found) << "\n"; }
    void Revision(std::uint64_t line, std::uint32_t value) override { out_ << RevisionLine(line, value) << "\n"; }
    void BoardReadBack(const ReadBack& readBack) override;
    void RecordWiring(std::uint64_t line, const std::string& named) override;  // a WARNING when not the one given
    void RuleLine(const RecordLine& line) override;
    void Problem(const Finding& finding) override;
    void Verdicts(const RelayVerdicts& verdicts) override;
    void End(const Traffic& traffic) override;
    void Error(const std::string& line) override;

    // The run's status (0 PASS or 1 FAIL, once End has been), its problems,
    // its last line and its relays' summary.
    void Judge(Run& run) const
    {
        run.status = problems_ == 0 ? 0 : 1;
        run.problems = problems_;
        run.verdict = last_;
        run.relays = relays_;
    }
    // The report less its grids and figures: the PROBLEM lines, the relays'
    // summary and the verdict, or the ERROR line.
    const std::string& Brief() const { return brief_; }

    // Past this many findings of one kind, or read-backs drawn, the rest are
    // counted, not listed: a damaged record's report stays a few screens long
    // and is held in bounded memory. A relaytest run against a controller
    // stuck busy (45 waits) is listed whole.
    static constexpr std::uint64_t Listed = 50;

private:
    void Line(const std::string& line);
    void Unlisted();

    std::ostream& out_;
    std::uint64_t problems_ = 0;
    std::array<Tally, KindCount> kinds_{};  // the findings of each kind
    std::string brief_, last_;
    bool sweep_ = false;
    std::uint64_t readBacks_ = 0;  // of a relaytest or relayctl record, each drawn up to Listed
    std::uint64_t ruleLines_ = 0;  // skipped relays, refused commands, broken rules: each up to Listed
    std::string relays_;  // the relays' summary, once judged
};

// The comment each JUnit report carries, and the tag each page carries, by
// which relaylog knows a file it may write over.
inline constexpr const char* JUnitMarker = "<!-- written by relaylog -->";
inline constexpr const char* HtmlMarker = "<meta name=\"generator\" content=\"relaylog\"/>";

class JUnitReport : public FindingSink {
public:
    void BoardReadBack(const ReadBack& readBack) override;
    void Problem(const Finding& finding) override;  // its PROBLEM line, on the case of its concern
    void Verdicts(const RelayVerdicts& verdicts) override;  // each board's "Relays: ...", as its case's output
    void Error(const std::string& line) override { now_.cases[ProtocolCase].error = line; }
    void Judged(const Run& run) override;  // a file of several runs gets one test suite per run
    // The comparison with a baseline record: its own case in the last run's
    // suite, failed by the relays that got worse, carrying every CHANGED line
    // and the summary.
    void Baseline(const std::vector<std::string>& changed, std::uint32_t worse, const std::string& summary);
    void Properties(PropertyList properties) { properties_ = std::move(properties); }
    void Write(std::ostream& out, const std::string& suite) const;

private:
    struct Case {
        bool present = false;
        std::vector<std::string> lines;  // the first MaxLines PROBLEM lines
        std::uint64_t problems = 0;
        std::string output;
        std::string error;  // the protocol case's: the record cannot be judged
    };
    // The cases in the order written: card check, SPI waits, boards 0-7, protocol, baseline.
    static constexpr std::size_t ProtocolCase = 2 + Boards;
    struct Suite {
        std::array<Case, ProtocolCase + 2> cases;  // those present are written
        std::string name;  // of a run of several, "run 2 (lines 3095-6188): relaysweep"
        Suite() { cases[0].present = cases[1].present = cases[ProtocolCase].present = true; }
    };
    static constexpr std::size_t MaxLines = 100;  // a 19 MB record must not fill memory

    Case& Of(Concern concern, int board);
    void WriteCase(std::ostream& out, const Case& c, const std::string& name) const;
    void WriteSuite(std::ostream& out, const Suite& s, const std::string& name) const;

    Suite now_;               // the run under way
    std::vector<Suite> runs_;  // the runs judged
    PropertyList properties_;
};

// Takes the findings of one record, then writes the page. A file of several
// runs: the page has the file's verdict and every run's PROBLEM lines, the
// first run's card check and the worst run's relays.
class HtmlPage : public FindingSink {
public:
    void CardCheck(std::uint64_t line, bool found) override { Headline(CardCheckLine(line, found)); }
    void Revision(std::uint64_t line, std::uint32_t value) override { Headline(RevisionLine(line, value)); }
    void Problem(const Finding& finding) override
    {
        if (problemCount_++ < MaxProblemLines)
            problems_.push_back(ProblemLine(finding));
    }
    void Judged(const Run& run) override { FileJudged(run, run.verdict); }  // as the text report has it
    void Error(const std::string& line) override { verdict_ = line; }
    void RuleLine(const RecordLine& line) override;  // a route made: its title in its relays' tooltips
    void FileJudged(const Run& worst, const std::string& verdict) override
    {
        verdict_ = verdict;
        relays_ = worst.relays;
    }

    void Properties(PropertyList properties) { properties_ = std::move(properties); }
    // The page, each board drawn with the record's verdicts; comparison may be null.
    void Write(std::ostream& out, const RelayVerdicts& verdicts, const Comparison* comparison) const;

private:
    PropertyList properties_;
    static constexpr std::size_t MaxProblemLines = 500;  // the text report has them all
    void Headline(const std::string& line)  // the first run's card check and revision
    {
        if (headline_.size() < 2)
            headline_.push_back(line);
    }
    std::vector<std::string> headline_;
    std::vector<std::string> problems_;  // the first of them
    std::uint64_t problemCount_ = 0;
    std::string relays_;   // "Relays: ..."
    std::string verdict_;  // PASS, FAIL or the ERROR line
    std::map<int, std::string> routes_;  // relay: "; route TITLE" for each route made through it
};

}  // namespace relaylog

#endif
