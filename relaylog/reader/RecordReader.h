// The one reader of the programs' console record: a stream of bytes in, one
// typed line at a time out, each register access with a summary of the
// busy-check polls of its wait, summed up as they stream past, so that memory
// stays flat whatever the record's size (a stuck controller writes 10000 polls
// on one line). A record saved on Windows has "\r\n" where the program wrote
// "\n", and may end with the command processor's pause prompt; the strict mode
// reads the program's own bytes.
#ifndef RELAYLOG_READER_RECORDREADER_H
#define RELAYLOG_READER_RECORDREADER_H

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace relaylog {

enum class LineKind {
    CardFound,        // "Success"
    CardMissing,      // "ERROR: TEVRIS didn't find what it expected"
    Revision,         // "FPGA Rev: %08X"
    Switch,           // "Turning on relay %4d", "Turning off relay %4d"
    RelayRangeError,  // "ERROR: relay %d is out of range 0 to 1023"
    BoardRangeError,  // "ERROR: board %d is out of range 0 to 7"
    Access,           // busy-check polls, then "%02X ?? %08X" or "%02X << %08X"
    Blank,            // the empty line before a report or before the closing prompt
    ReportHeading,    // "Board #%d"
    ReportWord,       // "[%08X] = Relays %2d to %3d = " and 32 of "X" / "."
    ReportRule,       // "--------"
    ClosingPrompt,    // "Press enter to exit"
    PausePrompt,      // "Press any key to continue . . . " (saved records only)
    // A framed run's first line, from the table of frames (Frames below),
    // and its last, which begins with the frame's closing word (in frame).
    Heading,          // "Relay sweep of boards LIST" (the boards as bits in value), "Relay control: ...", ...
    Complete,         // "CLOSING complete": the run ended as it should
    NoCard,           // "CLOSING stopped: no card"
    Interrupted,      // "CLOSING stopped: interrupted by ...": stopped from outside
    Busy,             // "CLOSING stopped: the SPI controller stayed busy ..."
    Unwritten,        // "CLOSING stopped: the record could not be written ..."
    ControlCommand,   // "Command: COMMAND": a command of a session, before its lines
    ControlRefused,   // "Board %d refused: ...": a board it would not push, after its read-back
    ControlLimit,     // "Board %d refused: closing ...": relayctl's per-board limit, nothing switched
    Wiring,           // "Wiring: FILE (checksum %016X)": after the card header of relaysweep and relayctl
    Ledger,           // "Ledger: FILE": next, when the run's closes were counted into a ledger as it ran
    RelaySkipped,     // "Relay %d skipped: REASON": relaysweep left it open by rule
    CommandRefused,   // "Command refused: REASON": relayctl refused a close by rule, nothing switched
    RulesBroken,      // "Rules broken: REASON": relayctl found the boards already breaking a rule
    RouteMade,        // "Route made: TITLE through B:R:C, ...; settle %d ms" (the settle time in n)
    RouteBroken,      // "Route broken: TITLE through B:R:C, ..."
    RouteFailed,      // "Route failed: TITLES: REASON; ROLLBACK": a relay did not follow, what it closed opened again
    DeepPass,         // "Deep pass: signature", "Deep pass: background of board %d, relays %d-%d", "Deep pass: load"
    DeepSkip,         // "Deep skip: relay %d: REASON": a deep pass left it open by rule
};

inline bool IsCardCheck(LineKind kind) { return kind == LineKind::CardFound || kind == LineKind::CardMissing; }

// What a run does, which decides how its record is followed: relaytest's
// one fixed pass; a sweep, every relay closed alone; switching on command.
// A line is written by one kind of run, by every run, or is the frame's own.
enum class RunKind { Fixed, Sweep, Switching, Every, Frame };

// How a program frames its record: its first line (a template, as in
// LineTemplates.cpp), and the word its last line begins with ("Sweep complete",
// "Control stopped: no card"). A new program costs one row.
struct Frame {
    const char* program;
    std::string_view heading;  // empty for relaytest, whose record begins with the card check
    std::string_view closing;  // empty for relaytest, whose record ends with the closing prompt
    RunKind kind;
};

inline constexpr Frame Frames[] = {
    {"relaytest", "", "", RunKind::Fixed},
    {"relaysweep", "Relay sweep of boards {boards}", "Sweep", RunKind::Sweep},
    {"relayctl", "Relay control: {why}", "Control", RunKind::Switching},
    {"relayctl", "Relay control session", "Control", RunKind::Switching},
    {"relaymatrix", "Relay matrix session", "Session", RunKind::Switching},
};
inline constexpr const Frame* Relaytest = &Frames[0];

// The busy-check polls that precede one access.
struct PollSummary {
    std::uint64_t count = 0;
    std::uint64_t firstIdle = 0;  // 1-based number of the first idle poll; 0 when none was idle
    std::uint32_t firstValue = 0;
    std::uint32_t lastValue = 0;
    bool allSame = true;        // every poll read firstValue
    bool strayAddress = false;  // a poll read something other than the control register
    std::uint32_t strayAddressValue = 0;
};

struct RecordLine {
    LineKind kind = LineKind::Blank;
    std::uint64_t number = 0;  // from 1
    bool carriageReturn = false;  // strict mode: the line ended in "\r\n"
    PollSummary polls;         // Access only
    bool on = false;           // Switch
    std::int32_t n = 0;        // Switch, range errors: relay or board; ReportHeading: board; ReportWord: first relay
    std::int32_t last = 0;     // ReportWord: last relay
    bool write = false;        // Access
    std::uint32_t offset = 0;  // Access
    std::uint32_t value = 0;   // Access, Revision, ReportWord; a sweep's Heading: bit b for board b
    std::uint32_t map = 0;     // ReportWord: the "X" / "." characters as bits, first character in bit 0
    std::string text;          // Wiring: "FILE (checksum X)"; a route's title; the free text of the others
    std::vector<std::int32_t> path;  // RouteMade, RouteBroken: the relays of the path, in order
    const Frame* frame = nullptr;  // Heading: its row; the last lines: the first row of their closing word
};

enum class ReadResult { Line, End, Malformed };

enum class ReaderMode {
    Saved,   // a record as saved on Linux or Windows, perhaps with the pause prompt
    Strict,  // the program's own bytes
};

// Why a record is not one: the kinds of Malformed.
enum class ReadFault {
    None,
    Unreadable,    // the input itself could not be read
    NotALine,      // not a line relaytest prints
    TooLong,       // longer than any line the programs print
    BadPoll,       // a busy-check poll spelt wrongly
    PollsAlone,    // polls with no register access after them
    CutInsideLine, // the input ends inside a line
    LineEnd,       // strict mode: the line does not end as the program ends it
};

class RecordReader {
public:
    explicit RecordReader(std::istream& in, ReaderMode mode = ReaderMode::Saved)
        : in_(&in), mode_(mode), storage_(new char[BufferSize]) {}
    explicit RecordReader(std::string_view text, ReaderMode mode = ReaderMode::Saved)  // read in place
        : mode_(mode), data_(text.data()), len_(text.size()) {}

    // The next line. After Malformed, Fault() and Error() say why and
    // ErrorLine() where (0 when the input itself could not be read).
    ReadResult Next(RecordLine& line);

    ReadFault Fault() const { return fault_; }
    const std::string& Error() const { return error_; }
    std::uint64_t ErrorLine() const { return errorLine_; }
    std::uint64_t LinesRead() const { return linesRead_; }
    // The polls of the line under way when the record ended inside it.
    const PollSummary& PendingPolls() const { return polls_; }

private:
    bool Fill();
    bool TakePolls();
    ReadResult Finish(RecordLine& line, bool atEnd);
    ReadResult Fail(std::uint64_t lineNumber, ReadFault fault, const std::string& why);

    static constexpr std::size_t BufferSize = 65536;

    std::istream* in_ = nullptr;  // none for a record in memory
    ReaderMode mode_;
    std::unique_ptr<char[]> storage_;  // what was read of the stream
    const char* data_ = nullptr;
    std::size_t len_ = 0;
    std::size_t pos_ = 0;
    std::string pending_;  // the current line, less the polls already taken
    PollSummary polls_;
    std::uint64_t linesRead_ = 0;
    ReadFault fault_ = ReadFault::None;
    std::string error_;
    std::uint64_t errorLine_ = 0;
};

// The kind of run that writes lines of the kind (Every, or Frame for the
// headings, the last lines and the wiring line after the card header).
RunKind WrittenBy(LineKind kind);
// What printed a line of the kind, for a finding that it is out of place;
// of: the frame a heading or last line names.
std::string LineName(LineKind kind, const Frame* of);

// A set of boards (bit b for board b) as relaysweep names it: ascending, each
// run of two or more boards as a range ("0-7", "0,2-3").
std::string BoardListText(std::uint32_t boards);

// The reader's own matcher (LineTemplates.cpp): the line's kind and fields
// from text, its line end and polls taken off (false when it is no line the
// programs print); whether start begins a line that carries free text; one
// busy-check poll, and its fixed beginning and end.
bool MatchLine(std::string_view text, RecordLine& line);
bool CarriesText(std::string_view start);
bool MatchPoll(std::string_view text, RecordLine& poll);  // its address in offset, what it read in value
inline constexpr std::string_view PollOpen = "  [[[ SPI Busy Check ";
inline constexpr std::string_view PollClose = " ]]]  ";

}  // namespace relaylog

#endif
