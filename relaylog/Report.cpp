#include "Report.h"

#include <cstdio>

namespace relaylog {

namespace {

// Register values as the traces print them.
std::string Hex(std::uint32_t value)
{
    char text[16];
    (void)std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

// Register offsets as the traces print them.
std::string Offset(std::uint32_t offset)
{
    char text[16];
    (void)std::snprintf(text, sizeof text, "%02X", offset);
    return text;
}


std::string Str(std::int64_t n) { return std::to_string(n); }
std::string Str(std::uint64_t n) { return std::to_string(n); }
std::string Str(int n) { return std::to_string(n); }

// "the write of 00000001 to 104 (SpiData0)", "the read of 110 (SpiData3)"
std::string AccessName(const RecordLine& line)
{
    std::string text = line.write ? "the write of " + Hex(line.value) + " to " + Offset(line.offset)
                                  : "the read of " + Offset(line.offset);
    if (line.offset == ControlRegister)
        text += " (SpiControl)";
    for (int word = 0; word < WordsPerBoard; ++word) {
        if (line.offset == DataRegister[word])
            text += " (SpiData" + Str(word) + ")";
    }
    return text;
}

// "the push for relay 100 (line 9)", "the fetch of board 0 (line 27)"
std::string StepName(const Sequence& step)
{
    switch (step.kind) {
    case Sequence::Push: return "the push for relay " + Str(step.number) + " (line " + Str(step.line) + ")";
    case Sequence::StartFetch:
    case Sequence::Fetch: return "the fetch of board " + Str(step.number) + " (line " + Str(step.line) + ")";
    case Sequence::Report: return "the report of board " + Str(step.number) + " fetched at line " + Str(step.line);
    case Sequence::None: break;
    }
    return "";
}

// How far a step had come: "2 writes of 5", "0 reads of 4", "1 line of 7".
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

// An access and the step it belongs to.
std::string Role(const Finding& f)
{
    if (f.within.kind == Sequence::StartFetch)
        return AccessName(f.access) + " starting the fetch of board " + Str(f.within.number);
    if (f.within.kind == Sequence::None)
        return AccessName(f.access);
    return AccessName(f.access) + " in " + StepName(f.within);
}

std::string Range(std::int32_t first) { return "relays " + Str(first) + " to " + Str(first + 31); }

std::string DescribeWait(const Finding& f)
{
    switch (f.kind) {
    case FindingKind::NoPoll: return Role(f) + " has no busy check before it";
    case FindingKind::PastLimit:
        return Role(f) + " comes after " + Str(f.count) +
               " busy checks, more than the " + Str(PollLimit) + "-poll limit";
    case FindingKind::WaitWentOn:
        return "busy check " + Str(f.count) + " before " + Role(f) +
               " read idle, yet the wait went on";
    case FindingKind::StillBusyAtLimit:
        return "the controller was still busy after " + Str(PollLimit) + " polls (the limit) before " + Role(f) +
               "; the access went ahead anyway";
    case FindingKind::GaveUpEarly:
        return "the wait before " + Role(f) + " gave up after " + Count(f.count, "busy poll", "busy polls") +
               ", short of the " + Str(PollLimit) + "-poll limit";
    case FindingKind::StrayPoll:
        return "a busy check before " + Role(f) + " polls " + Offset(f.value) + " instead of the control register " + Offset(ControlRegister);
    default: break;
    }
    return "";
}

std::string DescribeReport(const Finding& f)
{
    switch (f.kind) {
    case FindingKind::OrphanReport: return "a report of board " + Str(f.n) + " with no fetch before it";
    case FindingKind::ReportLineOutside: return "a board report line outside any board report";
    case FindingKind::ReportOtherBoard:
        return "the report is headed board " + Str(f.n) + ", but board " + Str(f.within.number) +
               " was fetched at line " + Str(f.within.line);
    case FindingKind::ReportLabels:
        return "the report labels " + Range(f.first) + " as relays " + Str(f.n) + " to " + Str(f.last);
    case FindingKind::ReportMapMismatch:
        return "the map of " + Range(f.first) + " does not match the word " + Hex(f.value) + " beside it";
    case FindingKind::ReportFetchMismatch:
        return "the report shows " + Hex(f.value) + " for " + Range(f.first) + ", but the fetch read " +
               Hex(f.other) + " at line " + Str(f.otherLine);
    default: break;
    }
    return DescribeWait(f);
}

std::string StripTrailingBlanks(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// What printed a line of a kind that is out of place.
std::string LineName(std::int64_t kind)
{
    switch (static_cast<LineKind>(kind)) {
    case LineKind::SweepHeading: return "relaysweep's first line";
    case LineKind::SweepComplete: return "relaysweep's last line \"Sweep complete\"";
    case LineKind::SweepNoCard: return "relaysweep's \"Sweep stopped: no card\"";
    case LineKind::SweepStopped: return "relaysweep's \"Sweep stopped: interrupted\"";
    case LineKind::ClosingPrompt: return "relaytest's closing prompt";
    default: break;
    }
    return "a line";
}

std::string OutOfPlace(const Finding& f)
{
    if (static_cast<LineKind>(f.n) == LineKind::SweepNoCard && f.on)
        return LineName(f.n) + ", though the card check found a card";
    return LineName(f.n) + " out of place in a " + (f.on ? "sweep" : "relaytest") + " record";
}

}  // namespace

std::string RelayName(std::int64_t relay)
{
    return "relay " + Str(relay) + " (board " + Str(BoardOf(relay)) + ", row " + Str(RowOf(relay)) + ", column " +
           Str(ColumnOf(relay)) + ")";
}

void DrawGrid(std::ostream& out, const std::function<std::string(int relay)>& cell)
{
    std::string header = "        ";
    for (int column = 0; column < Columns; ++column)
        header += (column < 10 ? " " : "") + Str(column) + " ";
    out << StripTrailingBlanks(header) << "\n";
    for (int row = 0; row < Rows; ++row) {
        std::string text = "  row " + Str(row) + " ";
        for (int column = 0; column < Columns; ++column)
            text += cell(column * Rows + row);
        out << StripTrailingBlanks(text) << "\n";
    }
}

std::string Describe(const Finding& f)
{
    switch (f.kind) {
    case FindingKind::NoCard: return "no card found: the driver reported no card";
    case FindingKind::MissingRevision: return "the FPGA revision line is missing after the card check";
    case FindingKind::SecondCardCheck: return "a second card check";
    case FindingKind::SecondRevision: return "a second FPGA revision line";
    case FindingKind::RefusedRelay: return "relaytest refused relay " + Str(f.n) + " as out of range";
    case FindingKind::RefusedBoard: return "relaytest refused board " + Str(f.n) + " as out of range";
    case FindingKind::NoSuchRelay: return "relay " + Str(f.n) + " does not exist (0 to 1023)";
    case FindingKind::StrayAccess: return Role(f) + " belongs to no relay switch or board fetch";
    case FindingKind::BrokenOff: return StepName(f.within) + " breaks off after " + Progress(f.within, f.n);
    case FindingKind::WrongValue: return Role(f) + " should have been " + Hex(f.value);
    case FindingKind::RelayDiffers:
        return RelayName(f.n) + ": pushed " + (f.on ? "off" : "on") + ", read back " + (f.on ? "on" : "off");
    case FindingKind::BlankOutOfPlace: return "an empty line out of place";
    case FindingKind::NoBlankBeforePrompt: return "the empty line before the closing prompt is missing";
    case FindingKind::PauseBeforeClosing: return "the pause prompt comes before the closing prompt";
    case FindingKind::LineAfterClosing: return "a line after the closing prompt";
    case FindingKind::LineAfterPause: return "a line after the pause prompt";
    case FindingKind::LineOutOfPlace: return OutOfPlace(f);
    case FindingKind::SweepStopped:
        return "the sweep was stopped from outside before its end" +
               (f.n >= 0 ? ", the last relay it closed " + RelayName(f.n) + " at line " + Str(f.otherLine)
                         : std::string(", before it closed any relay")) +
               ": the relays it did not reach are unverified";
    default: break;
    }
    return DescribeReport(f);
}

void ReportWriter::SweepHeading(std::uint64_t line, std::uint32_t boards)
{
    sweep_ = true;
    out_ << "Relay sweep (line " << line << "): boards " << BoardListText(boards) << "\n";
}

void ReportWriter::CardCheck(std::uint64_t line, bool found)
{
    out_ << "Card check (line " << line << "): " << (found ? "card found" : "no card") << "\n";
}

void ReportWriter::Revision(std::uint64_t line, std::uint32_t value)
{
    out_ << "FPGA revision (line " << line << "): " << Hex(value) << "\n";
}

void ReportWriter::ProblemLine(Concern concern, int board, std::uint64_t line, const std::string& text)
{
    ++problems_;
    const std::string problem = "PROBLEM line " + Str(line) + ": " + text;
    out_ << problem << "\n";
    if (junit_ != nullptr)
        junit_->Problem(concern, board, problem);
}

void ReportWriter::Problem(const Finding& finding)
{
    int board = -1;
    const Concern concern = ConcernOf(finding, board);
    ProblemLine(concern, board, finding.line, Describe(finding));
}

// In a sweep record the relays are judged at the end, with one grid per
// board: a grid for each of its thousand read-backs would bury the verdict.
void ReportWriter::BoardReadBack(const ReadBack& r)
{
    verdicts_.Observe(r);
    if (junit_ != nullptr)
        junit_->BoardReadBack(r.board);
    if (sweep_)
        return;
    const int first = r.board * RelaysPerBoard;
    out_ << "\nBoard " << r.board << " (relays " << first << "-" << first + RelaysPerBoard - 1 << ") read back at lines "
         << r.firstLine << "-" << r.lastLine;
    Words differs{};
    if (r.pushedAt == 0) {
        out_ << ", never pushed in this record: nothing to compare\n";
    } else {
        out_ << ", compared with the push at line " << r.pushedAt << ":\n";
        for (std::size_t word = 0; word < WordsPerBoard; ++word)
            differs[word] = r.fetched[word] ^ r.pushed[word];
    }
    DrawGrid(out_, [&](int c) {
        const bool marked = Bit(differs, c);
        return std::string(1, marked ? '[' : ' ') + (Bit(r.fetched, c) ? 'X' : '.') + (marked ? ']' : ' ');
    });
    if (r.pushedAt == 0)
        return;
    std::uint64_t differing = 0;
    for (int c = 0; c < RelaysPerBoard; ++c)
        differing += Bit(differs, c) ? 1u : 0u;
    if (differing == 0)
        out_ << "  all 128 relays as pushed\n";
    else
        out_ << "  " << Count(differing, "relay differs", "relays differ") << " from the push, marked [ ]\n";
}

int ReportWriter::Verdict(const Traffic& t)
{
    RelayVerdictGrids();
    out_ << "\nTraffic: " << Count(t.accesses, "SPI access", "SPI accesses") << ", "
         << Count(t.polls, "busy check", "busy checks");
    if (t.longestWait > 0)
        out_ << ", longest wait " << Count(t.longestWait, "poll", "polls") << " (line " << t.longestWaitLine << ")";
    out_ << "\n";
    RelaySummary();
    if (problems_ == 0) {
        out_ << "PASS: no problems\n";
        return 0;
    }
    out_ << "FAIL: " << Count(problems_, "problem", "problems") << "\n";
    return 1;
}

int ReportWriter::Error(std::uint64_t line, const std::string& why)
{
    const std::string error = (line == 0 ? std::string("ERROR: ") : "ERROR line " + Str(line) + ": ") + why;
    out_ << error << "\n";
    if (junit_ != nullptr)
        junit_->Error(error);
    return 2;
}

namespace {

// "the push for relay 100 that began at line 9"
std::string StepBegun(const Sequence& step)
{
    if (step.kind == Sequence::Report)
        return StepName(step);
    const std::string name = StepName(step);
    return name.substr(0, name.find(" (line ")) + " that began at line " + Str(step.line);
}

// What was under way where the record stops.
std::string UnderWay(const Stop& stop)
{
    if (stop.within.kind != Sequence::None)
        return "during " + StepBegun(stop.within) + " (" + Progress(stop.within, stop.done) + " done)";
    if (stop.last.kind != Sequence::None)
        return "after " + StepName(stop.last);
    switch (stop.phase) {
    case Stop::CardCheck: return "after relaysweep's first line";
    case Stop::Revision: return "after the card check";
    case Stop::Body: break;
    }
    return "after the FPGA revision line";
}

}  // namespace

int ReportWriter::Stopped(const Stop& stop)
{
    std::string where = "the record stops here";
    if (stop.insideLine)
        where = "the record ends inside this line" +
                (stop.polls > 0 ? ", after " + Count(stop.polls, "busy check", "busy checks") : std::string());
    return Error(stop.line, where + ", " + UnderWay(stop) + ", before " +
                                (stop.sweep ? "\"Sweep complete\"" : "the closing prompt") +
                                ": the run died there, or the record is cut short");
}

std::string Count(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace relaylog
