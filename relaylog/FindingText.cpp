// One row for each kind of finding: its concern and its sentence, in Kind
// order. The fixed sentences are checked against docs/relaylog.md by a test.
#include "Wording.h"

namespace relaylog {

namespace {

template <typename Int> std::string Str(Int n) { return std::to_string(n); }

// "the write of 00000001 to 104 (SpiData0)", "the read of 110 (SpiData3)"
std::string AccessName(const Finding& f)
{
    const auto offset = static_cast<std::uint32_t>(f.n[0]);
    std::string text = f.flag ? "the write of " + Hex(static_cast<std::uint32_t>(f.n[1])) + " to " + Hex(offset, 2)
                              : "the read of " + Hex(offset, 2);
    if (offset == ControlRegister)
        text += " (SpiControl)";
    for (int word = 0; word < WordsPerBoard; ++word) {
        if (offset == DataRegister[word])
            text += " (SpiData" + Str(word) + ")";
    }
    return text;
}

// An access and the step it belongs to.
std::string Role(const Finding& f)
{
    if (f.step.kind == Sequence::StartFetch)
        return AccessName(f) + " starting the fetch of board " + Str(f.step.number);
    if (f.step.kind == Sequence::None)
        return AccessName(f);
    return AccessName(f) + " in " + StepName(f.step);
}

std::string Range(std::uint64_t first) { return "relays " + Str(first) + " to " + Str(first + 31); }
std::string ReadBacks(const Finding& f) { return Count(f.n[0], "read-back", "read-backs"); }
std::string Word(std::uint64_t n) { return Hex(static_cast<std::uint32_t>(n)); }

// "a relaytest record", "a sweep record", "a relayctl record".
std::string RecordOf(Program program) { return program->kind == RunKind::Sweep ? "sweep" : program->program; }

// What a framed run had pushed when it stopped, by its kind.
std::string Touched(Program run)
{
    return run->kind == RunKind::Sweep ? "the boards it had touched" : "every board it had switched";
}

// "(board 1 read back at line 60)"
std::string ReadAt(std::int64_t relay, std::uint64_t line)
{
    return line == 0 ? " (its board was never read back)"
                     : " (board " + Str(BoardOf(relay)) + " read back at line " + Str(line) + ")";
}

std::string Stopped(const Finding& f)
{
    const bool sweep = f.run->kind == RunKind::Sweep;
    const std::string pushed = "; it pushed " + Touched(f.run) + " all open";
    const char* unreached = ": the relays it did not reach are unverified";
    if (f.what != LineKind::Interrupted)
        return f.run->program + std::string(" stopped: its record could not be written (standard output failed)") +
               (sweep ? pushed + unreached : " before its command was done" + pushed);
    if (!sweep)
        return f.run->program + std::string(" was stopped from outside before its command was done: it pushed ") +
               Touched(f.run) + " all open (its last line says whether they read back open)";
    return "the sweep was stopped from outside before its end" +
           (f.other >= 0 ? ", the last relay it closed " + RelayName(f.other) + " at line " + Str(f.n[0])
                         : std::string(", before it closed any relay")) + unreached;
}

std::string Erratic(const Finding& f)
{
    const std::string text = RelayName(f.subject) + ": erratic: " + Str(f.n[1]) + " of " + ReadBacks(f) +
                             (f.n[1] == 1 ? " differs" : " differ") + " from the push; first read back " +
                             (f.flag ? "on" : "off") + ", pushed " + (f.flag ? "off" : "on") + ", ";
    return text + (f.other < 0 ? "with no relay switched before it" : "when relay " + Str(f.other) + " was switched");
}

using F = const Finding&;
struct Row {
    Concern concern;
    std::string (*sentence)(const Finding&);
};

// In Kind order.
constexpr Row Rows[KindCount] = {
    {Concern::Protocol, [](F f) { return "relaytest refused relay " + Str(f.subject) + " as out of range"; }},
    {Concern::Protocol, [](F f) { return "relaytest refused board " + Str(f.subject) + " as out of range"; }},
    {Concern::Protocol, [](F f) { return "relay " + Str(f.subject) + " does not exist (0 to 1023)"; }},
    {Concern::Protocol, [](F f) { return AccessName(f) + " belongs to no relay switch or board fetch"; }},
    {Concern::Protocol, [](F f) { return StepName(f.step) + " breaks off after " + Progress(f.step, f.other); }},
    {Concern::Protocol, [](F f) { return Role(f) + " should have been " + Word(f.n[2]); }},
    {Concern::Relay, [](F f) {
         return RelayName(f.subject) + ": pushed " + (f.flag ? "off" : "on") + ", read back " + (f.flag ? "on" : "off");
     }},
    {Concern::Protocol, [](F f) { return "a report of board " + Str(f.subject) + " with no fetch before it"; }},
    {Concern::Fetch, [](F f) {
         return "the report is headed board " + Str(f.subject) + ", but board " + Str(f.step.number) +
                " was fetched at line " + Str(f.step.line);
     }},
    {Concern::Fetch, [](F f) {
         return "the report labels " + Range(f.n[0]) + " as relays " + Str(f.subject) + " to " + Str(f.other);
     }},
    {Concern::Fetch, [](F f) {
         return "the map of " + Range(f.n[0]) + " does not match the word " + Word(f.n[1]) + " beside it";
     }},
    {Concern::Fetch, [](F f) {
         return "the report shows " + Word(f.n[1]) + " for " + Range(f.n[0]) + ", but the fetch read " +
                Word(f.n[2]) + " at line " + Str(f.other);
     }},
    {Concern::Waits, [](F f) { return Role(f) + " has no busy check before it"; }},
    {Concern::Waits, [](F f) {
         return Role(f) + " comes after " + Str(f.n[2]) + " busy checks, more than the " + Str(PollLimit) +
                "-poll limit";
     }},
    {Concern::Waits, [](F f) {
         return "busy check " + Str(f.n[2]) + " before " + Role(f) + " read idle, yet the wait went on";
     }},
    {Concern::Waits, [](F f) {
         return "the controller was still busy after " + Str(PollLimit) + " polls (the limit) before " + Role(f) +
                "; the access went ahead anyway";
     }},
    {Concern::Waits, [](F f) {
         return "the wait before " + Role(f) + " gave up after " + Count(f.n[2], "busy poll", "busy polls") +
                ", short of the " + Str(PollLimit) + "-poll limit";
     }},
    {Concern::Waits, [](F f) {
         return "a busy check before " + Role(f) + " polls " + Hex(static_cast<std::uint32_t>(f.n[2]), 2) +
                " instead of the control register " + Hex(ControlRegister, 2);
     }},
    {Concern::Protocol, [](F f) {
         if (f.what == LineKind::NoCard && f.frame->closing == f.run->closing)
             return LineName(f.what, f.frame) + ", though the card check found a card";
         return LineName(f.what, f.frame) + " out of place in a " + RecordOf(f.run) + " record";
     }},
    {Concern::Protocol, Stopped},
    {Concern::Waits, [](F f) {
         return "the SPI controller stayed busy from here on, each wait running to the " + Str(PollLimit) +
                "-poll limit, and " + f.run->program + " stopped: it pushed " + Touched(f.run) +
                " all open (its last line says whether they read back open)";
     }},
    {Concern::Protocol, [](F f) {
         return "relayctl refused to push board " + Str(f.subject) +
                ": it read back all ones (not fitted, or not answering)";
     }},
    {Concern::Board, [](F f) {
         return BoardName(static_cast<int>(f.subject)) + " read back the push to board " + Str(f.other) +
                " at line " + Str(f.n[1]) + " instead of its own: pushes to board " + Str(f.other) +
                " also land on board " + Str(f.subject) + " (" + ReadBacks(f) + ")";
     }},
    {Concern::Board, [](F f) {
         return BoardName(static_cast<int>(f.subject)) + " read back all " + (f.flag ? "ones" : "zeros") +
                " every time (" + ReadBacks(f) + "), whatever was pushed: not fitted, or not answering";
     }},
    {Concern::Relay, [](F f) {
         return RelayName(f.subject) + ": stuck closed: read back on every time (" + ReadBacks(f) + "), " +
                Str(f.n[1]) + " of them pushed off";
     }},
    {Concern::Relay, [](F f) {
         return RelayName(f.subject) + ": stuck open: read back off every time (" + ReadBacks(f) + "), " +
                Str(f.n[1]) + " of them pushed on";
     }},
    {Concern::Relay, Erratic},
    {Concern::Relay, [](F f) {
         return "the route " + f.text + (f.flag ? " was made, yet " : " was broken, yet ") + RelayName(f.subject) +
                (f.flag ? " reads back open" : " reads back closed") + ReadAt(f.subject, f.n[0]);
     }},
    {Concern::Protocol, [](F f) {
         if (f.subject < 0)
             return "a route change failed: " + f.text + " (the read-backs after it show every relay it closed open)";
         return "a route change failed: " + f.text + "; yet " + RelayName(f.subject) +
                ", which it closed, still reads back closed after it" + ReadAt(f.subject, f.n[0]);
     }},
    // The deep passes' verdicts, each named as its class is.
    {Concern::Relay, [](F f) {
         return RelayName(f.subject) + ": opens another: closing it opened " + RelayName(f.other) +
                ", closed before it (" + ReadBacks(f) + ")";
     }},
    {Concern::Relay, [](F f) {
         return RelayName(f.subject) + ": closes on another board: " + RelayName(f.other) +
                " read back closed, pushed open, while it was closed (" + ReadBacks(f) + ")";
     }},
    {Concern::Relay, [](F f) {
         return RelayName(f.subject) + ": late: a read after a push showed its old state, and read " + Str(f.n[1]) +
                " after that push its pushed one (" + Count(f.n[0], "time", "times") + ")";
     }},
    {Concern::Board, [](F f) {
         return BoardName(static_cast<int>(f.subject)) + ": drops under load: read back every relay open while " +
                Str(f.n[1]) + " of its relays were pushed closed (" + ReadBacks(f) +
                "), though each of them read back closed at other times";
     }},
    {Concern::Board, [](F f) {
         return BoardName(static_cast<int>(f.subject)) + ": answers shifted: read back its push shifted one relay " +
                (f.flag ? "up (relay k as relay k+1)" : "down (relay k as relay k-1)") + " (" + ReadBacks(f) + ")";
     }},
    {Concern::Board, [](F f) {
         return BoardName(static_cast<int>(f.subject)) + ": answers for another board: read back the push to board " +
                Str(f.other) + " instead of its own (" + ReadBacks(f) + ")";
     }},
    {Concern::CardCheck, [](F) -> std::string { return "no card found: the driver reported no card"; }},
    {Concern::CardCheck, [](F) -> std::string { return "the FPGA revision line is missing after the card check"; }},
    {Concern::CardCheck, [](F) -> std::string { return "a second card check"; }},
    {Concern::CardCheck, [](F) -> std::string { return "a second FPGA revision line"; }},
    {Concern::Protocol, [](F) -> std::string { return "a board report line outside any board report"; }},
    {Concern::Protocol, [](F) -> std::string { return "an empty line out of place"; }},
    {Concern::Protocol, [](F) -> std::string { return "the empty line before the closing prompt is missing"; }},
    {Concern::Protocol, [](F) -> std::string { return "the pause prompt comes before the closing prompt"; }},
    {Concern::Protocol, [](F) -> std::string { return "a line after the closing prompt"; }},
    {Concern::Protocol, [](F) -> std::string { return "a line after the pause prompt"; }},
    {Concern::Protocol, [](F) -> std::string {
         return "no relay was verified: every relay of the sweep was skipped";
     }},
};

const Row& RowOf(Kind kind) { return Rows[static_cast<std::size_t>(kind)]; }

}  // namespace

Concern ConcernOf(Kind kind) { return RowOf(kind).concern; }

int CaseBoard(const Finding& f)
{
    switch (ConcernOf(f.kind)) {
    case Concern::Relay: return static_cast<int>(BoardOf(f.subject));
    case Concern::Board: return static_cast<int>(f.subject);
    case Concern::Fetch: return f.step.number;
    default: return -1;
    }
}

std::string Describe(const Finding& finding) { return RowOf(finding.kind).sentence(finding); }

std::string ProblemLine(const Finding& finding)
{
    return "PROBLEM line " + Str(finding.line) + ": " + Describe(finding);
}

}  // namespace relaylog
