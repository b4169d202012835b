// The simulated card: the driver library's four operations over a model of the
// card, its SPI controller and eight relay boards.
//
// Whole runs of the program can be given a faulty card through the RELAYSIM
// environment variable, read once at the first driver call (SimSettings.cpp
// and docs/simulated-card.md list the settings).
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Driver.h"
#include "SimControl.h"
#include "SimFaults.h"
#include "SimState.h"

namespace {

constexpr std::int32_t ModelCard = 0;
constexpr std::int32_t ModelBar = 2;
constexpr std::uint32_t RevisionOffset = 0x68;
constexpr std::uint32_t ControlOffset = 0x100;
constexpr std::uint32_t Data0Offset = 0x104;
constexpr std::uint32_t DataCount = 4;
constexpr std::uint32_t BusyBit = 0x80000000u;
constexpr std::uint32_t GoFlag = 0x80;
constexpr int Boards = 8;

struct Board {
    BoardWords image{};     // what was last sent
    bool fixed = false;     // ignores writes
    BoardWords fixedWords{};
    BoardWords stuckClosed{};
    BoardWords stuckOpen{};
    std::array<BoardWords, 128> follows{};       // by relay: the relays that read back closed when it is pushed closed
    std::uint32_t alsoTo = 0;                    // bit b: pushes to this board also land on board b
};

struct Model {
    std::int32_t cards = 1;
    std::uint32_t revision = SimDefaultRevision;
    std::uint32_t busyPolls = 0;
    std::uint32_t busyLeft = 0;
    bool stuckBusy = false;
    BoardWords latch{};
    Board boards[Boards];
    SimFaults faults;  // the faults of many relays at once, a late or shifted read-back
    std::uint64_t calls = 0;        // driver calls so far, all four functions
    std::uint64_t crashAfter = 0;   // the call that faults; 0 for none
    std::uint32_t slowMicros = 0;   // sleep at the start of every call
    std::string holdPath;           // wait at the start of every call while this file exists
    bool recording = false;
    std::vector<SimCall> log;
    std::function<std::uint32_t(std::uint32_t, std::uint32_t)> readOverride;
    std::string statePath;      // the file every program's boards are kept in; empty for none
    bool stateTrouble = false;  // it could not be read or written, and that has been said
};

Model model;
bool configured = false;
// The settings a test gave in place of RELAYSIM (SimPowerOnWith).
bool settingsGiven = false;
std::string givenSettings;

void Record(SimOp op, std::int32_t card, std::int32_t bar, std::uint32_t offset, std::uint32_t value)
{
    if (model.recording)
        model.log.push_back({op, card, bar, offset, value});
}

// A card is configured once: by the first driver call from the environment,
// or by a test through SimReset. A setting the card does not know, or a state
// file it cannot read, leaves no card at all, said once on standard error: a
// demonstration must never run a healthy card by mistake, and the driver
// never ends the process that loaded it (a test runner, a Python session),
// which finds no card and says so as it would on a PC without one.
void Configure()
{
    if (configured)
        return;
    configured = true;
    const char* env = settingsGiven ? givenSettings.c_str() : std::getenv("RELAYSIM");
    std::string error;
    if (env != nullptr && !SimApplySettings(env, error)) {
        model = Model{};
        model.cards = 0;
        (void)std::fprintf(stderr, "relaysim: %s; the simulated card is absent\n", error.c_str());
    }
}

// The lowest page of the address space is mapped in no process (Linux keeps
// the first 64 KiB from mmap, Windows reserves them), so a store there is an
// access violation wherever the driver runs, as when a driver follows a null
// handle to one of its fields. Read from a volatile, the address is unknown to
// the compiler, which must make the store.
volatile std::uintptr_t UnmappedAddress = 0x10;

bool Exists(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file != nullptr)
        (void)std::fclose(file);
    return file != nullptr;
}

// A test's hold: the program waits, holding the card, until the file goes.
void HoldWhileThere()
{
    if (std::FILE* waiting = std::fopen((model.holdPath + ".waiting").c_str(), "wb"))
        (void)std::fclose(waiting);
    for (int tick = 0; tick < 12000 && Exists(model.holdPath); ++tick)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    model.holdPath.clear();
}

void SettleLateRelays();

// The start of every driver call: the call set to fault does so before
// anything else, and a slow driver takes its time before it does its work.
void Enter()
{
    Configure();
    SettleLateRelays();
    if (++model.calls == model.crashAfter)
        *reinterpret_cast<volatile int*>(UnmappedAddress) = 0;  // NOLINT(performance-no-int-to-ptr)
    if (model.slowMicros > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(model.slowMicros));
    if (!model.holdPath.empty())
        HoldWhileThere();
}

bool Present(std::int32_t card) { return card == ModelCard && model.cards >= 1; }

bool InWindow(std::int32_t card, std::int32_t bar, std::uint32_t offset)
{
    return Present(card) && bar == ModelBar && offset >= ControlOffset &&
           offset < Data0Offset + 4 * DataCount && offset % 4 == 0;
}

