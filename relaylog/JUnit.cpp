#include "Reports.h"

namespace relaylog {

// A board's case, or that of the concern; a board outside the matrix fails the protocol case.
JUnitReport::Case& JUnitReport::Of(Concern concern, int board)
{
    if (board >= 0 && board < Boards)
        return now_.cases[2 + static_cast<std::size_t>(board)];
    return now_.cases[concern == Concern::CardCheck ? 0 : concern == Concern::Waits ? 1 : ProtocolCase];
}

void JUnitReport::BoardReadBack(const ReadBack& readBack) { Of(Concern::Board, readBack.board).present = true; }

void JUnitReport::Problem(const Finding& finding)
{
    Case& c = Of(ConcernOf(finding.kind), CaseBoard(finding));
    c.present = true;
    if (c.problems++ < MaxLines)
        c.lines.push_back(ProblemLine(finding));
}

void JUnitReport::Verdicts(const RelayVerdicts& verdicts)
{
    for (int board = 0; board < Boards; ++board) {
        if (verdicts.Board(board).reads > 0)
            Of(Concern::Board, board).output = "Relays: " + ClassCounts(verdicts.Counts(board));
    }
}

void JUnitReport::Judged(const Run& run)
{
    now_.name = "run " + std::to_string(run.number) + " (lines " + std::to_string(run.firstLine) + "-" +
                std::to_string(run.lastLine) + "): " + run.program->program;
    runs_.push_back(std::move(now_));
    now_ = Suite{};
}

void JUnitReport::Baseline(const std::vector<std::string>& changed, std::uint32_t worse, const std::string& summary)
{
    Case& c = (runs_.empty() ? now_ : runs_.back()).cases[ProtocolCase + 1];
    c.present = true;
    c.problems = worse;
    c.lines.assign(changed.begin(), changed.begin() + static_cast<std::ptrdiff_t>(std::min(changed.size(), MaxLines)));
    c.output = summary;
}

void JUnitReport::WriteCase(std::ostream& out, const Case& c, const std::string& name) const
{
    out << "  <testcase classname=\"relaylog\" name=\"" << name << "\" time=\"0\"";
    if (c.problems == 0 && c.error.empty() && c.output.empty()) {
        out << "/>\n";
        return;
    }
    out << ">\n";
    if (!c.error.empty())
        out << "    <error message=\"" << XmlEscaped(c.error, true) << "\" type=\"record\"/>\n";
    if (c.problems > 0) {
        out << "    <failure message=\"" << Count(c.problems, "problem", "problems") << "\" type=\"problem\">";
        for (const std::string& line : c.lines)
            out << XmlEscaped(line, true) << "\n";
        if (c.problems > c.lines.size())
            out << "... and " << c.problems - c.lines.size() << " more PROBLEM lines\n";
        out << "</failure>\n";
    }
    if (!c.output.empty())
        out << "    <system-out>" << XmlEscaped(c.output, true) << "</system-out>\n";
    out << "  </testcase>\n";
}

void JUnitReport::WriteSuite(std::ostream& out, const Suite& s, const std::string& name) const
{
    int tests = 0;
    int failures = 0;
    for (const Case& c : s.cases) {
        tests += c.present ? 1 : 0;
        failures += c.problems > 0 ? 1 : 0;
    }
    out << "<testsuite name=\"" << XmlEscaped(name, true) << "\" tests=\"" << tests << "\" failures=\"" << failures
        << "\" errors=\"" << (s.cases[ProtocolCase].error.empty() ? 0 : 1) << "\" skipped=\"0\" time=\"0\">\n";
    if (!properties_.empty()) {
        out << "  <properties>\n";
        for (const auto& [key, value] : properties_)
            out << "    <property name=\"" << XmlEscaped(key) << "\" value=\"" << XmlEscaped(value) << "\"/>\n";
        out << "  </properties>\n";
    }
    for (std::size_t i = 0; i < s.cases.size(); ++i) {
        const std::string caseName = i == 0 ? "card check" : i == 1 ? "SPI waits" : i == ProtocolCase ? "protocol"
                                     : i > ProtocolCase ? "baseline" : "board " + std::to_string(i - 2);
        if (s.cases[i].present)
            WriteCase(out, s.cases[i], caseName);
    }
    out << "</testsuite>\n";
}

void JUnitReport::Write(std::ostream& out, const std::string& suite) const
{
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" << JUnitMarker << "\n";
    if (runs_.size() <= 1) {
        WriteSuite(out, runs_.empty() ? now_ : runs_[0], suite);
        return;
    }
    out << "<testsuites name=\"" << XmlEscaped(suite, true) << "\">\n";
    for (const Suite& run : runs_)
        WriteSuite(out, run, suite + " " + run.name);
    out << "</testsuites>\n";
}

}  // namespace relaylog
