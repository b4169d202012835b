#include "RecordLines.h"

#include <cstdio>
#include <string_view>

namespace {

// Longer than any line relaytest prints once the polls are taken off.
constexpr std::size_t MaxLineLength = 200;

constexpr std::string_view PollOpen = "  [[[ SPI Busy Check ";
constexpr std::string_view PollClose = " ]]]  ";
constexpr std::uint32_t ControlRegister = 0x100;
constexpr std::uint32_t BusyBit = 0x80000000u;

// Reads the fields of one line in order. Numbers must be spelt exactly as the
// program's printf formats spell them, so that only real lines pass.
class Scanner {
public:
    explicit Scanner(std::string_view text) : rest_(text) {}

    bool Literal(std::string_view text)
    {
        if (rest_.substr(0, text.size()) != text)
            return false;
        rest_.remove_prefix(text.size());
        return true;
    }

    // "%0<width>X": upper-case digits, zero-padded to width, never wider than needed.
    bool Hex(std::uint32_t& value, std::size_t width)
    {
        std::size_t digits = 0;
        value = 0;
        while (digits < rest_.size() && digits <= 8) {
            const char c = rest_[digits];
            std::uint32_t d = 0;
            if (c >= '0' && c <= '9')
                d = static_cast<std::uint32_t>(c - '0');
            else if (c >= 'A' && c <= 'F')
                d = static_cast<std::uint32_t>(c - 'A' + 10);
            else
                break;
            if (digits == 8)
                return false;
            value = value << 4 | d;
            ++digits;
        }
        std::size_t needed = 1;
        for (std::uint32_t v = value >> 4; v != 0; v >>= 4)
            ++needed;
        if (digits == 0 || digits != (needed > width ? needed : width))
            return false;
        rest_.remove_prefix(digits);
        return true;
    }

    // "%<width>d": blanks, an optional minus and digits, as printf would write them.
    bool Int(std::int32_t& value, int width)
    {
        std::size_t used = 0;
        while (used < rest_.size() && rest_[used] == ' ')
            ++used;
        const bool negative = used < rest_.size() && rest_[used] == '-';
        if (negative)
            ++used;
        long long magnitude = 0;
        std::size_t digits = 0;
        while (used < rest_.size() && rest_[used] >= '0' && rest_[used] <= '9' && digits < 11) {
            magnitude = magnitude * 10 + (rest_[used] - '0');
            ++used;
            ++digits;
        }
        const long long signedValue = negative ? -magnitude : magnitude;
        if (digits == 0 || signedValue < INT32_MIN || signedValue > INT32_MAX)
            return false;
        value = static_cast<std::int32_t>(signedValue);
        char spelt[32];
        const int length = std::snprintf(spelt, sizeof spelt, "%*d", width, value);
        if (length < 0 || rest_.substr(0, used) != std::string_view(spelt, static_cast<std::size_t>(length)))
            return false;
        rest_.remove_prefix(used);
        return true;
    }

    // 32 characters, "X" for a set bit and "." for a clear one, bit 0 first.
    bool Map(std::uint32_t& bits)
    {
        if (rest_.size() < 32)
            return false;
        bits = 0;
        for (std::uint32_t i = 0; i < 32; ++i) {
            if (rest_[i] == 'X')
                bits |= 1u << i;
            else if (rest_[i] != '.')
                return false;
        }
        rest_.remove_prefix(32);
        return true;
    }

    bool End() const { return rest_.empty(); }

private:
    std::string_view rest_;
};

bool ParsePoll(std::string_view text, std::uint32_t& address, std::uint32_t& value)
{
    Scanner s(text);
    return s.Literal(PollOpen) && s.Hex(address, 2) && s.Literal(" ?? ") && s.Hex(value, 8) &&
           s.Literal(PollClose) && s.End();
}

bool IsPausePrompt(std::string_view text)
{
    // Editors that trim trailing blanks leave the prompt without its last one.
    return text == "Press any key to continue . . . " || text == "Press any key to continue . . .";
}

bool ParseLine(std::string_view text, RecordLine& line)
{
    if (text == "Success") {
        line.kind = LineKind::CardFound;
        return true;
    }
    if (text == "ERROR: TEVRIS didn't find what it expected") {
        line.kind = LineKind::CardMissing;
        return true;
    }
    if (text.empty()) {
        line.kind = LineKind::Blank;
        return true;
    }
    if (text == "--------") {
        line.kind = LineKind::ReportRule;
        return true;
    }
    if (text == "Press enter to exit") {
        line.kind = LineKind::ClosingPrompt;
        return true;
    }
    if (IsPausePrompt(text)) {
        line.kind = LineKind::PausePrompt;
        return true;
    }
    {
        Scanner s(text);
        if (s.Literal("FPGA Rev: ") && s.Hex(line.value, 8) && s.End()) {
            line.kind = LineKind::Revision;
            return true;
        }
    }
    {
        Scanner s(text);
        if (s.Literal("Turning ") && ((line.on = s.Literal("on")) || s.Literal("off")) && s.Literal(" relay ") &&
            s.Int(line.n, 4) && s.End()) {
            line.kind = LineKind::Switch;
            return true;
        }
    }
    {
        Scanner s(text);
        if (s.Literal("ERROR: relay ") && s.Int(line.n, 0) && s.Literal(" is out of range 0 to 1023") && s.End()) {
            line.kind = LineKind::RelayRangeError;
            return true;
        }
    }
    {
        Scanner s(text);
        if (s.Literal("ERROR: board ") && s.Int(line.n, 0) && s.Literal(" is out of range 0 to 7") && s.End()) {
            line.kind = LineKind::BoardRangeError;
            return true;
        }
    }
    {
        Scanner s(text);
        if (s.Literal("Board #") && s.Int(line.n, 0) && s.End()) {
            line.kind = LineKind::ReportHeading;
            return true;
        }
    }
    {
        Scanner s(text);
        if (s.Literal("[") && s.Hex(line.value, 8) && s.Literal("] = Relays ") && s.Int(line.n, 2) &&
            s.Literal(" to ") && s.Int(line.last, 3) && s.Literal(" = ") && s.Map(line.map) && s.End()) {
            line.kind = LineKind::ReportWord;
            return true;
        }
    }
    Scanner s(text);
    if (s.Hex(line.offset, 2) && ((line.write = s.Literal(" << ")) || s.Literal(" ?? ")) && s.Hex(line.value, 8) &&
        s.End()) {
        line.kind = LineKind::Access;
        return true;
    }
    return false;
}

}  // namespace

