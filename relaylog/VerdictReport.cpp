// The report's verdict on every relay: a grid of classes per board read back,
// a PROBLEM line for each stuck or erratic relay (or one for a board that does
// not answer, or that shows another board's push), and the summary line.
#include <string>

#include "Report.h"

namespace relaylog {

namespace {

constexpr const char* ClassNames[RelayClassCount] = {"functional", "partly verified", "unverified",
                                                     "stuck closed", "stuck open", "erratic"};
constexpr char ClassMarks[RelayClassCount] = {'F', 'p', '?', 'C', 'O', 'E'};

std::string BoardName(int board)
{
    return "board " + std::to_string(board) + " (relays " + std::to_string(board * RelaysPerBoard) + "-" +
           std::to_string(board * RelaysPerBoard + RelaysPerBoard - 1) + ")";
}

// "128 functional, 0 partly verified, ..."
std::string ClassCounts(const std::array<std::uint32_t, RelayClassCount>& counts)
{
    std::string text;
    for (int k = 0; k < RelayClassCount; ++k)
        text += (k == 0 ? "" : ", ") + std::to_string(counts[static_cast<std::size_t>(k)]) + " " + ClassNames[k];
    return text;
}

std::string Erratic(const RelaySeen& r)
{
    std::string text = "erratic: " + std::to_string(r.differs) + " of " + Count(r.reads, "read-back", "read-backs") +
                       (r.differs == 1 ? " differs" : " differ") + " from the push; first read back " +
                       (r.firstDiffReadOn ? "on" : "off") + ", pushed " + (r.firstDiffReadOn ? "off" : "on") + ", ";
    if (r.firstDiffSwitch < 0)
        return text + "with no relay switched before it";
    return text + "when relay " + std::to_string(r.firstDiffSwitch) + " was switched";
}

}  // namespace

const char* ClassName(RelayClass k) { return ClassNames[static_cast<int>(k)]; }

void ReportWriter::RelayVerdictGrids()
{
    out_ << "\nRelay verdicts: F functional, p partly verified, ? unverified, C stuck closed, O stuck open, E erratic\n";
    std::uint32_t unread = 0;
    for (int board = 0; board < Boards; ++board) {
        if (verdicts_.Board(board).reads == 0) {
            unread |= 1u << board;
            continue;
        }
        out_ << "Relays of board " << board << " (" << board * RelaysPerBoard << "-"
             << board * RelaysPerBoard + RelaysPerBoard - 1 << "), judged over "
             << Count(verdicts_.Board(board).reads, "read-back", "read-backs") << ":\n";
        DrawGrid(out_, [&](int c) {
            return std::string(" ") + ClassMarks[static_cast<int>(verdicts_.ClassOf(board * RelaysPerBoard + c))] + " ";
        });
    }
    if (unread != 0)
        out_ << "Never read back after a push, every relay unverified: boards " << BoardListText(unread) << "\n";
    for (int board = 0; board < Boards; ++board)
        BoardProblems(board);
}

// The problems of one board: the board as a whole, then relay by relay.
void ReportWriter::BoardProblems(int board)
{
    for (int from = 0; from < Boards; ++from) {
        const Landing& landing = verdicts_.Landed(from, board);
        if (landing.count > 0)
            ProblemLine(Concern::Board, board, landing.firstLine,
                        BoardName(board) + " read back the push to board " + std::to_string(from) + " at line " +
                            std::to_string(landing.firstPush) + " instead of its own: pushes to board " +
                            std::to_string(from) + " also land on board " + std::to_string(board) + " (" +
                            Count(landing.count, "read-back", "read-backs") + ")");
    }
    const BoardFault fault = verdicts_.FaultOf(board);
    if (fault != BoardFault::None) {
        const BoardSeen& b = verdicts_.Board(board);
        ProblemLine(Concern::Board, board, b.firstDiffLine,
                    BoardName(board) + " read back all " + (fault == BoardFault::AllOnes ? "ones" : "zeros") +
                        " every time (" + Count(b.reads, "read-back", "read-backs") +
                        "), whatever was pushed: not fitted, or not answering");
    } else {
        for (int c = 0; c < RelaysPerBoard; ++c)
            RelayProblem(board * RelaysPerBoard + c);
    }
    if (junit_ != nullptr && verdicts_.Board(board).reads > 0)
        junit_->BoardSummary(board, "Relays: " + ClassCounts(verdicts_.Counts(board)));
}

void ReportWriter::RelayProblem(int relay)
{
    const RelaySeen& r = verdicts_.Relay(relay);
    std::string what;
    switch (verdicts_.ClassOf(relay)) {
    case RelayClass::StuckClosed:
        what = "stuck closed: read back on every time (" + Count(r.reads, "read-back", "read-backs") + "), " +
               std::to_string(r.reads - r.pushedOn) + " of them pushed off";
        break;
    case RelayClass::StuckOpen:
        what = "stuck open: read back off every time (" + Count(r.reads, "read-back", "read-backs") + "), " +
               std::to_string(r.pushedOn) + " of them pushed on";
        break;
    case RelayClass::Erratic: what = Erratic(r); break;
    default: return;
    }
    ProblemLine(Concern::Board, BoardOf(relay), r.firstDiffLine, RelayName(relay) + ": " + what);
}

void ReportWriter::RelaySummary() { out_ << "Relays: " << ClassCounts(verdicts_.Counts()) << "\n"; }

}  // namespace relaylog
