#include "RecordCheck.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "RecordLines.h"

namespace {

// The SPI controller's window in BAR 2, as the traces show it.
constexpr std::uint32_t ControlRegister = 0x100;
constexpr std::uint32_t DataRegister[4] = {0x104, 0x108, 0x10C, 0x110};
constexpr std::uint32_t GoFlag = 0x80;  // with it, control sends the data words to the board; without, fetches
constexpr std::uint64_t PollLimit = 10000;

constexpr int Boards = 8;
constexpr int RelaysPerBoard = 128;
constexpr int Rows = 8;
constexpr int Columns = 16;
constexpr int WordsPerBoard = 4;

using Words = std::array<std::uint32_t, WordsPerBoard>;

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

std::string Count(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// "the write of 00000001 to 104 (SpiData0)", "the read of 110 (SpiData3)"
std::string Describe(const RecordLine& line)
{
    std::string text = line.write ? "the write of " + Hex(line.value) + " to " + Offset(line.offset)
                                  : "the read of " + Offset(line.offset);
    if (line.offset == ControlRegister)
        text += " (SpiControl)";
    for (int word = 0; word < WordsPerBoard; ++word) {
        if (line.offset == DataRegister[word])
            text += " (SpiData" + std::to_string(word) + ")";
    }
    return text;
}

// Relay c of a board is bit c mod 32 of word c div 32, and sits in crosspoint
// row c mod 8, column c div 8: consecutive relays run down a column.
int RelayInBoard(int row, int column) { return column * Rows + row; }

bool Bit(const Words& words, int c)
{
    return ((words[static_cast<std::size_t>(c / 32)] >> (c % 32)) & 1u) != 0;
}

std::string StripTrailingBlanks(std::string text)
{
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

// Rows 0-7 down, columns 0-15 across; "X" on, "." off, a relay in brackets
// where the read-back differs from the push.
void PrintGrid(std::ostream& out, const Words& readBack, const Words& differs)
{
    std::string header = "        ";
    for (int column = 0; column < Columns; ++column)
        header += (column < 10 ? " " : "") + std::to_string(column) + " ";
    out << StripTrailingBlanks(header) << "\n";
    for (int row = 0; row < Rows; ++row) {
        std::string text = "  row " + std::to_string(row) + " ";
        for (int column = 0; column < Columns; ++column) {
            const int c = RelayInBoard(row, column);
            const bool marked = Bit(differs, c);
            text += marked ? '[' : ' ';
            text += Bit(readBack, c) ? 'X' : '.';
            text += marked ? ']' : ' ';
        }
        out << StripTrailingBlanks(text) << "\n";
    }
}

enum class Stage { CardCheck, Revision, Body, Closed, Paused };

// The sequence of lines relaytest is in the middle of printing.
enum class Expect {
    Nothing,
    Push,    // after a switch: four data writes, then control with the go flag and the board
    Fetch,   // after control with the bare board: four data reads
    Report,  // after a fetch: empty line, heading, four word lines, rule
};

class Checker {
public:
    explicit Checker(std::ostream& out) : out_(out) {}

    // False when the record turns out not to be a relaytest record at all.
    bool Take(const RecordLine& line);
    int Finish(ReadResult result, const RecordReader& reader);

private:
    void Problem(std::uint64_t line, const std::string& what);
    void Body(const RecordLine& line);
    bool Continue(const RecordLine& line);
    bool ContinuePush(const RecordLine& line);
    bool ContinueFetch(const RecordLine& line);
    bool ContinueReport(const RecordLine& line);
    void CheckReportLine(const RecordLine& line);
    void StartPush(const RecordLine& line);
    void ReadBack();
    void Access(const RecordLine& line, const std::string& role);

    std::ostream& out_;
    std::uint64_t problems_ = 0;
    Stage stage_ = Stage::CardCheck;
    std::uint64_t blankLine_ = 0;  // an empty line whose meaning the next line decides

    // relaytest's own image of each board, which every switch pushes whole.
    Words image_[Boards]{};

    // The controller: its data registers, and what each board was last sent.
    Words latch_{};
    Words pushed_[Boards]{};
    std::uint64_t pushedAt_[Boards]{};  // line of the control write; 0 when never

    Expect expect_ = Expect::Nothing;
    bool orphan_ = false;  // a report with no fetch before it: read, not compared
    int step_ = 0;
    int board_ = 0;
    std::int32_t relay_ = 0;
    std::uint64_t startLine_ = 0;
    Words fetched_{};
    std::uint64_t fetchedAt_[WordsPerBoard]{};

    std::uint64_t accesses_ = 0;
    std::uint64_t polls_ = 0;
    std::uint64_t longestWait_ = 0;
    std::uint64_t longestWaitLine_ = 0;
};

void Checker::Problem(std::uint64_t line, const std::string& what)
{
    ++problems_;
    out_ << "PROBLEM line " << line << ": " << what << "\n";
}

bool Checker::Take(const RecordLine& line)
{
    switch (stage_) {
    case Stage::CardCheck:
        if (line.kind != LineKind::CardFound && line.kind != LineKind::CardMissing)
            return false;
        stage_ = Stage::Revision;
        out_ << "Card check (line " << line.number
             << "): " << (line.kind == LineKind::CardFound ? "card found" : "no card") << "\n";
        if (line.kind == LineKind::CardMissing)
            Problem(line.number, "no card found: the driver reported no card");
        return true;
    case Stage::Revision:
        stage_ = Stage::Body;
        if (line.kind == LineKind::Revision) {
            out_ << "FPGA revision (line " << line.number << "): " << Hex(line.value) << "\n";
            return true;
        }
        Problem(line.number, "the FPGA revision line is missing after the card check");
        Body(line);
        return true;
    case Stage::Body:
        Body(line);
        return true;
    case Stage::Closed:
        if (line.kind == LineKind::PausePrompt) {
            stage_ = Stage::Paused;
            return true;
        }
        Problem(line.number, "a line after the closing prompt");
        return true;
    case Stage::Paused:
        Problem(line.number, "a line after the pause prompt");
        return true;
    }
    return true;
}

void Checker::Body(const RecordLine& line)
{
    if (expect_ != Expect::Nothing && Continue(line))
        return;

    if (blankLine_ != 0) {
        const std::uint64_t blank = blankLine_;
        blankLine_ = 0;
        if (line.kind == LineKind::ClosingPrompt) {
            stage_ = Stage::Closed;
            return;
        }
        if (line.kind != LineKind::ReportHeading)
            Problem(blank, "an empty line out of place");
    }

    switch (line.kind) {
    case LineKind::Switch:
        StartPush(line);
        return;
    case LineKind::Access:
        if (line.write && line.offset == ControlRegister && line.value < Boards) {
            board_ = static_cast<int>(line.value);
            startLine_ = line.number;
            Access(line, " starting the fetch of board " + std::to_string(board_));
            expect_ = Expect::Fetch;
            step_ = 0;
            return;
        }
        Access(line, "");
        Problem(line.number, Describe(line) + " belongs to no relay switch or board fetch");
        return;
    case LineKind::Blank:
        blankLine_ = line.number;
        return;
    case LineKind::ReportHeading:
        Problem(line.number, "a report of board " + std::to_string(line.n) + " with no fetch before it");
        expect_ = Expect::Report;
        orphan_ = true;
        step_ = 2;
        return;
    case LineKind::ReportWord:
    case LineKind::ReportRule:
        Problem(line.number, "a board report line outside any board report");
        return;
    case LineKind::RelayRangeError:
        Problem(line.number, "relaytest refused relay " + std::to_string(line.n) + " as out of range");
        return;
    case LineKind::BoardRangeError:
        Problem(line.number, "relaytest refused board " + std::to_string(line.n) + " as out of range");
        return;
    case LineKind::ClosingPrompt:
        Problem(line.number, "the empty line before the closing prompt is missing");
        stage_ = Stage::Closed;
        return;
    case LineKind::CardFound:
    case LineKind::CardMissing:
        Problem(line.number, "a second card check");
        return;
    case LineKind::Revision:
        Problem(line.number, "a second FPGA revision line");
        return;
    case LineKind::PausePrompt:
        Problem(line.number, "the pause prompt comes before the closing prompt");
        return;
    }
}

// True when the line is the next one of the sequence in progress. Otherwise
// the sequence is reported as broken off and the line is left to the caller.
bool Checker::Continue(const RecordLine& line)
{
    switch (expect_) {
    case Expect::Push:
        return ContinuePush(line);
    case Expect::Fetch:
        return ContinueFetch(line);
    case Expect::Report:
        return ContinueReport(line);
    case Expect::Nothing:
        break;
    }
    return false;
}

void Checker::StartPush(const RecordLine& line)
{
    if (line.n < 0 || line.n >= Boards * RelaysPerBoard) {
        Problem(line.number, "relay " + std::to_string(line.n) + " does not exist (0 to 1023)");
        return;
    }
    const int c = line.n % RelaysPerBoard;
    board_ = line.n / RelaysPerBoard;
    std::uint32_t& word = image_[board_][static_cast<std::size_t>(c / 32)];
    const std::uint32_t mask = 1u << (c % 32);
    word = line.on ? word | mask : word & ~mask;
    relay_ = line.n;
    startLine_ = line.number;
    expect_ = Expect::Push;
    step_ = 0;
}

bool Checker::ContinuePush(const RecordLine& line)
{
    const bool control = step_ == WordsPerBoard;
    const std::uint32_t offset = control ? ControlRegister : DataRegister[step_];
    const std::string role =
        " in the push for relay " + std::to_string(relay_) + " (line " + std::to_string(startLine_) + ")";
    // Control without the go flag starts a fetch: it is no part of the push.
    const bool fits = line.kind == LineKind::Access && line.write && line.offset == offset &&
                      (!control || (line.value & GoFlag) != 0);
    if (!fits) {
        Problem(line.number, "the push for relay " + std::to_string(relay_) + " (line " + std::to_string(startLine_) +
                                 ") breaks off after " + Count(static_cast<std::uint64_t>(step_), "write", "writes") +
                                 " of 5");
        expect_ = Expect::Nothing;
        return false;
    }
    Access(line, role);
    const std::uint32_t wanted = control ? static_cast<std::uint32_t>(board_) | GoFlag
                                         : image_[board_][static_cast<std::size_t>(step_)];
    if (line.value != wanted)
        Problem(line.number, Describe(line) + role + " should have been " + Hex(wanted));
    if (++step_ > WordsPerBoard)
        expect_ = Expect::Nothing;
    return true;
}

bool Checker::ContinueFetch(const RecordLine& line)
{
    const std::string role =
        " in the fetch of board " + std::to_string(board_) + " (line " + std::to_string(startLine_) + ")";
    if (line.kind != LineKind::Access || line.write || line.offset != DataRegister[step_]) {
        Problem(line.number, "the fetch of board " + std::to_string(board_) + " (line " + std::to_string(startLine_) +
                                 ") breaks off after " + Count(static_cast<std::uint64_t>(step_), "read", "reads") +
                                 " of 4");
        expect_ = Expect::Nothing;
        return false;
    }
    Access(line, role);
    fetched_[static_cast<std::size_t>(step_)] = line.value;
    fetchedAt_[step_] = line.number;
    if (++step_ == WordsPerBoard) {
        ReadBack();
        expect_ = Expect::Report;
        orphan_ = false;
        step_ = 0;
    }
    return true;
}

// A whole board has come back: show it, and name every relay that differs
// from what was last sent to that board.
void Checker::ReadBack()
{
    const std::size_t board = static_cast<std::size_t>(board_);
    Words differs{};
    const int first = board_ * RelaysPerBoard;
    out_ << "\nBoard " << board_ << " (relays " << first << "-" << first + RelaysPerBoard - 1 << ") read back at lines "
         << startLine_ << "-" << fetchedAt_[WordsPerBoard - 1];
    if (pushedAt_[board] == 0) {
        out_ << ", never pushed in this record: nothing to compare\n";
    } else {
        out_ << ", compared with the push at line " << pushedAt_[board] << ":\n";
        for (std::size_t word = 0; word < WordsPerBoard; ++word)
            differs[word] = fetched_[word] ^ pushed_[board][word];
    }
    PrintGrid(out_, fetched_, differs);

    std::uint64_t differing = 0;
    for (int c = 0; c < RelaysPerBoard; ++c)
        differing += Bit(differs, c) ? 1u : 0u;
    if (pushedAt_[board] != 0) {
        if (differing == 0)
            out_ << "  all 128 relays as pushed\n";
        else
            out_ << "  " << Count(differing, "relay differs", "relays differ") << " from the push, marked [ ]\n";
    }
    for (int c = 0; c < RelaysPerBoard; ++c) {
        if (!Bit(differs, c))
            continue;
        const bool on = Bit(fetched_, c);
        Problem(fetchedAt_[c / 32], "relay " + std::to_string(board_ * RelaysPerBoard + c) + " (board " +
                                        std::to_string(board_) + ", row " + std::to_string(c % Rows) + ", column " +
                                        std::to_string(c / Rows) + "): pushed " + (on ? "off" : "on") +
                                        ", read back " + (on ? "on" : "off"));
    }
    // From here on relaytest pushes this board with what came back.
    image_[board] = fetched_;
}

bool Checker::ContinueReport(const RecordLine& line)
{
    static constexpr LineKind Order[] = {LineKind::Blank,      LineKind::ReportHeading, LineKind::ReportWord,
                                         LineKind::ReportWord, LineKind::ReportWord,    LineKind::ReportWord,
                                         LineKind::ReportRule};
    if (line.kind != Order[step_]) {
        if (!orphan_)
            Problem(line.number, "the report of board " + std::to_string(board_) + " fetched at line " +
                                     std::to_string(startLine_) + " breaks off after " +
                                     Count(static_cast<std::uint64_t>(step_), "line", "lines") + " of 7");
        // An empty line alone may as well have been the one before the
        // closing prompt.
        if (step_ == 1)
            blankLine_ = line.number - 1;
        expect_ = Expect::Nothing;
        return false;
    }
    if (!orphan_)
        CheckReportLine(line);
    if (++step_ == 7)
        expect_ = Expect::Nothing;
    return true;
}

// A report must show the board just fetched, word for word.
void Checker::CheckReportLine(const RecordLine& line)
{
    if (line.kind == LineKind::ReportHeading && line.n != board_) {
        Problem(line.number, "the report is headed board " + std::to_string(line.n) + ", but board " +
                                 std::to_string(board_) + " was fetched at line " + std::to_string(startLine_));
        return;
    }
    if (line.kind != LineKind::ReportWord)
        return;
    const int word = step_ - 2;
    const std::int32_t first = board_ * RelaysPerBoard + word * 32;
    const std::string range = "relays " + std::to_string(first) + " to " + std::to_string(first + 31);
    if (line.n != first || line.last != first + 31)
        Problem(line.number, "the report labels " + range + " as relays " + std::to_string(line.n) + " to " +
                                 std::to_string(line.last));
    if (line.map != line.value)
        Problem(line.number, "the map of " + range + " does not match the word " + Hex(line.value) + " beside it");
    if (line.value != fetched_[static_cast<std::size_t>(word)])
        Problem(line.number, "the report shows " + Hex(line.value) + " for " + range + ", but the fetch read " +
                                 Hex(fetched_[static_cast<std::size_t>(word)]) + " at line " +
                                 std::to_string(fetchedAt_[word]));
}

// Every register access: its wait, the traffic figures, and the controller's
// registers as the access leaves them.
void Checker::Access(const RecordLine& line, const std::string& role)
{
    const PollSummary& polls = line.polls;
    ++accesses_;
    polls_ += polls.count;
    if (polls.count > longestWait_) {
        longestWait_ = polls.count;
        longestWaitLine_ = line.number;
    }

    const std::string what = Describe(line) + role;
    if (polls.count == 0)
        Problem(line.number, what + " has no busy check before it");
    else if (polls.count > PollLimit)
        Problem(line.number, what + " comes after " + std::to_string(polls.count) +
                                 " busy checks, more than the 10000-poll limit");
    else if (polls.firstIdle != 0 && polls.firstIdle < polls.count)
        Problem(line.number, "busy check " + std::to_string(polls.firstIdle) + " before " + what +
                                 " read idle, yet the wait went on");
    else if (polls.firstIdle == 0 && polls.count == PollLimit)
        Problem(line.number, "the controller was still busy after 10000 polls (the limit) before " + what +
                                 "; the access went ahead anyway");
    else if (polls.firstIdle == 0)
        Problem(line.number, "the wait before " + what + " gave up after " +
                                 Count(polls.count, "busy poll", "busy polls") + ", short of the 10000-poll limit");
    if (polls.strayAddress)
        Problem(line.number, "a busy check before " + what + " polls " + Offset(polls.strayAddressValue) +
                                 " instead of the control register 100");

    if (line.offset == ControlRegister) {
        // Control with the go flag sends the data registers to the board in
        // its low bits; numbers past the last board reach nothing.
        const std::uint32_t board = line.value & (GoFlag - 1);
        if (line.write && (line.value & GoFlag) != 0 && board < Boards) {
            pushed_[board] = latch_;
            pushedAt_[board] = line.number;
        }
        return;
    }
    for (std::size_t word = 0; word < WordsPerBoard; ++word) {
        if (line.offset == DataRegister[word])
            latch_[word] = line.value;
    }
}

int Checker::Finish(ReadResult result, const RecordReader& reader)
{
    if (result == ReadResult::Malformed) {
        if (reader.ErrorLine() == 0)
            out_ << "ERROR: " << reader.Error() << "\n";
        else
            out_ << "ERROR line " << reader.ErrorLine() << ": " << reader.Error() << "\n";
        return 2;
    }
    if (stage_ == Stage::CardCheck) {
        out_ << "ERROR: the input is empty: not a relaytest record\n";
        return 2;
    }
    if (stage_ != Stage::Closed && stage_ != Stage::Paused) {
        out_ << "ERROR line " << reader.LinesRead()
             << ": the record ends here, before the closing prompt: it is cut short\n";
        return 2;
    }
    out_ << "\nTraffic: " << Count(accesses_, "SPI access", "SPI accesses") << ", "
         << Count(polls_, "busy check", "busy checks");
    if (longestWait_ > 0)
        out_ << ", longest wait " << Count(longestWait_, "poll", "polls") << " (line " << longestWaitLine_ << ")";
    out_ << "\n";
    if (problems_ == 0) {
        out_ << "PASS: no problems\n";
        return 0;
    }
    out_ << "FAIL: " << Count(problems_, "problem", "problems") << "\n";
    return 1;
}

}  // namespace

int CheckRecord(std::istream& in, std::ostream& out)
{
    try {
        RecordReader reader(in);
        Checker checker(out);
        RecordLine line;
        ReadResult result = ReadResult::Line;
        while ((result = reader.Next(line)) == ReadResult::Line) {
            if (!checker.Take(line)) {
                out << "ERROR line " << line.number
                    << ": not a relaytest record: it does not start with the card check\n";
                return 2;
            }
        }
        return checker.Finish(result, reader);
    } catch (const std::exception& e) {
        out << "ERROR: " << e.what() << "\n";
        return 2;
    } catch (...) {
        out << "ERROR: unexpected failure\n";
        return 2;
    }
}
