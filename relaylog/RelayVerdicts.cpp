#include "RelayVerdicts.h"

namespace relaylog {

void RelayVerdicts::Observe(const ReadBack& r)
{
    if (r.pushedAt == 0 || r.board < 0 || r.board >= Boards)
        return;
    if (r.landedFrom >= 0) {
        Landing& landing = landings_[static_cast<std::size_t>(r.landedFrom)][static_cast<std::size_t>(r.board)];
        if (landing.count++ == 0) {
            landing.firstLine = r.lastLine;
            landing.firstPush = r.landedAt;
        }
        return;
    }
    BoardSeen& board = boards_[static_cast<std::size_t>(r.board)];
    ++board.reads;
    board.allOnes = board.allOnes && r.fetched == Words{~0u, ~0u, ~0u, ~0u};
    board.allZeros = board.allZeros && r.fetched == Words{};
    if (r.fetched != r.pushed && board.differing++ == 0)
        board.firstDiffLine = r.lastLine;
    for (int c = 0; c < RelaysPerBoard; ++c) {
        RelaySeen& relay = relays_[static_cast<std::size_t>(r.board) * RelaysPerBoard + static_cast<std::size_t>(c)];
        const bool pushed = Bit(r.pushed, c);
        const bool fetched = Bit(r.fetched, c);
        ++relay.reads;
        relay.pushedOn += pushed ? 1u : 0u;
        relay.readOn += fetched ? 1u : 0u;
        if (pushed == fetched || relay.differs++ != 0)
            continue;
        relay.firstDiffLine = r.wordLines[static_cast<std::size_t>(c / 32)];
        relay.firstDiffSwitch = r.lastSwitch;
        relay.firstDiffReadOn = fetched;
    }
}

void RelayVerdicts::RuleLine(const RecordLine& line)
{
    if (line.kind == LineKind::RelaySkipped)
        skipped_[line.n] = line.text;
}

std::string RelayVerdicts::SkipReason(int relay) const
{
    const auto found = skipped_.find(relay);
    return found == skipped_.end() ? std::string() : found->second;
}

RelayClass RelayVerdicts::ClassOf(int relay) const
{
    const RelaySeen& r = Relay(relay);
    if (r.differs == 0 && !skipped_.empty() && skipped_.count(relay) != 0)
        return RelayClass::SkippedByRule;
    if (r.reads == 0)
        return RelayClass::Unverified;
    if (r.differs == 0)
        return r.pushedOn > 0 && r.pushedOn < r.reads ? RelayClass::Functional : RelayClass::PartlyVerified;
    if (r.readOn == r.reads && r.pushedOn < r.reads)
        return RelayClass::StuckClosed;
    if (r.readOn == 0 && r.pushedOn > 0)
        return RelayClass::StuckOpen;
    return RelayClass::Erratic;
}

// A lone stuck relay reads back all zeros when it alone was pushed closed:
// only two relays or more that differ from their pushes show the board itself.
BoardFault RelayVerdicts::FaultOf(int board) const
{
    const BoardSeen& b = Board(board);
    int differing = 0;
    for (int c = 0; c < RelaysPerBoard && b.reads > 0; ++c)
        differing += Relay(board * RelaysPerBoard + c).differs > 0 ? 1 : 0;
    if (differing < 2)
        return BoardFault::None;
    return b.allOnes ? BoardFault::AllOnes : b.allZeros ? BoardFault::AllZeros : BoardFault::None;
}

std::array<std::uint32_t, RelayClassCount> RelayVerdicts::Counts(int board) const
{
    std::array<std::uint32_t, RelayClassCount> counts{};
    const int first = board < 0 ? 0 : board * RelaysPerBoard;
    const int end = board < 0 ? Relays : first + RelaysPerBoard;
    for (int relay = first; relay < end; ++relay)
        ++counts[static_cast<std::size_t>(ClassOf(relay))];
    return counts;
}

namespace {

// The finding for one relay's verdict, if it is at fault.
void RelayFinding(const RelayVerdicts& v, int relay, std::vector<Finding>& found)
{
    const RelaySeen& r = v.Relay(relay);
    switch (v.ClassOf(relay)) {
    case RelayClass::StuckClosed:
        found.push_back({r.firstDiffLine, RelayStuckClosed{relay, r.reads, r.reads - r.pushedOn}});
        return;
    case RelayClass::StuckOpen:
        found.push_back({r.firstDiffLine, RelayStuckOpen{relay, r.reads, r.pushedOn}});
        return;
    case RelayClass::Erratic:
        found.push_back(
            {r.firstDiffLine, RelayErratic{relay, r.reads, r.differs, r.firstDiffReadOn, r.firstDiffSwitch}});
        return;
    case RelayClass::Functional:
    case RelayClass::PartlyVerified:
    case RelayClass::Unverified:
    case RelayClass::SkippedByRule: break;
    }
}

}  // namespace

std::vector<Finding> RelayVerdicts::Findings() const
{
    std::vector<Finding> found;
    for (int board = 0; board < Boards; ++board) {
        for (int from = 0; from < Boards; ++from) {
            const Landing& landing = Landed(from, board);
            if (landing.count > 0)
                found.push_back({landing.firstLine, PushLandsElsewhere{board, from, landing.firstPush, landing.count}});
        }
        const BoardFault fault = FaultOf(board);
        if (fault != BoardFault::None) {
            found.push_back({Board(board).firstDiffLine,
                             BoardNotAnswering{board, fault == BoardFault::AllOnes, Board(board).reads}});
            continue;
        }
        for (int c = 0; c < RelaysPerBoard; ++c)
            RelayFinding(*this, board * RelaysPerBoard + c, found);
    }
    return found;
}

}  // namespace relaylog
