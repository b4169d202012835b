#include "Reports.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>
#include <utility>

#include "Wiring.h"

namespace relaylog {

namespace {

const Wiring* Station = nullptr;

template <typename Int> std::string Str(Int n) { return std::to_string(n); }

// "the push for relay 100 (line 9)", "the fetch of board 0 (line 27)"; how
// far a step had come: "2 writes of 5", "0 reads of 4", "1 line of 7".
std::string StepName(const Sequence& step)
{
    const std::string number = Str(step.number);
    switch (step.kind) {
    case Sequence::Push: return "the push for relay " + number + " (line " + Str(step.line) + ")";
    case Sequence::StartFetch:
    case Sequence::Fetch: return "the fetch of board " + number + " (line " + Str(step.line) + ")";
    case Sequence::Report: return "the report of board " + number + " fetched at line " + Str(step.line);
    case Sequence::None: break;
    }
    return "";
}

std::string Progress(const Sequence& step, std::int64_t done)
{
    const auto n = static_cast<std::uint64_t>(done);
    switch (step.kind) {
    case Sequence::Push: return Count(n, "write", "writes") + " of 5";
    case Sequence::Fetch: return Count(n, "read", "reads") + " of 4";
    case Sequence::Report: return Count(n, "line", "lines") + " of 7";
    case Sequence::StartFetch:
    case Sequence::None: break;
    }
    return "";
}

// What was under way where the record stops: "during the push for relay 100
// that began at line 9 (2 writes of 5 done)".
std::string UnderWay(const Stop& stop)
{
    const std::string step = StepName(stop.within);
    const std::string begun = stop.within.kind == Sequence::Report ? step
                              : step.substr(0, step.find(" (line ")) + " that began at line " + Str(stop.within.line);
    if (stop.within.kind != Sequence::None)
        return "during " + begun + " (" + Progress(stop.within, stop.done) + " done)";
    if (stop.last.kind != Sequence::None)
        return "after " + StepName(stop.last);
    switch (stop.phase) {
    case Stop::CardCheck: return "after " + std::string(stop.program->program) + "'s first line";
    case Stop::Revision: return "after the card check";
    case Stop::Body: break;
    }
    return "after the FPGA revision line";
}

}  // namespace

std::string Count(std::uint64_t n, const char* one, const char* many) { return Str(n) + " " + (n == 1 ? one : many); }

std::string Hex(std::uint32_t value, int width)
{
    char text[16];
    (void)std::snprintf(text, sizeof text, "%0*X", width, value);
    return text;
}

void UseWiring(const Wiring* wiring) { Station = wiring; }

const Wiring* StationWiring() { return Station; }

std::string RelayName(std::int64_t relay)
{
    if (Station != nullptr && relay >= 0 && relay < Relays)
        return ::RelayName(*Station, static_cast<int>(relay));
    return "relay " + std::to_string(relay) + " (board " + std::to_string(BoardOf(relay)) + ", row " +
           std::to_string(RowOf(relay)) + ", column " + std::to_string(ColumnOf(relay)) + ")";
}

std::string RelayRange(int board)
{
    return std::to_string(board * RelaysPerBoard) + "-" + std::to_string(board * RelaysPerBoard + RelaysPerBoard - 1);
}

const char* ClassName(RelayClass k) { return WordsOf(k).name; }

std::string ClassCounts(const PerClass& counts)
{
    std::string text;
    // Skipped by rule beside the unverified, the deep passes' classes last.
    constexpr int Order[RelayClassCount] = {0, 1, 2, 6, 3, 4, 5, 7, 8, 9, 10, 11, 12};
    for (const int k : Order) {
        if (IsListed(counts, k))
            text += (k == 0 ? "" : ", ") + Str(counts[static_cast<std::size_t>(k)]) + " " + Classes[k].name;
    }
    return text;
}

std::string CardCheckLine(std::uint64_t line, bool found)
{
    return "Card check (line " + Str(line) + "): " + (found ? "card found" : "no card");
}

std::string RevisionLine(std::uint64_t line, std::uint32_t value)
{
    return "FPGA revision (line " + Str(line) + "): " + Hex(value);
}

std::string VerdictLine(std::uint64_t problems)
{
    return problems == 0 ? "PASS: no problems" : "FAIL: " + Count(problems, "problem", "problems");
}

std::string ErrorLine(std::uint64_t line, const std::string& why)
{
    return (line == 0 ? std::string("ERROR: ") : "ERROR line " + Str(line) + ": ") + why;
}

std::string StopText(const Stop& stop)
{
    std::string where = "the record stops here";
    if (stop.insideLine)
        where = "the record ends inside this line" +
                (stop.polls > 0 ? ", after " + Count(stop.polls, "busy check", "busy checks") : std::string());
    const std::string end = stop.program->closing.empty() ? std::string("the closing prompt")
                                                          : "\"" + std::string(stop.program->closing) + " complete\"";
    return where + ", " + UnderWay(stop) + ", before " + end + ": the run died there, or the record is cut short";
}

std::string WiringNamed(const Wiring& wiring) { return wiring.shown + " (checksum " + wiring.checksum + ")"; }

std::string WiringWarning(const std::string& named)
{
    const std::string given = Station != nullptr ? WiringNamed(*Station) : std::string();
    const std::size_t sum = named.size() - std::min<std::size_t>(named.size(), 17);  // the checksum, and ")"
    if (named.empty() && Station != nullptr)
        return "the record names no wiring, but relaylog was given " + given +
               ": the run did not keep the station's rules";
    if (!named.empty() && Station == nullptr)
        return "the record was made under the wiring " + named +
               ", but relaylog was given none (--wiring, or RELAYTEST_WIRING): relays are named by number only";
    if (!named.empty() && named.compare(sum, 16, Station->checksum) != 0)
        return "the record was made under the wiring " + named + ", but relaylog was given " + given +
               ": another file, or one changed since, so the names may not be those of the run";
    return {};
}

std::string XmlEscaped(const std::string& text, bool keepLineFeeds)
{
    std::string out;
    for (const char c : text) {
        const char* entity = c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : nullptr;
        if (entity != nullptr)
            out += entity;
        else if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || (keepLineFeeds && c == '\n'))
            out += c;
    }
    return out;
}

