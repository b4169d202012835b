#include "RecordReader.h"

#include <cstdio>
#include <cstring>

#include "CardMap.h"

namespace relaylog {

namespace {

// Longer than any line of relaytest's own once the polls are taken off. A
// line that carries free text (a command as typed, a wiring file's name, a
// rule's words, where a run stopped) is as long as the programs made it, up
// to a bound that keeps a hostile file from filling memory.
constexpr std::size_t MaxLineLength = 200;
constexpr std::size_t MaxTextLineLength = 65536;

// Up to 60 characters of text, quoted, with control and non-ASCII bytes escaped.
std::string Quoted(std::string_view text)
{
    constexpr std::size_t Shown = 60;
    std::string shown;
    for (std::size_t i = 0; i < text.size() && i < Shown; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            shown += "\\r";
            continue;
        }
        char escaped[8];
        const char* form = c == '\\' || c == '"' ? "\\%c" : c < 0x20 || c >= 0x7F ? "\\x%02X" : "%c";
        (void)std::snprintf(escaped, sizeof escaped, form, c);
        shown += escaped;
    }
    return "\"" + shown + (text.size() > Shown ? "...\"" : "\"");
}

}  // namespace

bool RecordReader::Fill()
{
    pos_ = 0;
    len_ = 0;
    if (in_ == nullptr || !in_->good())
        return false;
    in_->read(storage_.get(), BufferSize);
    data_ = storage_.get();
    len_ = static_cast<std::size_t>(in_->gcount());
    return len_ > 0;
}

// The polls of a wait are taken off the front of the line as they arrive.
// False when a complete one is spelt wrongly; one not yet complete waits for
// more of the line.
bool RecordReader::TakePolls()
{
    std::size_t at = 0;
    while (pending_.size() - at >= PollOpen.size() && pending_.compare(at, PollOpen.size(), PollOpen) == 0) {
        const std::size_t close = pending_.find(PollClose, at + PollOpen.size());
        if (close == std::string::npos)
            break;
        const std::size_t end = close + PollClose.size();
        RecordLine poll;
        if (!MatchPoll(std::string_view(pending_).substr(at, end - at), poll)) {
            pending_.erase(0, at);
            pending_.resize(end - at);
            return false;
        }
        if (++polls_.count == 1)
            polls_.firstValue = poll.value;
        polls_.allSame = polls_.allSame && poll.value == polls_.firstValue;
        if (polls_.firstIdle == 0 && (poll.value & BusyBit) == 0)
            polls_.firstIdle = polls_.count;
        polls_.lastValue = poll.value;
        if (poll.offset != ControlRegister && !polls_.strayAddress) {
            polls_.strayAddress = true;
            polls_.strayAddressValue = poll.offset;
        }
        at = end;
    }
    pending_.erase(0, at);
    return true;
}

ReadResult RecordReader::Fail(std::uint64_t lineNumber, ReadFault fault, const std::string& why)
{
    errorLine_ = lineNumber;
    fault_ = fault;
    error_ = why;
    return ReadResult::Malformed;
}

// At the end of the input only the pause prompt may end a saved record
// without a line end: the command processor leaves it that way until a key
// is pressed.
ReadResult RecordReader::Finish(RecordLine& line, bool atEnd)
{
    const std::uint64_t number = linesRead_ + 1;
    std::size_t returns = 0;
    while (returns < pending_.size() && pending_[pending_.size() - 1 - returns] == '\r')
        ++returns;
    const std::string_view text(pending_.data(), pending_.size() - returns);
    line = RecordLine{};
    line.number = number;
    const bool matched = MatchLine(text, line);
    if (atEnd && !(matched && line.kind == LineKind::PausePrompt && mode_ == ReaderMode::Saved && polls_.count == 0))
        return Fail(number, ReadFault::CutInsideLine, "the record ends inside this line: it is cut short");
    if (!matched || (mode_ == ReaderMode::Strict && line.kind == LineKind::PausePrompt))
        return Fail(number, ReadFault::NotALine, "not a line relaytest prints: " + Quoted(text));
    if (polls_.count > 0 && line.kind != LineKind::Access)
        return Fail(number, ReadFault::PollsAlone, "busy-check polls with no register access after them");
    line.carriageReturn = returns > 0;
    // The program ends report lines in "\r\n", an empty line either way, any other line in "\n".
    const bool report = line.kind == LineKind::ReportHeading || line.kind == LineKind::ReportWord ||
                        line.kind == LineKind::ReportRule;
    if (mode_ == ReaderMode::Strict && (returns > 1 || (line.kind != LineKind::Blank && returns != (report ? 1u : 0u))))
        return Fail(number, ReadFault::LineEnd,
                    std::string("the line ends in ") + (returns == 0 ? "\"\\n\"" : returns == 1 ? "\"\\r\\n\"" : "\"\\r\\r\\n\"") +
                        ", not as relaytest ends it");
    line.polls = polls_;
    polls_ = PollSummary{};
    pending_.clear();
    linesRead_ = number;
    return ReadResult::Line;
}

ReadResult RecordReader::Next(RecordLine& line)
{
    if (fault_ != ReadFault::None)
        return ReadResult::Malformed;
    for (;;) {
        if (pos_ == len_ && !Fill()) {
            if (in_ != nullptr && in_->bad())
                return Fail(0, ReadFault::Unreadable, "cannot read the input");
            return pending_.empty() && polls_.count == 0 ? ReadResult::End : Finish(line, true);
        }
        // Up to the line end, or all there is for now.
        const char* start = data_ + pos_;
        const auto* lineEnd = static_cast<const char*>(std::memchr(start, '\n', len_ - pos_));
        const std::size_t taken = lineEnd != nullptr ? static_cast<std::size_t>(lineEnd - start) : len_ - pos_;
        pending_.append(start, taken);
        pos_ += taken;
        if (!TakePolls())
            return Fail(linesRead_ + 1, ReadFault::BadPoll, "malformed busy-check poll " + Quoted(pending_));
        if (pending_.size() > MaxLineLength && (pending_.size() > MaxTextLineLength || !CarriesText(pending_)))
            return Fail(linesRead_ + 1, ReadFault::TooLong,
                        "longer than any line relaytest prints: " + Quoted(pending_));
        if (lineEnd != nullptr) {
            ++pos_;
            return Finish(line, false);
        }
    }
}

}  // namespace relaylog
