#include "OutputShape.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace {

constexpr int Boards = 8;
constexpr int Relays = Boards * 128;
constexpr std::uint32_t BusyBit = 0x80000000u;
constexpr std::size_t PollLimit = 10000;
constexpr std::string_view PollHead = "  [[[ SPI Busy Check 100 ?? ";
constexpr std::string_view PollTail = " ]]]  ";

using Words = std::array<std::uint32_t, 4>;

// Every number goes through long long, so the formats use %lld and %llX.
std::string Format(const char* format, std::int64_t a)
{
    char text[128];
    (void)std::snprintf(text, sizeof text, format, static_cast<long long>(a));
    return text;
}

std::string Format(const char* format, std::int64_t a, std::int64_t b)
{
    char text[128];
    (void)std::snprintf(text, sizeof text, format, static_cast<long long>(a), static_cast<long long>(b));
    return text;
}

// Up to 120 characters of a line, carriage returns shown as \r.
std::string Shown(std::string_view line)
{
    std::string shown;
    for (std::size_t i = 0; i < line.size() && i < 120; ++i)
        shown += line[i] == '\r' ? std::string("\\r") : std::string(1, line[i]);
    if (line.size() > 120)
        shown += "...(" + std::to_string(line.size()) + " characters)";
    return "\"" + shown + "\"";
}

// A plain loop rather than a library compare: a fuzzer hooks every memcmp,
// and one line can hold 10000 traces.
bool StartsWith(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (text[i] != prefix[i])
            return false;
    }
    return true;
}

// Eight upper-case hexadecimal digits.
bool ParseHex8(std::string_view text, std::uint32_t& value)
{
    if (text.size() != 8)
        return false;
    value = 0;
    for (char c : text) {
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<std::uint32_t>(c - 'A' + 10);
        else
            return false;
        value = value << 4 | digit;
    }
    return true;
}

class Checker {
public:
    explicit Checker(const std::string& out) : text_(out) {}

    std::string Run(const ShapeExpectation& expect)
    {
        if (!text_.empty() && text_.back() != '\n')
            return "the output does not end with a line feed";
        if (expect.wholeRun) {
            Literal(expect.cardPresent ? "Success" : "ERROR: TEVRIS didn't find what it expected");
            Literal(Format("FPGA Rev: %08llX", expect.revision));
        }
        for (const ShapeStep& step : expect.steps) {
            if (!problem_.empty())
                break;
            switch (step.kind) {
            case ShapeStepKind::Switch: Switch(step.number, step.on); break;
            case ShapeStepKind::Read: Read(step.number); break;
            case ShapeStepKind::Query:
                if (RelayInRange(step.number))
                    Report(step.number / 128);
                break;
            }
        }
        if (expect.wholeRun) {
            Literal("");
            Literal("Press enter to exit");
        }
        if (problem_.empty() && at_ < text_.size())
            Fail("an extra line after the last expected one");
        return problem_;
    }

private:
    bool Next(std::string_view& line)
    {
        if (!problem_.empty())
            return false;
        if (at_ >= text_.size()) {
            problem_ = "line " + std::to_string(lineNumber_ + 1) + ": the output ends early";
            return false;
        }
        const std::size_t end = text_.find('\n', at_);
        line = std::string_view(text_).substr(at_, end - at_);
        at_ = end + 1;
        ++lineNumber_;
        return true;
    }

    void Fail(const std::string& what, std::string_view line = {})
    {
        if (problem_.empty())
            problem_ = "line " + std::to_string(lineNumber_) + ": " + what + (line.empty() ? "" : ", got " + Shown(line));
    }

    void Literal(const std::string& expected)
    {
        std::string_view line;
        if (Next(line) && line != expected)
            Fail("expected " + Shown(expected), line);
    }

    bool RelayInRange(std::int32_t relay)
    {
        if (relay >= 0 && relay < Relays)
            return true;
        Literal(Format("ERROR: relay %lld is out of range 0 to %lld", relay, Relays - 1));
        return false;
    }

