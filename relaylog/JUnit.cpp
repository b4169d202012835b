#include "JUnit.h"

#include "Wording.h"
#include "XmlText.h"

namespace relaylog {

namespace {


std::string Problems(std::uint64_t n) { return std::to_string(n) + (n == 1 ? " problem" : " problems"); }

// Findings about the card check, the waits and one board fail those cases;
// the rest fail the protocol case.
template <typename Kind> Concern Of(const Kind&, int&) { return Concern::Protocol; }
Concern Of(const NoCard&, int&) { return Concern::CardCheck; }
Concern Of(const MissingRevision&, int&) { return Concern::CardCheck; }
Concern Of(const SecondCardCheck&, int&) { return Concern::CardCheck; }
Concern Of(const SecondRevision&, int&) { return Concern::CardCheck; }
Concern Of(const NoPoll&, int&) { return Concern::Waits; }
Concern Of(const PastLimit&, int&) { return Concern::Waits; }
Concern Of(const WaitWentOn&, int&) { return Concern::Waits; }
Concern Of(const StillBusyAtLimit&, int&) { return Concern::Waits; }
Concern Of(const GaveUpEarly&, int&) { return Concern::Waits; }
Concern Of(const StrayPoll&, int&) { return Concern::Waits; }
Concern OnBoard(std::int64_t which, int& board)
{
    board = static_cast<int>(which);
    return Concern::Board;
}
Concern Of(const RelayDiffers& k, int& board) { return OnBoard(BoardOf(k.relay), board); }
Concern Of(const ReportOtherBoard& k, int& board) { return OnBoard(k.fetch.number, board); }
Concern Of(const ReportLabels& k, int& board) { return OnBoard(k.fetch.number, board); }
Concern Of(const ReportMapMismatch& k, int& board) { return OnBoard(k.fetch.number, board); }
Concern Of(const ReportFetchMismatch& k, int& board) { return OnBoard(k.fetch.number, board); }
Concern Of(const PushLandsElsewhere& k, int& board) { return OnBoard(k.board, board); }
Concern Of(const BoardNotAnswering& k, int& board) { return OnBoard(k.board, board); }
Concern Of(const RelayStuckClosed& k, int& board) { return OnBoard(BoardOf(k.relay), board); }
Concern Of(const RelayStuckOpen& k, int& board) { return OnBoard(BoardOf(k.relay), board); }
Concern Of(const RelayErratic& k, int& board) { return OnBoard(BoardOf(k.relay), board); }

}  // namespace

Concern ConcernOf(const Finding& finding, int& board)
{
    board = -1;
    const Concern concern = std::visit([&](const auto& kind) { return Of(kind, board); }, finding.what);
    return concern == Concern::Board && (board < 0 || board >= Boards) ? Concern::Protocol : concern;
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

void JUnitReport::BoardReadBack(const ReadBack& readBack)
{
    if (readBack.board >= 0 && readBack.board < Boards)
        boards_[readBack.board].present = true;
}

void JUnitReport::Problem(const Finding& finding)
{
    int board = -1;
    const Concern concern = ConcernOf(finding, board);
    Case& c = Of(concern, board);
    c.present = true;
    if (c.problems++ < MaxLines)
        c.lines.push_back(ProblemLine(finding));
}

void JUnitReport::Verdicts(const RelayVerdicts& verdicts)
{
    for (int board = 0; board < Boards; ++board) {
        if (verdicts.Board(board).reads > 0)
            boards_[board].output = "Relays: " + ClassCounts(verdicts.Counts(board));
    }
}

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
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" << JUnitMarker << "\n"
        << "<testsuite name=\"" << XmlEscaped(suite, true) << "\" tests=\"" << tests << "\" failures=\"" << failures
        << "\" errors=\"" << (error_.empty() ? 0 : 1) << "\" skipped=\"0\" time=\"0\">\n";
    if (!properties_.empty()) {
        out << "  <properties>\n";
        for (const auto& [name, value] : properties_)
            out << "    <property name=\"" << XmlEscaped(name) << "\" value=\"" << XmlEscaped(value) << "\"/>\n";
        out << "  </properties>\n";
    }
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