bool RecordReader::Fill()
{
    pos_ = 0;
    len_ = 0;
    if (!in_.good())
        return false;
    in_.read(buffer_, sizeof buffer_);
    len_ = static_cast<std::size_t>(in_.gcount());
    return len_ > 0;
}

// The polls of a wait are taken off the front of the line one by one.
bool RecordReader::TakePoll()
{
    std::uint32_t address = 0;
    std::uint32_t value = 0;
    if (!ParsePoll(pending_, address, value))
        return false;
    ++polls_.count;
    if (polls_.firstIdle == 0 && (value & BusyBit) == 0)
        polls_.firstIdle = polls_.count;
    polls_.lastValue = value;
    if (address != ControlRegister && !polls_.strayAddress) {
        polls_.strayAddress = true;
        polls_.strayAddressValue = address;
    }
    pending_.clear();
    return true;
}

ReadResult RecordReader::Fail(std::uint64_t lineNumber, const std::string& why)
{
    errorLine_ = lineNumber;
    error_ = why;
    return ReadResult::Malformed;
}

ReadResult RecordReader::Finish(RecordLine& line)
{
    const std::uint64_t number = linesRead_ + 1;
    while (!pending_.empty() && pending_.back() == '\r')
        pending_.pop_back();
    line = RecordLine{};
    line.number = number;
    if (!ParseLine(pending_, line))
        return Fail(number, "not a line relaytest prints: \"" + Excerpt(pending_) + "\"");
    if (polls_.count > 0 && line.kind != LineKind::Access)
        return Fail(number, "busy-check polls with no register access after them");
    line.polls = polls_;
    polls_ = PollSummary{};
    pending_.clear();
    lineStarted_ = false;
    linesRead_ = number;
    return ReadResult::Line;
}

ReadResult RecordReader::Next(RecordLine& line)
{
    if (!error_.empty())
        return ReadResult::Malformed;
    for (;;) {
        if (pos_ == len_ && !Fill()) {
            if (in_.bad())
                return Fail(0, "cannot read the input");
            if (!lineStarted_)
                return ReadResult::End;
            // Only the pause prompt may end the record without a line end:
            // the command processor leaves it that way until a key is pressed.
            std::string text = pending_;
            while (!text.empty() && text.back() == '\r')
                text.pop_back();
            if (polls_.count == 0 && IsPausePrompt(text))
                return Finish(line);
            return Fail(linesRead_ + 1, "the record ends inside this line: it is cut short");
        }
        const char c = buffer_[pos_++];
        lineStarted_ = true;
        if (c == '\n')
            return Finish(line);
        pending_ += c;
        if (c == ' ' && pending_.size() >= PollOpen.size() + PollClose.size() &&
            pending_.compare(0, PollOpen.size(), PollOpen) == 0 &&
            pending_.compare(pending_.size() - PollClose.size(), PollClose.size(), PollClose) == 0 && !TakePoll())
            return Fail(linesRead_ + 1, "malformed busy-check poll \"" + Excerpt(pending_) + "\"");
        if (pending_.size() > MaxLineLength)
            return Fail(linesRead_ + 1, "longer than any line relaytest prints: \"" + Excerpt(pending_) + "\"");
    }
}

std::string Excerpt(const std::string& text)
{
    constexpr std::size_t Shown = 60;
    std::string shown;
    for (std::size_t i = 0; i < text.size() && i < Shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\\' || c == '"') {
            shown += '\\';
            shown += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char escaped[8];
            (void)std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            shown += escaped;
        } else {
            shown += static_cast<char>(c);
        }
    }
    if (text.size() > Shown)
        shown += "...";
    return shown;
}
