// Control of the simulated card, for tests and demonstrations.
//
// The simulated card stands in for the driver library and the hardware behind
// it: a card count, the FPGA revision register at offset 0x68 of card 0, and an
// SPI controller in BAR 2 (control at 0x100, data at 0x104..0x110) with eight
// relay boards of 128 relays each behind it.
#ifndef RELAYTEST_SIM_SIMCONTROL_H
#define RELAYTEST_SIM_SIMCONTROL_H

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The revision register of a healthy simulated card.
inline constexpr std::uint32_t SimDefaultRevision = 0x0002A1F7;

enum class SimOp { GetNumCards, RelInPortDWord, InBAR32, OutBAR32 };

// One driver call as the card saw it. For reads, value is what was returned;
// for OutBAR32 it is the value written; for GetNumCards the count returned.
struct SimCall {
    SimOp op;
    std::int32_t card;
    std::int32_t bar;
    std::uint32_t offset;
    std::uint32_t value;
    bool operator==(const SimCall& o) const
    {
        return op == o.op && card == o.card && bar == o.bar && offset == o.offset && value == o.value;
    }
};

using BoardWords = std::array<std::uint32_t, 4>;

// Power-on state: one card, the default revision, an idle controller, all
// boards zero and accepting writes, no stuck relays, no read override, no
// fault and no delay, no calls counted, the call log empty and not recording.
// Also disables configuration from the RELAYSIM environment variable.
void SimReset();

// The call log records only while switched on: a long run would otherwise
// hold every poll in memory.
void SimRecordCalls(bool on);
const std::vector<SimCall>& SimLog();
void SimClearLog();

void SimSetCardCount(std::int32_t count);
void SimSetRevision(std::uint32_t revision);

// After every access to the SPI window other than a poll, the control register
// reads busy for this many polls before it reads idle (0).
void SimSetBusyPolls(std::uint32_t polls);
// The control register reads busy for ever.
void SimSetStuckBusy(bool stuck);

// The driver call with this number (all four functions, counted from 1 since
// power-on) faults with an access violation before it does anything, as a
// broken driver library would: the process dies (SIGSEGV on POSIX). 0 for none.
void SimCrashAfter(std::uint64_t call);
// Every driver call first sleeps this many microseconds, so that a whole run
// takes long enough to be stopped half-way. 0 for none.
void SimSetSlow(std::uint32_t microseconds);

// Every driver call first waits while the file at path exists (at most two
// minutes), having made path + ".waiting" to say so: a test holds a program
// on the card, with the card lock taken, until it removes the file. Always
// true: a file that cannot be made only goes unsaid.
bool SimHoldWhile(const std::string& path, std::string& error);

// The board ignores writes and returns these words on every fetch.
void SimSetBoardFixed(int board, const BoardWords& words);
// A relay (0..1023) that reads back closed (on) or open (off) whatever was
// sent to its board.
void SimSetStuckRelay(std::int32_t relay, bool closed);

// Relay b, on relay a's board, reads back closed whenever a was pushed
// closed, otherwise as pushed (shorted data lines). False, changing nothing,
// unless a and b are two relays (0..1023) of one board.
bool SimSetCoupledRelays(std::int32_t a, std::int32_t b);
// Every push to board `from` also lands on board `to` (an addressing fault).
// False, changing nothing, unless they are two different boards (0..7).
bool SimSetBoardAlias(int from, int to);
// The board is not fitted: it ignores writes and reads back all ones.
void SimSetBoardAbsent(int board);

// The faults below show only with more than one relay closed, or on a
// second read (sim/SimFaults.h has the order they are made in).
// Relay b, on relay a's board, reads back open whenever a is pushed closed,
// otherwise as pushed (closing a drops b). False, changing nothing, unless a
// and b are two relays (0..1023) of one board.
bool SimSetClearingRelays(std::int32_t a, std::int32_t b);
// Relay b, on another board than relay a's, reads back closed whenever a is
// pushed closed, otherwise as pushed. False, changing nothing, unless a and b
// are relays (0..1023) of two different boards.
bool SimSetGhostRelays(std::int32_t a, std::int32_t b);
// The board (0..7) reads back every relay open while more than `most`
// (0..127) of its relays are pushed closed (its drivers sag). False, changing
// nothing, out of those ranges.
bool SimSetBoardSag(int board, int most);
// The relay (0..1023) shows a change of its read-back only from the
// `reads`th read of its board that finds it (1: the first, as a healthy
// relay); reads before that show the old state. Counted by each program for
// its own reads. False, changing nothing, for reads 0 or a relay out of range.
bool SimSetLateRelay(std::int32_t relay, std::uint32_t reads);
// The board (0..7) answers shifted by one relay: relay k's bit reads as relay
// k+1's, across the four words; relay 0 reads open, relay 127's bit is lost.
void SimSetBoardShifted(int board);

// What the board holds: the words last sent to it (zero at power-on).
BoardWords SimBoardImage(int board);

// The boards keep what was last sent to them in the file at path, as real
// boards keep their latches between runs, and every program given the same
// file shares one card: loaded now (a missing file is the card at power-on,
// every relay open); a push replaces its boards' lines in the file and a
// fetch reads its board from it (SimState.h has its format and how it is
// shared). False, changing nothing, with a reason naming the file, for a file
// that cannot be read or is malformed.
bool SimKeepStateIn(const std::string& path, std::string& error);

// The card as a run finds it: at power-on, then configured at its first
// driver call from settings as RELAYSIM spells them, in place of RELAYSIM.
// Settings it cannot take leave it absent, as in a run (one line on standard
// error, and no card: GetNumCards returns 0).
void SimPowerOnWith(const std::string& settings);

// Applies settings as the RELAYSIM environment variable spells them (see
// docs/simulated-card.md): "cards=0,busy=2", "state=/tmp/card,absent=3".
// False, with a one-line reason naming the setting and listing the known ones,
// at the first setting it does not know or that is malformed (for state=PATH,
// a file it cannot read names the file instead); the settings before it have
// been applied.
bool SimApplySettings(const std::string& text, std::string& error);

// Replaces every value InBAR32 returns. Gets the BAR offset and what the model
// would have returned. An empty function switches the override off.
void SimSetReadOverride(std::function<std::uint32_t(std::uint32_t offset, std::uint32_t modelValue)> override);

#endif
