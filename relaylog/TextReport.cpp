#include "Reports.h"

#include <functional>

#include "Wiring.h"

namespace relaylog {

namespace {

// A board's 8 x 16 crosspoints, rows 0-7 down and columns 0-15 across, each
// drawn as the three characters cell gives for its relay (0..127), each line
// without its trailing blanks.
void DrawGrid(std::ostream& out, const std::function<std::string(int relay)>& cell)
{
    const auto print = [&out](std::string text) { out << text.erase(text.find_last_not_of(' ') + 1) << "\n"; };
    std::string header = "        ";
    for (int column = 0; column < Columns; ++column)
        header += (column < 10 ? " " : "") + std::to_string(column) + " ";
    print(header);
    for (int row = 0; row < Rows; ++row) {
        std::string text = "  row " + std::to_string(row) + " ";
        for (int column = 0; column < Columns; ++column)
            text += cell(column * Rows + row);
        print(text);
    }
}

// A route's path: "0:0:14, 1:0:5"; under a wiring "DMM_HI@ABUS1 (0:0:14), ...".
std::string RoutePath(const std::vector<std::int32_t>& path)
{
    std::string text;
    for (const std::int32_t relay : path)
        text += (text.empty() ? "" : ", ") +
                (StationWiring() != nullptr ? PathCrosspointName(*StationWiring(), relay)
                                            : std::to_string(BoardOf(relay)) + ":" + std::to_string(RowOf(relay)) +
                                                  ":" + std::to_string(ColumnOf(relay)));
    return text;
}

// A relay skipped by rule, a command refused, rules broken or a route line,
// with its line: "Skipped by rule (line 9): relay 316 (...): closing ... is
// forbidden (...)", "Route made (line 40): DMM_HI to P20 through ...".
std::string RuleLineText(const RecordLine& line)
{
    const std::string at = " (line " + std::to_string(line.number) + "): ";
    switch (line.kind) {
    case LineKind::RelaySkipped: return "Skipped by rule" + at + RelayName(line.n) + ": " + line.text;
    case LineKind::DeepSkip: return "Skipped by rule in a deep pass" + at + RelayName(line.n) + ": " + line.text;
    case LineKind::RouteMade:
        return "Route made" + at + line.text + " through " + RoutePath(line.path) + "; settle " +
               std::to_string(line.n) + " ms";
    case LineKind::RouteBroken: return "Route broken" + at + line.text + " through " + RoutePath(line.path);
    case LineKind::CommandRefused: return "Command refused" + at + line.text;
    case LineKind::RouteFailed: return "Route failed" + at + line.text;
    default: return "Rules broken" + at + line.text;
    }
}

}  // namespace

// A line both reports have.
void TextReport::Line(const std::string& line)
{
    out_ << line << "\n";
    brief_ += line + "\n";
}

void TextReport::Problem(const Finding& finding)
{
    ++problems_;
    Tally& kind = kinds_[static_cast<std::size_t>(finding.kind)];
    kind.Add(finding.line);
    if (kind.count <= Listed)
        Line(ProblemLine(finding));
}

void TextReport::RecordWiring(std::uint64_t line, const std::string& named)
{
    if (!named.empty())
        out_ << "Wiring (line " << line << "): " << named << "\n";
    const std::string warning = WiringWarning(named);
    if (!warning.empty())
        Line("WARNING line " + std::to_string(line) + ": " + warning);
}

void TextReport::RuleLine(const RecordLine& line)
{
    if (++ruleLines_ <= Listed)
        out_ << RuleLineText(line) << "\n";
}

void TextReport::Unlisted()
{
    if (ruleLines_ > Listed)
        out_ << "... and " << ruleLines_ - Listed << " more lines of the station's rules\n";
    if (readBacks_ > Listed)
        out_ << "\n... and " << Count(readBacks_ - Listed, "more read-back", "more read-backs") << ", not drawn\n";
    for (const Tally& kind : kinds_) {
        if (kind.count > Listed)
            Line("... and " + std::to_string(kind.count - Listed) + " more PROBLEM lines of the kind of line " +
                 std::to_string(kind.first));
    }
}

// In a sweep record the relays are judged at the end, with one grid per
// board: a grid for each of its thousand read-backs would bury the verdict.
void TextReport::BoardReadBack(const ReadBack& r)
{
    if (sweep_ || ++readBacks_ > Listed)
        return;
    const bool compared = r.pushedAt != 0;
    out_ << "\nBoard " << r.board << " (relays " << RelayRange(r.board) << ") read back at lines " << r.firstLine << "-"
         << r.lastLine;
    if (compared)
        out_ << ", compared with the push at line " << r.pushedAt << ":\n";
    else
        out_ << ", never pushed in this record: nothing to compare\n";
    DrawGrid(out_, [&](int c) {
        const bool marked = compared && Bit(r.fetched, c) != Bit(r.pushed, c);
        return std::string(1, marked ? '[' : ' ') + (Bit(r.fetched, c) ? 'X' : '.') + (marked ? ']' : ' ');
    });
    const auto differing = (BitsOf(r.fetched) ^ BitsOf(r.pushed)).count();
    if (compared && differing == 0)
        out_ << "  all 128 relays as pushed\n";
    else if (compared)
        out_ << "  " << Count(differing, "relay differs", "relays differ") << " from the push, marked [ ]\n";
}

// A grid of classes for every board read back; the verdicts' PROBLEM lines follow.
void TextReport::Verdicts(const RelayVerdicts& verdicts)
{
    const auto counts = verdicts.Counts();
    out_ << "\nRelay verdicts:";
    for (int k = 0; k < RelayClassCount; ++k) {
        if (IsListed(counts, k))
            out_ << (k == 0 ? " " : ", ") << Classes[k].mark << " " << Classes[k].name;
    }
    out_ << "\n";
    std::uint32_t unread = 0;
    for (int board = 0; board < Boards; ++board) {
        if (verdicts.Board(board).reads == 0) {
            unread |= 1u << board;
            continue;
        }
        out_ << "Relays of board " << board << " (" << RelayRange(board) << "), judged over "
             << Count(verdicts.Board(board).reads, "read-back", "read-backs") << ":\n";
        DrawGrid(out_, [&](int c) {
            return std::string(" ") + WordsOf(verdicts.ClassOf(board * RelaysPerBoard + c)).mark + " ";
        });
    }
    if (unread != 0)
        out_ << "Never read back after a push, every relay unverified: boards " << BoardListText(unread) << "\n";
    relays_ = "Relays: " + ClassCounts(verdicts.Counts());
}

void TextReport::End(const Traffic& t)
{
    Unlisted();
    out_ << "\nTraffic: " << Count(t.accesses, "SPI access", "SPI accesses") << ", "
         << Count(t.polls, "busy check", "busy checks");
    if (t.longestWait > 0)
        out_ << ", longest wait " << Count(t.longestWait, "poll", "polls") << " (line " << t.longestWaitLine << ")";
    out_ << "\n";
    last_ = VerdictLine(problems_);
    Line(relays_);
    Line(last_);
}

void TextReport::Error(const std::string& line)
{
    Unlisted();
    last_ = line;
    Line(line);
}

}  // namespace relaylog