// One row for each kind of finding: its concern and its sentence, in Kind
// order. The fixed sentences are checked against docs/relaylog.md by a test.
namespace {

using F = const Finding&;
using Field = std::string (*)(const Finding&);

std::string BoardName(int board) { return "board " + Str(board) + " (relays " + RelayRange(board) + ")"; }

// "the write of 00000001 to 104 (SpiData0)", "the read of 110 (SpiData3)"
std::string AccessName(F f)
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

// The fields a sentence names in braces, each read from the finding; "{a|b}"
// is a when the finding's flag is set, else b.
constexpr std::pair<std::string_view, Field> Fields[] = {
    {"subject", [](F f) { return Str(f.subject); }},
    {"other", [](F f) { return Str(f.other); }},
    {"n1", [](F f) { return Str(f.n[1]); }},
    {"n2", [](F f) { return Str(f.n[2]); }},
    {"relay", [](F f) { return RelayName(f.subject); }},
    {"other relay", [](F f) { return RelayName(f.other); }},
    {"board", [](F f) { return BoardName(static_cast<int>(f.subject)); }},
    {"access", [](F f) {  // and the step it belongs to
         if (f.step.kind == Sequence::StartFetch)
             return AccessName(f) + " starting the fetch of board " + Str(f.step.number);
         return f.step.kind == Sequence::None ? AccessName(f) : AccessName(f) + " in " + StepName(f.step);
     }},
    {"step", [](F f) { return StepName(f.step); }},
    {"progress", [](F f) { return Progress(f.step, f.other); }},
    {"fetched", [](F f) { return Str(f.step.number); }},
    {"fetched at", [](F f) { return Str(f.step.line); }},
    {"range", [](F f) { return "relays " + Str(f.n[0]) + " to " + Str(f.n[0] + 31); }},
    {"word1", [](F f) { return Hex(static_cast<std::uint32_t>(f.n[1])); }},
    {"word2", [](F f) { return Hex(static_cast<std::uint32_t>(f.n[2])); }},
    {"polled", [](F f) { return Hex(static_cast<std::uint32_t>(f.n[2]), 2); }},
    {"control", [](F) { return Hex(ControlRegister, 2); }},
    {"limit", [](F) { return Str(PollLimit); }},
    {"read-backs", [](F f) { return Count(f.n[0], "read-back", "read-backs"); }},
    {"times", [](F f) { return Count(f.n[0], "time", "times"); }},
    {"busy polls", [](F f) { return Count(f.n[2], "busy poll", "busy polls"); }},
    {"differs", [](F f) { return std::string(f.n[1] == 1 ? "differs" : "differ"); }},
    {"switched", [](F f) {
         return f.other < 0 ? std::string("with no relay switched before it")
                            : "when relay " + Str(f.other) + " was switched";
     }},
    {"title", [](F f) { return f.text; }},
    {"read at", [](F f) { return ReadAt(f.subject, f.n[0]); }},
    {"rollback", [](F f) {
         if (f.subject < 0)
             return std::string(" (the read-backs after it show every relay it closed open)");
         return "; yet " + RelayName(f.subject) + ", which it closed, still reads back closed after it" +
                ReadAt(f.subject, f.n[0]);
     }},
    {"program", [](F f) { return std::string(f.run->program); }},
    {"touched", [](F f) { return Touched(f.run); }},
};

// The sentence, each field in braces filled from the finding.
std::string Fill(std::string_view sentence, F f)
{
    std::string text;
    for (std::size_t open = sentence.find('{'); open != std::string_view::npos; open = sentence.find('{')) {
        const std::size_t close = sentence.find('}', open);
        const std::string_view field = sentence.substr(open + 1, close - open - 1);
        const std::size_t bar = field.find('|');
        const auto row = std::find_if(std::begin(Fields), std::end(Fields), [&](const auto& r) { return r.first == field; });
        text.append(sentence.substr(0, open));
        if (bar != std::string_view::npos)
            text.append(f.flag ? field.substr(0, bar) : field.substr(bar + 1));
        else
            text += row != std::end(Fields) ? row->second(f) : std::string(field);
        sentence.remove_prefix(close + 1);
    }
    return text.append(sentence);
}

std::string OutOfPlace(F f)
{
    const std::string line = LineName(f.what, f.frame);
    if (f.what == LineKind::NoCard && f.frame->closing == f.run->closing)
        return line + ", though the card check found a card";
    return line + " out of place in a " + (f.run->kind == RunKind::Sweep ? "sweep" : f.run->program) + " record";
}

std::string Stopped(F f)
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

struct Row {
    Concern concern;
    std::string_view sentence;  // its fields in braces (Fields)
    Field special = nullptr;    // a sentence with more to it than its fields
};

// In Kind order, one row for each kind.
constexpr Row Rows[] = {
    {Concern::Protocol, "relaytest refused relay {subject} as out of range"},
    {Concern::Protocol, "relaytest refused board {subject} as out of range"},
    {Concern::Protocol, "relay {subject} does not exist (0 to 1023)"},
    {Concern::Protocol, "{access} belongs to no relay switch or board fetch"},
    {Concern::Protocol, "{step} breaks off after {progress}"},
    {Concern::Protocol, "{access} should have been {word2}"},
    {Concern::Relay, "{relay}: pushed {off|on}, read back {on|off}"},
    {Concern::Protocol, "a report of board {subject} with no fetch before it"},
    {Concern::Fetch, "the report is headed board {subject}, but board {fetched} was fetched at line {fetched at}"},
    {Concern::Fetch, "the report labels {range} as relays {subject} to {other}"},
    {Concern::Fetch, "the map of {range} does not match the word {word1} beside it"},
    {Concern::Fetch, "the report shows {word1} for {range}, but the fetch read {word2} at line {other}"},
    {Concern::Waits, "{access} has no busy check before it"},
    {Concern::Waits, "{access} comes after {n2} busy checks, more than the {limit}-poll limit"},
    {Concern::Waits, "busy check {n2} before {access} read idle, yet the wait went on"},
    {Concern::Waits,
     "the controller was still busy after {limit} polls (the limit) before {access}; the access went ahead anyway"},
    {Concern::Waits, "the wait before {access} gave up after {busy polls}, short of the {limit}-poll limit"},
    {Concern::Waits, "a busy check before {access} polls {polled} instead of the control register {control}"},
    {Concern::Protocol, "", OutOfPlace},
    {Concern::Protocol, "", Stopped},
    {Concern::Waits, "the SPI controller stayed busy from here on, each wait running to the {limit}-poll limit, "
                     "and {program} stopped: it pushed {touched} all open (its last line says whether they read "
                     "back open)"},
    {Concern::Protocol,
     "relayctl refused to push board {subject}: it read back all ones (not fitted, or not answering)"},
    {Concern::Board, "{board} read back the push to board {other} at line {n1} instead of its own: pushes to board "
                     "{other} also land on board {subject} ({read-backs})"},
    {Concern::Board,
     "{board} read back all {ones|zeros} every time ({read-backs}), whatever was pushed: not fitted, or not answering"},
    {Concern::Relay, "{relay}: stuck closed: read back on every time ({read-backs}), {n1} of them pushed off"},
    {Concern::Relay, "{relay}: stuck open: read back off every time ({read-backs}), {n1} of them pushed on"},
    {Concern::Relay, "{relay}: erratic: {n1} of {read-backs} {differs} from the push; first read back {on|off}, "
                     "pushed {off|on}, {switched}"},
    {Concern::Relay, "the route {title} was {made|broken}, yet {relay} reads back {open|closed}{read at}"},
    {Concern::Protocol, "a route change failed: {title}{rollback}"},
    // The deep passes' verdicts, each named as its class is.
    {Concern::Relay, "{relay}: opens another: closing it opened {other relay}, closed before it ({read-backs})"},
    {Concern::Relay, "{relay}: closes on another board: {other relay} read back closed, pushed open, while it was "
                     "closed ({read-backs})"},
    {Concern::Relay, "{relay}: late: a read after a push showed its old state, and read {n1} after that push its "
                     "pushed one ({times})"},
    {Concern::Board, "{board}: drops under load: read back every relay open while {n1} of its relays were pushed "
                     "closed ({read-backs}), though each of them read back closed at other times"},
    {Concern::Board, "{board}: answers shifted: read back its push shifted one relay {up (relay k as relay k+1)|down "
                     "(relay k as relay k-1)} ({read-backs})"},
    {Concern::Board, "{board}: answers for another board: read back the push to board {other} instead of its own "
                     "({read-backs})"},
    {Concern::CardCheck, "no card found: the driver reported no card"},
    {Concern::CardCheck, "the FPGA revision line is missing after the card check"},
    {Concern::CardCheck, "a second card check"},
    {Concern::CardCheck, "a second FPGA revision line"},
    {Concern::Protocol, "a board report line outside any board report"},
    {Concern::Protocol, "an empty line out of place"},
    {Concern::Protocol, "the empty line before the closing prompt is missing"},
    {Concern::Protocol, "the pause prompt comes before the closing prompt"},
    {Concern::Protocol, "a line after the closing prompt"},
    {Concern::Protocol, "a line after the pause prompt"},
    {Concern::Protocol, "no relay was verified: every relay of the sweep was skipped"},
};
static_assert(std::size(Rows) == KindCount, "a kind without its row");

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

std::string Describe(const Finding& finding)
{
    const Row& row = RowOf(finding.kind);
    return row.special != nullptr ? row.special(finding) : Fill(row.sentence, finding);
}

std::string ProblemLine(const Finding& finding)
{
    return "PROBLEM line " + Str(finding.line) + ": " + Describe(finding);
}

}  // namespace relaylog
