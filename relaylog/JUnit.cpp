#include "JUnit.h"

#include "XmlText.h"

namespace relaylog {

namespace {


std::string Problems(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " problem" : " problems"); }

}  // namespace

Concern ConcernOf(const Finding& f, int& board)
{
    board = -1;
    switch (f.kind) {
    case FindingKind::NoCard:
    case FindingKind::MissingRevision:
    case FindingKind::SecondCardCheck:
    case FindingKind::SecondRevision: return Concern::CardCheck;
    case FindingKind::NoPoll:
    case FindingKind::PastLimit:
    case FindingKind::WaitWentOn:
    case FindingKind::StillBusyAtLimit:
    case FindingKind::GaveUpEarly:
    case FindingKind::StrayPoll: return Concern::Waits;
    case FindingKind::RelayDiffers: board = static_cast<int>(BoardOf(f.n)); return Concern::Board;
    case FindingKind::ReportOtherBoard:
    case FindingKind::ReportLabels:
    case FindingKind::ReportMapMismatch:
    case FindingKind::ReportFetchMismatch: board = f.within.number; break;
    default: break;
    }
    return board >= 0 && board < Boards ? Concern::Board : Concern::Protocol;
}

JUnitReport::Case& JUnitReport::Of(Concern concern, int board)
{
    switch (concern) {
    case Concern::CardCheck: return card_;
    case Concern::Waits: return waits_;
    case Concern::Board:
        if (board >= 0 && board < Boards)
            return boards_[board];
        break;
    case Concern::Protocol: break;
    }
    return protocol_;
}

void JUnitReport::BoardReadBack(int board)
{
    if (board >= 0 && board < Boards)
        boards_[board].present = true;
}

void JUnitReport::Problem(Concern concern, int board, const std::string& line)
{
    Case& c = Of(concern, board);
    c.present = true;
    if (c.problems++ < MaxLines)
        c.lines.push_back(line);
}

void JUnitReport::BoardSummary(int board, const std::string& text) { Of(Concern::Board, board).output = text; }

void JUnitReport::Error(const std::string& line) { error_ = line; }

void JUnitReport::Baseline(const std::vector<std::string>& changed, std::uint32_t worse, const std::string& summary)
{
    baseline_.present = true;
    baseline_.problems = worse;
    for (std::size_t i = 0; i < changed.size() && i < MaxLines; ++i)
        baseline_.lines.push_back(changed[i]);
    baseline_.output = summary;
}

void JUnitReport::WriteCase(std::ostream& out, const Case& c, const std::string& name) const
{
    out << "  <testcase classname=\"relaylog\" name=\"" << name << "\" time=\"0\"";
    const bool error = &c == &protocol_ && !error_.empty();
    if (c.problems == 0 && !error && c.output.empty()) {
        out << "/>\n";
        return;
    }
    out << ">\n";
    if (error)
        out << "    <error message=\"" << XmlEscaped(error_, true) << "\" type=\"record\"/>\n";
    if (c.problems > 0) {
        out << "    <failure message=\"" << Problems(c.problems) << "\" type=\"problem\">";
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

void JUnitReport::Write(std::ostream& out, const std::string& suite) const
{
    int tests = baseline_.present ? 4 : 3;
    int failures = (card_.problems > 0) + (waits_.problems > 0) + (protocol_.problems > 0) + (baseline_.problems > 0);
    for (const Case& board : boards_) {
        tests += board.present ? 1 : 0;
        failures += board.problems > 0 ? 1 : 0;
    }
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        << "<testsuite name=\"" << XmlEscaped(suite, true) << "\" tests=\"" << tests << "\" failures=\"" << failures
        << "\" errors=\"" << (error_.empty() ? 0 : 1) << "\" skipped=\"0\" time=\"0\">\n";
    WriteCase(out, card_, "card check");
    WriteCase(out, waits_, "SPI waits");
    for (int b = 0; b < Boards; ++b) {
        if (boards_[b].present)
            WriteCase(out, boards_[b], "board " + std::to_string(b));
    }
    WriteCase(out, protocol_, "protocol");
    if (baseline_.present)
        WriteCase(out, baseline_, "baseline");
    out << "</testsuite>\n";
}

}  // namespace relaylog
