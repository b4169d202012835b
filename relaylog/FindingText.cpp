// One sentence for each kind of finding. Describe hands every kind to its own
// Sentence: a kind without one does not compile; the plain kinds' sentences
// and concerns are one table, checked against docs/relaylog.md by a test.
#include "Wording.h"

namespace relaylog {

namespace {

template <typename Int> std::string Str(Int n) { return std::to_string(n); }

// "the write of 00000001 to 104 (SpiData0)", "the read of 110 (SpiData3)"
std::string AccessName(const RecordLine& line)
{
    std::string text = line.write ? "the write of " + Hex(line.value) + " to " + Hex(line.offset, 2)
                                  : "the read of " + Hex(line.offset, 2);
    if (line.offset == ControlRegister)
        text += " (SpiControl)";
    for (int word = 0; word < WordsPerBoard; ++word) {
        if (line.offset == DataRegister[word])
            text += " (SpiData" + Str(word) + ")";
    }
    return text;
}

// An access and the step it belongs to.
std::string Role(const AccessAt& a)
{
    if (a.within.kind == Sequence::StartFetch)
        return AccessName(a.line) + " starting the fetch of board " + Str(a.within.number);
    if (a.within.kind == Sequence::None)
        return AccessName(a.line);
    return AccessName(a.line) + " in " + StepName(a.within);
}

std::string Range(std::int32_t first) { return "relays " + Str(first) + " to " + Str(first + 31); }

std::string ReadBacks(std::uint32_t n) { return Count(n, "read-back", "read-backs"); }

// "a relaytest record", "a sweep record", "a relayctl record".
std::string RecordOf(Program program) { return program->kind == RunKind::Sweep ? "sweep" : program->program; }

// What a framed run had pushed when it stopped, by its kind.
const char* Touched(Program run)
{
    return run->kind == RunKind::Sweep ? "the boards it had touched" : "every board it had switched";
}

std::string Sentence(const Plain& k) { return PlainSentence(k.which); }
std::string Sentence(const RefusedRelay& k) { return "relaytest refused relay " + Str(k.relay) + " as out of range"; }
std::string Sentence(const RefusedBoard& k) { return "relaytest refused board " + Str(k.board) + " as out of range"; }
std::string Sentence(const NoSuchRelay& k) { return "relay " + Str(k.relay) + " does not exist (0 to 1023)"; }
std::string Sentence(const StrayAccess& k)
{
    return AccessName(k.access) + " belongs to no relay switch or board fetch";
}
std::string Sentence(const BrokenOff& k) { return StepName(k.step) + " breaks off after " + Progress(k.step, k.done); }
std::string Sentence(const WrongValue& k) { return Role(k.access) + " should have been " + Hex(k.expected); }
std::string Sentence(const RelayDiffers& k)
{
    return RelayName(k.relay) + ": pushed " + (k.readOn ? "off" : "on") + ", read back " + (k.readOn ? "on" : "off");
}
std::string Sentence(const OrphanReport& k) { return "a report of board " + Str(k.board) + " with no fetch before it"; }
std::string Sentence(const ReportOtherBoard& k)
{
    return "the report is headed board " + Str(k.heading) + ", but board " + Str(k.fetch.number) +
           " was fetched at line " + Str(k.fetch.line);
}
std::string Sentence(const ReportLabels& k)
{
    return "the report labels " + Range(k.first) + " as relays " + Str(k.labelFirst) + " to " + Str(k.labelLast);
}
std::string Sentence(const ReportMapMismatch& k)
{
    return "the map of " + Range(k.first) + " does not match the word " + Hex(k.word) + " beside it";
}
std::string Sentence(const ReportFetchMismatch& k)
{
    return "the report shows " + Hex(k.reported) + " for " + Range(k.first) + ", but the fetch read " +
           Hex(k.fetched) + " at line " + Str(k.fetchedAt);
}
std::string Sentence(const NoPoll& k) { return Role(k.access) + " has no busy check before it"; }
std::string Sentence(const PastLimit& k)
{
    return Role(k.access) + " comes after " + Str(k.polls) + " busy checks, more than the " +
           Str(PollLimit) + "-poll limit";
}
std::string Sentence(const WaitWentOn& k)
{
    return "busy check " + Str(k.idlePoll) + " before " + Role(k.access) + " read idle, yet the wait went on";
}
std::string Sentence(const StillBusyAtLimit& k)
{
    return "the controller was still busy after " + Str(PollLimit) + " polls (the limit) before " +
           Role(k.access) + "; the access went ahead anyway";
}
std::string Sentence(const GaveUpEarly& k)
{
    return "the wait before " + Role(k.access) + " gave up after " + Count(k.polls, "busy poll", "busy polls") +
           ", short of the " + Str(PollLimit) + "-poll limit";
}
std::string Sentence(const StrayPoll& k)
{
    return "a busy check before " + Role(k.access) + " polls " + Hex(k.polled, 2) +
           " instead of the control register " + Hex(ControlRegister, 2);
}
std::string Sentence(const LineOutOfPlace& k)
{
    if (k.line == LineKind::NoCard && k.of->closing == k.in->closing)
        return LineName(k.line, k.of) + ", though the card check found a card";
    return LineName(k.line, k.of) + " out of place in a " + RecordOf(k.in) + " record";
}
std::string Sentence(const Stopped& k)
{
    const bool sweep = k.run->kind == RunKind::Sweep;
    const std::string pushed = std::string("; it pushed ") + Touched(k.run) + " all open";
    const char* unreached = ": the relays it did not reach are unverified";
    if (k.cause != LineKind::Interrupted)
        return k.run->program + std::string(" stopped: its record could not be written (standard output failed)") +
               (sweep ? pushed + unreached : " before its command was done" + pushed);
    if (!sweep)
        return k.run->program + std::string(" was stopped from outside before its command was done: it pushed ") +
               Touched(k.run) + " all open (its last line says whether they read back open)";
    return "the sweep was stopped from outside before its end" +
           (k.lastClosed >= 0 ? ", the last relay it closed " + RelayName(k.lastClosed) + " at line " + Str(k.closedAt)
                              : std::string(", before it closed any relay")) + unreached;
}
std::string Sentence(const StoppedBusy& k)
{
    return "the SPI controller stayed busy from here on, each wait running to the " + Str(PollLimit) +
           "-poll limit, and " + k.run->program + " stopped: it pushed " + Touched(k.run) +
           " all open (its last line says whether they read back open)";
}
std::string Sentence(const ControlRefusedBoard& k)
{
    return "relayctl refused to push board " + Str(k.board) + ": it read back all ones (not fitted, or not answering)";
}
std::string Sentence(const PushLandsElsewhere& k)
{
    return BoardName(k.board) + " read back the push to board " + Str(k.from) + " at line " + Str(k.push) +
           " instead of its own: pushes to board " + Str(k.from) + " also land on board " + Str(k.board) + " (" +
           ReadBacks(k.readBacks) + ")";
}
std::string Sentence(const BoardNotAnswering& k)
{
    return BoardName(k.board) + " read back all " + (k.allOnes ? "ones" : "zeros") + " every time (" +
           ReadBacks(k.readBacks) + "), whatever was pushed: not fitted, or not answering";
}
std::string Sentence(const RelayStuckClosed& k)
{
    return RelayName(k.relay) + ": stuck closed: read back on every time (" + ReadBacks(k.readBacks) + "), " +
           Str(k.pushedOff) + " of them pushed off";
}
std::string Sentence(const RelayStuckOpen& k)
{
    return RelayName(k.relay) + ": stuck open: read back off every time (" + ReadBacks(k.readBacks) + "), " +
           Str(k.pushedOn) + " of them pushed on";
}
std::string Sentence(const RelayErratic& k)
{
    std::string text = RelayName(k.relay) + ": erratic: " + Str(k.differs) + " of " + ReadBacks(k.readBacks) +
                       (k.differs == 1 ? " differs" : " differ") + " from the push; first read back " +
                       (k.firstReadOn ? "on" : "off") + ", pushed " + (k.firstReadOn ? "off" : "on") + ", ";
    if (k.firstSwitch < 0)
        return text + "with no relay switched before it";
    return text + "when relay " + Str(k.firstSwitch) + " was switched";
}

// "(board 1 read back at line 60)"
std::string ReadAt(std::int32_t relay, std::uint64_t line)
{
    return line == 0 ? " (its board was never read back)"
                     : " (board " + Str(BoardOf(relay)) + " read back at line " + Str(line) + ")";
}
std::string Sentence(const RouteNotFollowed& k)
{
    return "the route " + k.title + (k.made ? " was made, yet " : " was broken, yet ") + RelayName(k.relay) +
           (k.made ? " reads back open" : " reads back closed") + ReadAt(k.relay, k.readAt);
}
std::string Sentence(const RouteFailed& k)
{
    if (k.leftClosed < 0)
        return "a route change failed: " + k.text + " (the read-backs after it show every relay it closed open)";
    return "a route change failed: " + k.text + "; yet " + RelayName(k.leftClosed) +
           ", which it closed, still reads back closed after it" + ReadAt(k.leftClosed, k.readAt);
}

// The deep passes' verdicts, each named as its class is.
std::string Sentence(const RelayOpensAnother& k)
{
    return RelayName(k.relay) + ": opens another: closing it opened " + RelayName(k.other) +
           ", closed before it (" + ReadBacks(k.readBacks) + ")";
}
std::string Sentence(const RelayClosesElsewhere& k)
{
    return RelayName(k.relay) + ": closes on another board: " + RelayName(k.other) +
           " read back closed, pushed open, while it was closed (" + ReadBacks(k.readBacks) + ")";
}
std::string Sentence(const RelayLate& k)
{
    return RelayName(k.relay) + ": late: a read after a push showed its old state, and read " + Str(k.read) +
           " after that push its pushed one (" + Count(k.times, "time", "times") + ")";
}
std::string Sentence(const BoardDropsUnderLoad& k)
{
    return BoardName(k.board) + ": drops under load: read back every relay open while " + Str(k.closed) +
           " of its relays were pushed closed (" + ReadBacks(k.readBacks) +
           "), though each of them read back closed at other times";
}
std::string Sentence(const BoardShifted& k)
{
    return BoardName(k.board) + ": answers shifted: read back its push shifted one relay " +
           (k.up ? "up (relay k as relay k+1)" : "down (relay k as relay k-1)") + " (" + ReadBacks(k.readBacks) + ")";
}
std::string Sentence(const BoardAnswersForOther& k)
{
    return BoardName(k.board) + ": answers for another board: read back the push to board " + Str(k.other) +
           " instead of its own (" + ReadBacks(k.readBacks) + ")";
}

struct PlainRow {
    const char* sentence;
    Concern concern;
};

// In PlainKind order.
constexpr PlainRow PlainRows[PlainKindCount] = {
    {"no card found: the driver reported no card", Concern::CardCheck},
    {"the FPGA revision line is missing after the card check", Concern::CardCheck},
    {"a second card check", Concern::CardCheck},
    {"a second FPGA revision line", Concern::CardCheck},
    {"a board report line outside any board report", Concern::Protocol},
    {"an empty line out of place", Concern::Protocol},
    {"the empty line before the closing prompt is missing", Concern::Protocol},
    {"the pause prompt comes before the closing prompt", Concern::Protocol},
    {"a line after the closing prompt", Concern::Protocol},
    {"a line after the pause prompt", Concern::Protocol},
    {"no relay was verified: every relay of the sweep was skipped", Concern::Protocol},
};

}  // namespace

const char* PlainSentence(PlainKind which) { return PlainRows[static_cast<int>(which)].sentence; }

Concern PlainConcern(PlainKind which) { return PlainRows[static_cast<int>(which)].concern; }

std::size_t KindOf(const FindingKind& what)
{
    if (const Plain* plain = std::get_if<Plain>(&what))
        return std::variant_size_v<FindingKind> - 1 + static_cast<std::size_t>(plain->which);
    return what.index() - 1;
}

std::string Describe(const Finding& finding)
{
    return std::visit([](const auto& kind) { return Sentence(kind); }, finding.what);
}

std::string ProblemLine(const Finding& finding)
{
    return "PROBLEM line " + Str(finding.line) + ": " + Describe(finding);
}

}  // namespace relaylog