    // One windowed access: its polls, then the access trace that ends the
    // line. Returns the value the trace shows.
    std::uint32_t Access(std::uint32_t offset, bool write)
    {
        std::string_view line;
        if (!Next(line))
            return 0;
        const std::string_view whole = line;
        std::size_t polls = 0;
        bool lastBusy = false;
        while (StartsWith(line, PollHead)) {
            std::uint32_t value = 0;
            if (!ParseHex8(line.substr(PollHead.size(), 8), value) ||
                !StartsWith(line.substr(PollHead.size() + 8), PollTail)) {
                Fail("a malformed busy-check trace", whole);
                return 0;
            }
            if (polls > 0 && !lastBusy) {
                Fail("polling went on after the controller read idle", whole);
                return 0;
            }
            lastBusy = (value & BusyBit) != 0;
            ++polls;
            line.remove_prefix(PollHead.size() + 8 + PollTail.size());
        }
        if (polls == 0 || polls > PollLimit) {
            Fail(std::to_string(polls) + " busy-check traces before an access", whole);
            return 0;
        }
        if (lastBusy && polls < PollLimit) {
            Fail("the access went ahead while busy after " + std::to_string(polls) + " polls", whole);
            return 0;
        }
        const std::string head = Format("%02llX", offset) + (write ? " << " : " ?? ");
        std::uint32_t value = 0;
        if (line.substr(0, head.size()) != head || !ParseHex8(line.substr(head.size()), value))
            Fail("expected one access trace beginning " + Shown(head) + " after " + std::to_string(polls) + " polls",
                 line);
        return value;
    }

    void ExpectWrite(std::uint32_t offset, std::uint32_t value)
    {
        const std::uint32_t written = Access(offset, true);
        if (problem_.empty() && written != value)
            Fail("wrote " + Format("%08llX", written) + " to " + Format("%02llX", offset) + ", expected " +
                 Format("%08llX", value));
    }

    void Switch(std::int32_t relay, bool on)
    {
        if (!RelayInRange(relay))
            return;
        Literal(Format(on ? "Turning on relay %4lld" : "Turning off relay %4lld", relay));
        const int board = relay / 128;
        const int c = relay % 128;
        const std::uint32_t mask = 1u << (c % 32);
        std::uint32_t& word = state_[static_cast<std::size_t>(board)][static_cast<std::size_t>(c / 32)];
        word = on ? word | mask : word & ~mask;
        for (std::size_t w = 0; w < 4; ++w)
            ExpectWrite(0x104 + 4 * static_cast<std::uint32_t>(w), state_[static_cast<std::size_t>(board)][w]);
        ExpectWrite(0x100, static_cast<std::uint32_t>(board) | 0x80);
    }

    void Read(std::int32_t board)
    {
        if (board >= 0 && board < Boards)
            Report(board);
        else
            Literal(Format("ERROR: board %lld is out of range 0 to %lld", board, Boards - 1));
    }

    void Report(int board)
    {
        ExpectWrite(0x100, static_cast<std::uint32_t>(board));
        Words& words = state_[static_cast<std::size_t>(board)];
        for (std::size_t w = 0; w < 4; ++w)
            words[w] = Access(0x104 + 4 * static_cast<std::uint32_t>(w), false);
        Literal("\r");
        Literal(Format("Board #%lld\r", board));
        for (std::size_t w = 0; w < 4; ++w) {
            const std::int64_t first = static_cast<std::int64_t>(board) * 128 + static_cast<std::int64_t>(w) * 32;
            std::string expected = Format("[%08llX] = ", words[w]) + Format("Relays %2lld to %3lld = ", first, first + 31);
            for (int bit = 0; bit < 32; ++bit)
                expected += (words[w] >> bit & 1u) != 0 ? 'X' : '.';
            expected += '\r';
            Literal(expected);
        }
        Literal("--------\r");
    }

    const std::string& text_;
    std::size_t at_ = 0;
    std::size_t lineNumber_ = 0;
    std::string problem_;
    std::array<Words, Boards> state_{};
};

}  // namespace

std::string CheckOutputShape(const std::string& out, const ShapeExpectation& expect)
{
    return Checker(out).Run(expect);
}

std::size_t CountRegisterTraces(const std::string& out)
{
    std::size_t traces = 0;
    for (std::size_t i = 0; i + 4 <= out.size(); ++i) {
        const char c = out[i + 1];
        traces += out[i] == ' ' && (c == '?' || c == '<') && out[i + 2] == c && out[i + 3] == ' ';
    }
    return traces;
}

std::vector<ShapeStep> TestSequenceSteps()
{
    using K = ShapeStepKind;
    return {{K::Switch, 0, true},   {K::Switch, 100, true}, {K::Switch, 105, true},
            {K::Switch, 8, true},   {K::Read, 0, false},    {K::Switch, 129, true},
            {K::Switch, 254, true}, {K::Read, 0, false},    {K::Read, 1, false}};
}
