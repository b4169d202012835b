#include "SimFaults.h"

namespace {

constexpr int RelaysPerBoard = 128;

bool Bit(const BoardWords& words, int c) { return ((words[static_cast<std::size_t>(c / 32)] >> (c % 32)) & 1u) != 0; }

void SetBit(BoardWords& words, int c, bool on)
{
    const std::uint32_t bit = 1u << (c % 32);
    std::uint32_t& word = words[static_cast<std::size_t>(c / 32)];
    word = on ? word | bit : word & ~bit;
}

int ClosedCount(const BoardWords& words)
{
    int count = 0;
    for (int c = 0; c < RelaysPerBoard; ++c)
        count += Bit(words, c) ? 1 : 0;
    return count;
}

// The read-back one relay higher: relay k's bit is read as relay k+1's, across
// the words (relay 31's as relay 32's); relay 0 reads open and relay 127's bit
// is lost.
BoardWords ShiftedUp(const BoardWords& words)
{
    BoardWords shifted{};
    std::uint32_t carry = 0;
    for (std::size_t w = 0; w < words.size(); ++w) {
        shifted[w] = words[w] << 1 | carry;
        carry = words[w] >> 31;
    }
    return shifted;
}

}  // namespace

BoardWords HeldRelays(const SimFaults& faults, const CardWords& latches, int board, BoardWords words)
{
    const BoardWords& latch = latches[static_cast<std::size_t>(board)];
    const auto& clears = faults.clears[static_cast<std::size_t>(board)];
    for (int c = 0; c < RelaysPerBoard; ++c) {
        if (!Bit(latch, c))
            continue;
        for (std::size_t w = 0; w < words.size(); ++w)
            words[w] &= ~clears[static_cast<std::size_t>(c)][w];
    }
    for (const auto& [from, to] : faults.ghosts) {
        if (to / RelaysPerBoard == board && Bit(latches[static_cast<std::size_t>(from / RelaysPerBoard)], from % RelaysPerBoard))
            SetBit(words, to % RelaysPerBoard, true);
    }
    const int sagAbove = faults.sagAbove[static_cast<std::size_t>(board)];
    if (sagAbove >= 0 && ClosedCount(latch) > sagAbove)
        words = BoardWords{};
    return words;
}

BoardWords Answer(SimFaults& faults, int board, BoardWords words)
{
    for (LateRelay& late : faults.late) {
        if (late.relay / RelaysPerBoard != board)
            continue;
        const int c = late.relay % RelaysPerBoard;
        const bool now = Bit(words, c);
        if (!late.settled || now != late.target) {
            late.target = now;
            late.since = late.settled ? 0 : late.reads;
            late.shown = late.settled ? late.shown : now;
            late.settled = true;
        }
        if (late.since < late.reads)
            ++late.since;
        if (late.since >= late.reads)
            late.shown = late.target;
        SetBit(words, c, late.shown);
    }
    return ((faults.shifted >> board) & 1u) != 0 ? ShiftedUp(words) : words;
}

void SettleLate(SimFaults& faults, int board, const BoardWords& words)
{
    for (LateRelay& late : faults.late) {
        if (late.settled || late.relay / RelaysPerBoard != board)
            continue;
        late.target = late.shown = Bit(words, late.relay % RelaysPerBoard);
        late.since = late.reads;
        late.settled = true;
    }
}

bool HasUnsettledLate(const SimFaults& faults)
{
    for (const LateRelay& late : faults.late) {
        if (!late.settled)
            return true;
    }
    return false;
}
