// The verdicts of relaysweep's deep passes, from their read-backs: each board
// read once or more after a push that may hold many relays closed at once,
// every board holding a pattern of its own. What they show that the plain
// sweep cannot: a relay whose close opens another of its board, or closes one
// on another board; a read-back that follows a push only from a later read; a
// board whose drivers drop every relay under load, or that answers shifted by
// one relay, or with another board's bits.
#include "RelayVerdicts.h"

#include <algorithm>
#include <bitset>

namespace relaylog {

namespace {

// The relays in which two images of a board differ, and those closed in one.
int Differing(const Words& a, const Words& b)
{
    int count = 0;
    for (std::size_t w = 0; w < WordsPerBoard; ++w)
        count += static_cast<int>(std::bitset<32>(a[w] ^ b[w]).count());
    return count;
}
int Closed(const Words& words) { return Differing(words, Words{}); }

// The board's 128 bits moved one relay up (relay k's bit as relay k + 1's,
// relay 127's lost) or down.
Words Shift(const Words& words, bool up)
{
    Words moved{};
    for (int c = 0; c < RelaysPerBoard; ++c) {
        const int to = up ? c + 1 : c - 1;
        if (Bit(words, c) && to >= 0 && to < RelaysPerBoard)
            WordOf(moved, to) |= MaskOf(to);
    }
    return moved;
}

}  // namespace

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
    // A shift moves every relay pushed closed, none lost off the board's end:
    // a run of relays from relay 0 shifted down would look like its last
    // relay dropped.
    const int closed = Closed(r.pushed);
    for (const bool up : {false, true}) {
        const Words shifted = Shift(r.pushed, up);
        if (r.fetched == shifted && Closed(shifted) == closed && Differing(r.fetched, r.pushed) >= 2) {
            if (b.shifts[up ? 1 : 0]++ == 0)
                b.shiftLine = r.lastLine;
            return;
        }
    }
    if (r.fetched == Words{} && closed >= 2) {
        b.dropped = b.drops.count == 0 || closed < b.dropped ? closed : b.dropped;
        b.drops.Add(r.lastLine);
        for (std::size_t w = 0; w < WordsPerBoard; ++w)
            b.dropMask[w] |= r.pushed[w];
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
    // Relays on other boards held closed at this read, found at its first stray close.
    std::bitset<Relays> elsewhere;
    bool found = false;
    const auto Elsewhere = [&]() -> const std::bitset<Relays>& {
        for (int relay = 0; relay < Relays && !found; ++relay) {
            const int board = BoardOf(relay);
            if (board != r.board && Bit(r.latched[static_cast<std::size_t>(board)], CrosspointOf(relay)))
                elsewhere.set(static_cast<std::size_t>(relay));
        }
        found = true;
        return elsewhere;
    };
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
            const auto [at, fresh] = strayFrom_.try_emplace(relay, Elsewhere());
            if (!fresh)
                at->second &= Elsewhere();
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
        bool dropsSeen = b.drops.count > 0;
        for (int c = 0; c < RelaysPerBoard; ++c) {
            const auto relay = static_cast<std::size_t>(board) * RelaysPerBoard + static_cast<std::size_t>(c);
            dropsSeen = dropsSeen && (!Bit(b.dropMask, c) || seenClosed_.test(relay));
        }
        const bool up = b.shifts[1] >= b.shifts[0];
        RelayClass k = RelayClass::Functional;
        if (b.answers.count > 0) {
            found.push_back({b.answers.first, Kind::BoardAnswersForOther, board, b.answeredFor, {b.answers.count}});
            k = RelayClass::AnswersForOther;
        } else if (b.shifts[0] + b.shifts[1] > 0) {
            found.push_back({b.shiftLine, Kind::BoardShifted, board, -1, {b.shifts[up ? 1 : 0]}, up});
            k = RelayClass::Shifted;
        } else if (dropsSeen) {
            found.push_back({b.drops.first, Kind::BoardDropsUnderLoad, board, -1, {b.drops.count, static_cast<std::uint64_t>(b.dropped)}});
            k = RelayClass::DropsUnderLoad;
        }
        for (int c = 0; c < RelaysPerBoard; ++c)
            deepClass_[static_cast<std::size_t>(board) * RelaysPerBoard + static_cast<std::size_t>(c)] = k;
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
        RelayClass& k = deepClass_[static_cast<std::size_t>(relay)];
        if (d.late.count > 0) {
            found.push_back({d.late.first, Kind::RelayLate, relay, -1, {d.late.count, d.lateRead}});
            k = RelayClass::Late;
        } else if (d.opens.count > 0) {
            found.push_back({d.opens.first, Kind::RelayOpensAnother, relay, d.opened, {d.opens.count}});
            k = RelayClass::OpensAnother;
        }
    }
    // A stray close is the victim's: it is named under its cause's board.
    for (const auto& [victim, causes] : strayFrom_) {
        int cause = 0;
        while (cause < Relays && !causes.test(static_cast<std::size_t>(cause)))
            ++cause;
        if (cause == Relays || BoardOf(cause) != board ||
            BoardWide(deepClass_[static_cast<std::size_t>(BoardOf(victim)) * RelaysPerBoard]) ||
            deepClass_[static_cast<std::size_t>(cause)] != RelayClass::Functional)
            continue;
        const DeepRelay& d = deep_[static_cast<std::size_t>(victim)];
        found.push_back({d.strays.first, Kind::RelayClosesElsewhere, cause, victim, {d.strays.count}});
        deepClass_[static_cast<std::size_t>(cause)] = RelayClass::ClosesElsewhere;
    }
}

const Finding* RelayVerdicts::DeepFindingOf(int relay) const
{
    if (relay < 0 || relay >= Relays || static_cast<int>(ClassOf(relay)) < PlainClassCount)
        return nullptr;
    const std::vector<Finding>& found = deepFound_[static_cast<std::size_t>(BoardOf(relay))];
    if (BoardWide(ClassOf(relay)))
        return &found.front();  // the board's own, which comes first
    const auto own = std::find_if(found.begin(), found.end(), [relay](const Finding& f) { return f.subject == relay; });
    return own == found.end() ? nullptr : &*own;
}

}  // namespace relaylog
