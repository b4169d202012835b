#include "RelayVerdicts.h"

#include "Wording.h"

namespace relaylog {

void RelayVerdicts::BoardReadBack(const ReadBack& r)
{
    if (r.pushedAt == 0 || r.board < 0 || r.board >= Boards)
        return;
    const auto first = static_cast<std::size_t>(r.board) * RelaysPerBoard;
    for (int c = 0; c < RelaysPerBoard && r.landedFrom < 0; ++c) {
        if (Bit(r.fetched, c) && Bit(r.pushed, c))
            seenClosed_.set(first + static_cast<std::size_t>(c));
    }
    if (r.deep) {
        ObserveDeep(r);
        return;
    }
    if (r.landedFrom >= 0) {
        Landing& landing = landings_[static_cast<std::size_t>(r.landedFrom)][static_cast<std::size_t>(r.board)];
        if (landing.seen.Add(r.lastLine))
            landing.push = r.landedAt;
        return;
    }
    BoardSeen& board = boards_[static_cast<std::size_t>(r.board)];
    ++board.reads;
    board.allOnes = board.allOnes && r.fetched == Words{~0u, ~0u, ~0u, ~0u};
    board.allZeros = board.allZeros && r.fetched == Words{};
    if (r.fetched != r.pushed)
        board.differing.Add(r.lastLine);
    for (int c = 0; c < RelaysPerBoard; ++c) {
        RelaySeen& relay = relays_[first + static_cast<std::size_t>(c)];
        const bool pushed = Bit(r.pushed, c);
        const bool fetched = Bit(r.fetched, c);
        ++relay.reads;
        relay.pushedOn += pushed ? 1u : 0u;
        relay.readOn += fetched ? 1u : 0u;
        if (pushed != fetched && relay.differs.Add(r.wordLines[static_cast<std::size_t>(c / 32)])) {
            relay.firstSwitch = r.lastSwitch;
            relay.firstReadOn = fetched;
        }
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
    if (r.differs.count == 0 && !skipped_.empty() && skipped_.count(relay) != 0)
        return RelayClass::SkippedByRule;
    if (r.reads == 0)
        return RelayClass::Unverified;
    if (r.differs.count == 0)
        return r.pushedOn > 0 && r.pushedOn < r.reads ? RelayClass::Functional : RelayClass::PartlyVerified;
    if (r.readOn == r.reads && r.pushedOn < r.reads)
        return RelayClass::StuckClosed;
    if (r.readOn == 0 && r.pushedOn > 0)
        return RelayClass::StuckOpen;
    return RelayClass::Erratic;
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

std::vector<Finding> RelayVerdicts::Findings() const
{
    std::vector<Finding> found;
    for (int board = 0; board < Boards; ++board) {
        const std::vector<Finding>& deep = deepFound_[static_cast<std::size_t>(board)];
        if (BoardWide(deepClass_[static_cast<std::size_t>(board) * RelaysPerBoard])) {
            found.push_back(deep.front());
            continue;
        }
        for (int from = 0; from < Boards; ++from) {
            const Landing& landing = landings_[static_cast<std::size_t>(from)][static_cast<std::size_t>(board)];
            if (landing.seen.count > 0)
                found.push_back({landing.seen.first, Kind::PushLandsElsewhere, board, from, {landing.seen.count, landing.push}});
        }
        // Every read-back all ones, or all zeros, while two relays or more
        // differed from their pushes: the board itself does not answer. A
        // lone stuck relay reads back all zeros when it alone was pushed closed.
        const BoardSeen& b = Board(board);
        int differing = 0;
        for (int c = 0; c < RelaysPerBoard && b.reads > 0; ++c)
            differing += Relay(board * RelaysPerBoard + c).differs.count > 0 ? 1 : 0;
        if (differing >= 2 && (b.allOnes || b.allZeros)) {
            found.push_back({b.differing.first, Kind::BoardNotAnswering, board, -1, {b.reads}, b.allOnes});
        } else {
            for (int relay = board * RelaysPerBoard; relay < (board + 1) * RelaysPerBoard; ++relay) {
                const RelaySeen& r = Relay(relay);
                const RelayClass k = ClassOf(relay);
                if (k == RelayClass::StuckClosed)
                    found.push_back({r.differs.first, Kind::RelayStuckClosed, relay, -1, {r.reads, r.reads - r.pushedOn}});
                else if (k == RelayClass::StuckOpen)
                    found.push_back({r.differs.first, Kind::RelayStuckOpen, relay, -1, {r.reads, r.pushedOn}});
                else if (k == RelayClass::Erratic)
                    found.push_back({r.differs.first, Kind::RelayErratic, relay, r.firstSwitch,
                                     {r.reads, r.differs.count}, r.firstReadOn});
            }
        }
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