bool ImageBit(const BoardWords& words, int c) { return ((words[static_cast<std::size_t>(c / 32)] >> (c % 32)) & 1u) != 0; }

CardWords Latches()
{
    CardWords latches{};
    for (std::size_t b = 0; b < latches.size(); ++b)
        latches[b] = model.boards[b].image;
    return latches;
}

// What the board's relays read back on time: what was pushed, with the
// relays that follow or drop with others, then the stuck relays.
BoardWords OnTime(int index)
{
    const Board& board = model.boards[index];
    BoardWords words = board.fixed ? board.fixedWords : board.image;
    for (int c = 0; c < 128 && !board.fixed; ++c) {
        if (!ImageBit(board.image, c))
            continue;
        for (std::size_t i = 0; i < DataCount; ++i)
            words[i] |= board.follows[static_cast<std::size_t>(c)][i];
    }
    if (!board.fixed)
        words = HeldRelays(model.faults, Latches(), index, words);
    for (std::uint32_t i = 0; i < DataCount; ++i)
        words[i] = (words[i] & ~board.stuckOpen[i]) | board.stuckClosed[i];
    return words;
}

// A fetch: what the board answers, this read counted for its late relays.
BoardWords Fetch(int index) { return Answer(model.faults, index, OnTime(index)); }

// A late relay reads back settled at the program's first driver call.
void SettleLateRelays()
{
    if (!HasUnsettledLate(model.faults))
        return;
    for (int b = 0; b < Boards; ++b)
        SettleLate(model.faults, b, OnTime(b));
}

// The state file, when there is one, is the card every program shares (see
// SimState.h). A file that cannot be read or written is said once; the card
// then carries on with what this program last sent.
void StateTrouble(const std::string& error)
{
    if (model.stateTrouble)
        return;
    model.stateTrouble = true;
    (void)std::fprintf(stderr, "relaysim: %s: the boards' state is not shared\n", error.c_str());
}

// A fetch reads the boards from the file: the last push to each, from
// whichever program (a relay on another board can close one on this).
void FetchFromState(std::uint32_t index)
{
    CardWords words;
    std::string error;
    if (model.statePath.empty() || model.boards[index].fixed)
        return;
    if (!ReadSimState(model.statePath, words, error)) {
        StateTrouble(error);
        return;
    }
    for (std::size_t b = 0; b < words.size(); ++b) {
        if (!model.boards[b].fixed)
            model.boards[b].image = words[b];
    }
}

// Control write: the low bits address a board; the go flag sends the latched
// data to it, without it the board's relays are fetched into the latches.
// Addresses past the last board reach nothing.
void Transfer(std::uint32_t control)
{
    const std::uint32_t index = control & (GoFlag - 1);
    if (index >= Boards)
        return;
    Board& board = model.boards[index];
    if ((control & GoFlag) == 0) {
        FetchFromState(index);
        model.latch = Fetch(static_cast<int>(index));
        return;
    }
    std::uint32_t pushed = 0;
    for (int b = 0; b < Boards; ++b) {
        Board& target = model.boards[b];
        const bool addressed = static_cast<std::uint32_t>(b) == index || ((board.alsoTo >> b) & 1u) != 0;
        if (addressed && !target.fixed) {
            target.image = model.latch;
            pushed |= 1u << b;
        }
    }
    std::string error;
    if (!model.statePath.empty() && pushed != 0 && !PushSimState(model.statePath, pushed, model.latch, error))
        StateTrouble(error);
}

std::uint32_t ReadWindow(std::uint32_t offset)
{
    if (offset == ControlOffset) {
        if (model.stuckBusy)
            return BusyBit;
        if (model.busyLeft > 0) {
            --model.busyLeft;
            return BusyBit;
        }
        return 0;
    }
    model.busyLeft = model.busyPolls;
    return model.latch[(offset - Data0Offset) / 4];
}

void WriteWindow(std::uint32_t offset, std::uint32_t value)
{
    model.busyLeft = model.busyPolls;
    if (offset == ControlOffset)
        Transfer(value);
    else
        model.latch[(offset - Data0Offset) / 4] = value;
}

}  // namespace

extern "C" {

std::int32_t DRIVER_CALL GetNumCards(void)
{
    Enter();
    Record(SimOp::GetNumCards, 0, 0, 0, static_cast<std::uint32_t>(model.cards));
    return model.cards;
}

std::uint32_t DRIVER_CALL RelInPortDWord(std::int32_t card, std::uint32_t offset)
{
    Enter();
    const std::uint32_t value = Present(card) && offset == RevisionOffset ? model.revision : 0;
    Record(SimOp::RelInPortDWord, card, 0, offset, value);
    return value;
}

std::uint32_t DRIVER_CALL InBAR32(std::int32_t card, std::int32_t bar, std::uint32_t offset)
{
    Enter();
    std::uint32_t value = InWindow(card, bar, offset) ? ReadWindow(offset) : 0;
    if (model.readOverride)
        value = model.readOverride(offset, value);
    Record(SimOp::InBAR32, card, bar, offset, value);
    return value;
}

std::int32_t DRIVER_CALL OutBAR32(std::int32_t card, std::int32_t bar, std::uint32_t offset, std::uint32_t value)
{
    Enter();
    if (InWindow(card, bar, offset))
        WriteWindow(offset, value);
    Record(SimOp::OutBAR32, card, bar, offset, value);
    return 0;
}

}  // extern "C"

