#include "Findings.h"

#include <algorithm>
#include <bitset>

#include "Reports.h"

namespace relaylog {

namespace {

bool PlainFault(RelayClass k)
{
    return k == RelayClass::StuckClosed || k == RelayClass::StuckOpen || k == RelayClass::Erratic;
}

// The deep verdicts are named as their classes are, in the same order.
RelayClass DeepClassOf(Kind kind)
{
    const int deep = static_cast<int>(kind) - static_cast<int>(Kind::RelayOpensAnother);
    return static_cast<RelayClass>(PlainClassCount + deep);
}
static_assert(static_cast<int>(Kind::BoardAnswersForOther) - static_cast<int>(Kind::RelayOpensAnother) ==
              static_cast<int>(RelayClass::AnswersForOther) - PlainClassCount);
// Of them, those on a board as a whole, which each of its relays takes, fail the board's case.
bool IsBoardWide(Kind kind) { return ConcernOf(kind) == Concern::Board; }

}  // namespace

void RelayVerdicts::BoardReadBack(const ReadBack& r)
{
    if (r.pushedAt == 0)
        return;
    const auto first = static_cast<std::size_t>(r.board) * RelaysPerBoard;
    if (r.landedFrom < 0)
        seenClosed_[static_cast<std::size_t>(r.board)] |= BitsOf(r.fetched) & BitsOf(r.pushed);
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
    const Finding* found = DeepFindingOf(relay);
    const RelayClass deep = found != nullptr ? DeepClassOf(found->kind) : RelayClass::Functional;
    const RelayClass plain = PlainClassOf(relay);
    if (deep == RelayClass::Functional ||
        (PlainFault(plain) && (deep == RelayClass::OpensAnother || deep == RelayClass::ClosesElsewhere)))
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

PerClass RelayVerdicts::Counts(int board) const
{
    PerClass counts{};
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
        if (!deep.empty() && IsBoardWide(deep.front().kind)) {
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
            // A stuck relay differs at each read-back pushed the other way:
            // pushed off when stuck closed, pushed on when stuck open.
            for (int relay = board * RelaysPerBoard; relay < (board + 1) * RelaysPerBoard; ++relay) {
                const RelaySeen& r = Relay(relay);
                const RelayClass k = ClassOf(relay);
                const Kind kind = k == RelayClass::StuckClosed ? Kind::RelayStuckClosed
                                  : k == RelayClass::StuckOpen ? Kind::RelayStuckOpen
                                                               : Kind::RelayErratic;
                if (PlainFault(k))
                    found.push_back(
                        {r.differs.first, kind, relay, r.firstSwitch, {r.reads, r.differs.count}, r.firstReadOn});
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

BoardBits BitsOf(const Words& words)
{
    BoardBits bits;
    for (std::size_t w = 0; w < WordsPerBoard; ++w)
        bits |= BoardBits(words[w]) << (32 * w);
    return bits;
}

// The verdicts of relaysweep's deep passes, from their read-backs: each board
// read once or more after a push that may hold many relays closed at once,
// every board holding a pattern of its own. What they show that the plain
// sweep cannot: a relay whose close opens another of its board, or closes one
// on another board; a read-back that follows a push only from a later read; a
// board whose drivers drop every relay under load, or that answers shifted by
// one relay, or with another board's bits.
void RelayVerdicts::ObserveDeep(const ReadBack& r)
{
    DeepBoard& b = deepBoards_[static_cast<std::size_t>(r.board)];
    b.reads = r.pushedAt == b.lastPush ? b.reads + 1 : 1;
    // The read before, after the same push, the card unchanged since: a push
    // to another board may change what this one reads (a relay closed elsewhere).
    const bool again = b.reads > 1 && b.card == r.latched;
    const Words previous = b.last;
    b.lastPush = r.pushedAt;
    b.last = r.fetched;
    b.card = r.latched;
    if (r.landedFrom >= 0) {
        if (b.answers.Add(r.lastLine))
            b.answeredFor = r.landedFrom;
        return;
    }
    if (again && previous != r.fetched)
        DeepLate(r, b.reads, previous);
    if (r.fetched == r.pushed)
        return;
    // A shift moves every relay pushed closed one relay up (relay k's bit as
    // relay k + 1's) or down, none lost off the board's end: a run of relays
    // from relay 0 shifted down would look like its last relay dropped.
    const BoardBits pushed = BitsOf(r.pushed);
    const BoardBits fetched = BitsOf(r.fetched);
    const auto closed = static_cast<int>(pushed.count());
    for (const bool up : {false, true}) {
        const BoardBits shifted = up ? pushed << 1 : pushed >> 1;
        if (fetched == shifted && shifted.count() == pushed.count() && (fetched ^ pushed).count() >= 2) {
            if (b.shifts[up ? 1 : 0]++ == 0)
                b.shiftLine = r.lastLine;
            return;
        }
    }
    if (r.fetched == Words{} && closed >= 2) {
        b.dropped = b.drops.count == 0 || closed < b.dropped ? closed : b.dropped;
        b.drops.Add(r.lastLine);
        b.dropMask |= pushed;
        return;
    }
    DeepRelays(r, previous);
}

// A later read after the same push shows a relay as pushed where the read
// before it did not.
void RelayVerdicts::DeepLate(const ReadBack& r, std::uint32_t reads, const Words& previous)
{
    for (int c = 0; c < RelaysPerBoard; ++c) {
        if (Bit(r.fetched, c) == Bit(r.pushed, c) && Bit(previous, c) != Bit(r.pushed, c)) {
            DeepRelay& d = deep_[static_cast<std::size_t>(r.board) * RelaysPerBoard + static_cast<std::size_t>(c)];
            d.lateRead = std::max(d.lateRead, reads);
            d.late.Add(r.wordLines[static_cast<std::size_t>(c / 32)]);
        }
    }
}

// Relay by relay: one of the board that read back closed before and open now,
// pushed closed, when the push closed another of the board; one that reads
// back closed, pushed open.
void RelayVerdicts::DeepRelays(const ReadBack& r, const Words& previous)
{
    std::bitset<Relays> elsewhere;  // relays on other boards held closed at this read
    for (std::size_t board = 0; board < Boards; ++board) {
        for (std::size_t w = 0; w < WordsPerBoard && board != static_cast<std::size_t>(r.board); ++w)
            elsewhere |= std::bitset<Relays>(r.latched[board][w]) << (board * RelaysPerBoard + 32 * w);
    }
    const int closing = r.switchedOn && r.lastSwitch >= 0 && BoardOf(r.lastSwitch) == r.board ? r.lastSwitch : -1;
    for (int c = 0; c < RelaysPerBoard; ++c) {
        const bool pushed = Bit(r.pushed, c);
        const bool fetched = Bit(r.fetched, c);
        const int relay = r.board * RelaysPerBoard + c;
        const std::uint64_t line = r.wordLines[static_cast<std::size_t>(c / 32)];
        if (closing >= 0 && closing != relay && pushed && !fetched && Bit(previous, c)) {
            DeepRelay& a = deep_[static_cast<std::size_t>(closing)];
            if (a.opens.Add(line))
                a.opened = relay;
        }
        if (!pushed && fetched) {
            const auto [at, fresh] = strayFrom_.try_emplace(relay, elsewhere);
            if (!fresh)
                at->second &= elsewhere;
            deep_[static_cast<std::size_t>(relay)].strays.Add(line);
        }
    }
}

// A board's own verdict first: another board's bits, a shift, then a drop
// under load whose relays each read back closed some other time (relays
// stuck open read back all open together too).
void RelayVerdicts::Settle()
{
    for (int board = 0; board < Boards; ++board) {
        const DeepBoard& b = deepBoards_[static_cast<std::size_t>(board)];
        std::vector<Finding>& found = deepFound_[static_cast<std::size_t>(board)];
        found.clear();
        const bool dropsSeen = b.drops.count > 0 && (b.dropMask & ~seenClosed_[static_cast<std::size_t>(board)]).none();
        const bool up = b.shifts[1] >= b.shifts[0];
        if (b.answers.count > 0)
            found.push_back({b.answers.first, Kind::BoardAnswersForOther, board, b.answeredFor, {b.answers.count}});
        else if (b.shifts[0] + b.shifts[1] > 0)
            found.push_back({b.shiftLine, Kind::BoardShifted, board, -1, {b.shifts[up ? 1 : 0]}, up});
        else if (dropsSeen)
            found.push_back({b.drops.first, Kind::BoardDropsUnderLoad, board, -1, {b.drops.count, static_cast<std::uint64_t>(b.dropped)}});
    }
    for (int board = 0; board < Boards; ++board) {
        if (deepFound_[static_cast<std::size_t>(board)].empty())
            DeepRelayVerdicts(board);
    }
}

// Each relay of a board without a verdict of its own: late, opening another,
// or closing one elsewhere: the one relay on another board held closed at
// every read-back that showed a stray close (the first, if several were).
void RelayVerdicts::DeepRelayVerdicts(int board)
{
    std::vector<Finding>& found = deepFound_[static_cast<std::size_t>(board)];
    for (int relay = board * RelaysPerBoard; relay < (board + 1) * RelaysPerBoard; ++relay) {
        const DeepRelay& d = deep_[static_cast<std::size_t>(relay)];
        if (d.late.count > 0)
            found.push_back({d.late.first, Kind::RelayLate, relay, -1, {d.late.count, d.lateRead}});
        else if (d.opens.count > 0)
            found.push_back({d.opens.first, Kind::RelayOpensAnother, relay, d.opened, {d.opens.count}});
    }
    // A stray close is the victim's: it is named under its cause's board.
    for (const auto& [victim, causes] : strayFrom_) {
        int cause = 0;
        while (cause < Relays && !causes.test(static_cast<std::size_t>(cause)))
            ++cause;
        const Finding* victimBoard = DeepFindingOf(victim);
        if (cause == Relays || BoardOf(cause) != board || DeepFindingOf(cause) != nullptr ||
            (victimBoard != nullptr && IsBoardWide(victimBoard->kind)))
            continue;
        const DeepRelay& d = deep_[static_cast<std::size_t>(victim)];
        found.push_back({d.strays.first, Kind::RelayClosesElsewhere, cause, victim, {d.strays.count}});
    }
}

// A board's own deep verdict comes first and stands for each of its relays;
// a relay has one of its own at most.
const Finding* RelayVerdicts::DeepFindingOf(int relay) const
{
    const std::vector<Finding>& found = deepFound_[static_cast<std::size_t>(BoardOf(relay))];
    if (!found.empty() && IsBoardWide(found.front().kind))
        return &found.front();
    const auto own = std::find_if(found.begin(), found.end(), [relay](const Finding& f) { return f.subject == relay; });
    return own == found.end() ? nullptr : &*own;
}

}  // namespace relaylog
