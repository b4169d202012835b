// The lines of a saved relaytest record, read one at a time from a stream.
//
// relaytest prints a card check, the FPGA revision, relay switches, one line
// per SPI register access (each led by the busy-check polls of its wait) and
// board reports. A record saved on Windows has "\r\n" where the program wrote
// "\n", so its report lines end in "\r\r\n"; carriage returns at the end of a
// line are therefore not part of the line. The command processor's pause
// prompt may follow the closing prompt, with or without a line end.
//
// A stuck controller writes 10000 polls on one line: the polls are summed up
// as they stream past, so memory stays flat whatever the record's size.
#ifndef RELAYLOG_RECORDLINES_H
#define RELAYLOG_RECORDLINES_H

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

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
    PausePrompt,      // "Press any key to continue . . . "
};

// The busy-check polls that precede one access.
struct PollSummary {
    std::uint64_t count = 0;
    std::uint64_t firstIdle = 0;  // 1-based number of the first idle poll; 0 when none was idle
    std::uint32_t lastValue = 0;
    bool strayAddress = false;  // a poll read something other than the control register
    std::uint32_t strayAddressValue = 0;
};

struct RecordLine {
    LineKind kind = LineKind::Blank;
    std::uint64_t number = 0;  // from 1
    PollSummary polls;         // Access only
    bool on = false;           // Switch
    std::int32_t n = 0;        // Switch, range errors: relay or board; ReportHeading: board; ReportWord: first relay
    std::int32_t last = 0;     // ReportWord: last relay
    bool write = false;        // Access
    std::uint32_t offset = 0;  // Access
    std::uint32_t value = 0;   // Access, Revision, ReportWord
    std::uint32_t map = 0;     // ReportWord: the "X" / "." characters as bits, first character in bit 0
};

enum class ReadResult { Line, End, Malformed };

class RecordReader {
public:
    explicit RecordReader(std::istream& in) : in_(in) {}

    // The next line. After Malformed, Error() says why and ErrorLine() where
    // (0 when the input itself could not be read).
    ReadResult Next(RecordLine& line);

    const std::string& Error() const { return error_; }
    std::uint64_t ErrorLine() const { return errorLine_; }
    std::uint64_t LinesRead() const { return linesRead_; }

private:
    bool Fill();
    bool TakePoll();
    ReadResult Finish(RecordLine& line);
    ReadResult Fail(std::uint64_t lineNumber, const std::string& why);

    std::istream& in_;
    char buffer_[65536] = {};
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    std::string pending_;  // the current line, less the polls already taken
    PollSummary polls_;
    bool lineStarted_ = false;
    std::uint64_t linesRead_ = 0;
    std::string error_;
    std::uint64_t errorLine_ = 0;
};

// Up to 60 characters of text, with control and non-ASCII bytes escaped.
std::string Excerpt(const std::string& text);

#endif