void SimReset()
{
    model = Model{};
    configured = true;
}

void SimPowerOnWith(const std::string& settings)
{
    model = Model{};
    configured = false;
    settingsGiven = true;
    givenSettings = settings;
}

void SimRecordCalls(bool on) { model.recording = on; }
const std::vector<SimCall>& SimLog() { return model.log; }
void SimClearLog() { model.log.clear(); }
void SimSetCardCount(std::int32_t count) { model.cards = count; }
void SimSetRevision(std::uint32_t revision) { model.revision = revision; }

void SimSetBusyPolls(std::uint32_t polls)
{
    model.busyPolls = polls;
    model.busyLeft = polls;
}

void SimSetStuckBusy(bool stuck) { model.stuckBusy = stuck; }
void SimCrashAfter(std::uint64_t call) { model.crashAfter = call; }
void SimSetSlow(std::uint32_t microseconds) { model.slowMicros = microseconds; }

bool SimHoldWhile(const std::string& path, std::string& /*error*/)
{
    model.holdPath = path;
    return true;
}

void SimSetBoardFixed(int board, const BoardWords& words)
{
    if (board < 0 || board >= Boards)
        return;
    model.boards[board].fixed = true;
    model.boards[board].fixedWords = words;
}

void SimSetStuckRelay(std::int32_t relay, bool closed)
{
    if (relay < 0 || relay >= Boards * 128)
        return;
    Board& board = model.boards[relay / 128];
    const std::uint32_t word = static_cast<std::uint32_t>(relay % 128) / 32;
    const std::uint32_t bit = 1u << (relay % 32);
    (closed ? board.stuckClosed : board.stuckOpen)[word] |= bit;
    (closed ? board.stuckOpen : board.stuckClosed)[word] &= ~bit;
}

bool SimSetCoupledRelays(std::int32_t a, std::int32_t b)
{
    if (a < 0 || b < 0 || a >= Boards * 128 || b >= Boards * 128 || a == b || a / 128 != b / 128)
        return false;
    const int c = b % 128;
    model.boards[a / 128].follows[static_cast<std::size_t>(a % 128)][static_cast<std::size_t>(c / 32)] |= 1u << (c % 32);
    return true;
}

bool SimSetBoardAlias(int from, int to)
{
    if (from < 0 || to < 0 || from >= Boards || to >= Boards || from == to)
        return false;
    model.boards[from].alsoTo |= 1u << to;
    return true;
}

bool SimSetClearingRelays(std::int32_t a, std::int32_t b)
{
    if (a < 0 || b < 0 || a >= Boards * 128 || b >= Boards * 128 || a == b || a / 128 != b / 128)
        return false;
    const int c = b % 128;
    model.faults.clears[static_cast<std::size_t>(a / 128)][static_cast<std::size_t>(a % 128)][static_cast<std::size_t>(c / 32)] |=
        1u << (c % 32);
    return true;
}

bool SimSetGhostRelays(std::int32_t a, std::int32_t b)
{
    if (a < 0 || b < 0 || a >= Boards * 128 || b >= Boards * 128 || a / 128 == b / 128)
        return false;
    model.faults.ghosts.emplace_back(a, b);
    return true;
}

bool SimSetBoardSag(int board, int most)
{
    if (board < 0 || board >= Boards || most < 0 || most > 127)
        return false;
    model.faults.sagAbove[static_cast<std::size_t>(board)] = most;
    return true;
}

bool SimSetLateRelay(std::int32_t relay, std::uint32_t reads)
{
    if (relay < 0 || relay >= Boards * 128 || reads < 1)
        return false;
    for (LateRelay& late : model.faults.late) {
        if (late.relay == relay) {
            late.reads = reads;
            return true;
        }
    }
    LateRelay late;
    late.relay = relay;
    late.reads = reads;
    model.faults.late.push_back(late);
    return true;
}

void SimSetBoardShifted(int board)
{
    if (board >= 0 && board < Boards)
        model.faults.shifted |= 1u << board;
}

void SimSetBoardAbsent(int board) { SimSetBoardFixed(board, BoardWords{~0u, ~0u, ~0u, ~0u}); }

bool SimKeepStateIn(const std::string& path, std::string& error)
{
    CardWords words;
    if (!ReadSimState(path, words, error))
        return false;
    for (std::size_t b = 0; b < words.size(); ++b)
        model.boards[b].image = words[b];
    model.statePath = path;
    return true;
}

BoardWords SimBoardImage(int board)
{
    return board >= 0 && board < Boards ? model.boards[board].image : BoardWords{};
}

void SimSetReadOverride(std::function<std::uint32_t(std::uint32_t, std::uint32_t)> override)
{
    model.readOverride = std::move(override);
}
