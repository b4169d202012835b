#include "RelayVerdicts.h"

#include <type_traits>
#include <variant>

#include "Wording.h"

namespace relaylog {

void RelayVerdicts::Observe(const ReadBack& r)
{
    if (r.pushedAt == 0 || r.board < 0 || r.board >= Boards)
        return;
    for (int c = 0; c < RelaysPerBoard && r.landedFrom < 0; ++c) {
        if (Bit(r.fetched, c) && Bit(r.pushed, c))
            seenClosed_.set(static_cast<std::size_t>(r.board) * RelaysPerBoard + static_cast<std::size_t>(c));
    }
    if (r.deep) {
        ObserveDeep(r);
        return;
    }
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

// A deep verdict stands for a relay's plain one where it explains it: a late
// relay reads stuck open or erratic to the plain sweep, a shifted board's
// relays erratic. A relay that opens or closes another keeps a plain fault of
// its own, and both are reported.
RelayClass RelayVerdicts::ClassOf(int relay) const
{
    const RelayClass deep = deepClass_[static_cast<std::size_t>(relay)];
    const RelayClass plain = PlainClassOf(relay);
    const bool plainFault = plain == RelayClass::StuckClosed || plain == RelayClass::StuckOpen ||
                            plain == RelayClass::Erratic;
    if (deep == RelayClass::Functional ||
        (plainFault && (deep == RelayClass::OpensAnother || deep == RelayClass::ClosesElsewhere)))
        return plain;
    return deep;
}

RelayClass RelayVerdicts::PlainClassOf(int relay) const
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

template <typename Kind> bool IsBoardVerdict(const Kind&)
{
    return std::is_same_v<Kind, BoardDropsUnderLoad> || std::is_same_v<Kind, BoardShifted> ||
           std::is_same_v<Kind, BoardAnswersForOther>;
}

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
    default: break;  // no fault, or a deep verdict
    }
}

}  // namespace

std::vector<Finding> RelayVerdicts::Findings() const
{
    std::vector<Finding> found;
    for (int board = 0; board < Boards; ++board) {
        const std::vector<Finding>& deep = deepFound_[static_cast<std::size_t>(board)];
        const bool boardVerdict = !deep.empty() && std::visit([](const auto& k) { return IsBoardVerdict(k); },
                                                               deep.front().what);
        if (boardVerdict) {
            found.push_back(deep.front());
            continue;
        }
        for (int from = 0; from < Boards; ++from) {
            const Landing& landing = Landed(from, board);
            if (landing.count > 0)
                found.push_back({landing.firstLine, PushLandsElsewhere{board, from, landing.firstPush, landing.count}});
        }
        const BoardFault fault = FaultOf(board);
        if (fault != BoardFault::None)
            found.push_back({Board(board).firstDiffLine,
                             BoardNotAnswering{board, fault == BoardFault::AllOnes, Board(board).reads}});
        for (int c = 0; c < RelaysPerBoard && fault == BoardFault::None; ++c)
            RelayFinding(*this, board * RelaysPerBoard + c, found);
        found.insert(found.end(), deep.begin(), deep.end());
    }
    return found;
}

Comparison Compare(const RelayVerdicts& old, const RelayVerdicts& now)
{
    Comparison c;
    for (int relay = 0; relay < Relays; ++relay) {
        const RelayClass then = old.ClassOf(relay);
        const RelayClass is = now.ClassOf(relay);
        const int was = WordsOf(then).severity;
        const int gets = WordsOf(is).severity;
        // Like with like: a relay one record never verified (or skipped by
        // rule) is not compared, and seen only as pushed in both, it is as it was.
        if (then == RelayClass::Unverified || then == RelayClass::SkippedByRule || is == RelayClass::Unverified ||
            is == RelayClass::SkippedByRule) {
            ++c.notCompared;
        } else if (then == is || (was <= 1 && gets <= 1)) {
            ++c.unchanged;
        } else {
            c.changed[static_cast<std::size_t>(relay)] = true;
            ++(gets > was ? c.worse : c.better);
            c.lines.push_back("CHANGED " + RelayName(relay) + ": " + ClassName(then) + " -> " + ClassName(is));
        }
    }
    return c;
}

std::string SummaryOf(const Comparison& c)
{
    return "Since baseline: " + std::to_string(c.worse) + " worse, " + std::to_string(c.better) + " better, " +
           std::to_string(c.unchanged) + " unchanged, " + std::to_string(c.notCompared) + " not compared";
}

}  // namespace relaylog
