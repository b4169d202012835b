#include "LineTemplates.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "CardMap.h"

namespace relaylog {

namespace {

// Each line relaytest prints, spelt as a template: literal text, and fields in
// braces that must be spelt exactly as the program's printf formats spell
// them, so that only real lines pass:
//   {value}   "%08X" into value        {offset}  "%02X" into offset
//   {on}      "on" or "off" into on    {op}      "??" (read) or "<<" (write)
//   {n:W}     "%Wd" into n             {last:W}  "%Wd" into last
//   {map}     32 of "X" / "." into map, the first character in bit 0
//   {why}     any text to the end of the line, not empty (not kept)
//   {text}    the same, kept in text
//   {named}   a wiring file as given and " (checksum %016X)", kept whole in text
//   {title}   any text up to the last " through " of the line, not empty, kept in text
//   {path}    crosspoints "board:row:column" ("%d:%d:%d"), joined by ", ", as relays into path
//   {boards}  boards 0-7, ascending, each run of two or more as a range
//             ("0-7", "0,2-3"), as bits into value
//   {closing} the closing word of a frame (Frames), its first row into frame
// The frames' headings (Frames) are read after these.
struct LineTemplate {
    std::string_view text;
    LineKind kind;
    LineEnding ending;
};

constexpr LineTemplate Templates[] = {
    {"Success", LineKind::CardFound, LineEnding::Lf},
    {"ERROR: TEVRIS didn't find what it expected", LineKind::CardMissing, LineEnding::Lf},
    {"FPGA Rev: {value}", LineKind::Revision, LineEnding::Lf},
    {"Turning {on} relay {n:4}", LineKind::Switch, LineEnding::Lf},
    {"ERROR: relay {n:0} is out of range 0 to 1023", LineKind::RelayRangeError, LineEnding::Lf},
    {"ERROR: board {n:0} is out of range 0 to 7", LineKind::BoardRangeError, LineEnding::Lf},
    {"{offset} {op} {value}", LineKind::Access, LineEnding::Lf},
    {"", LineKind::Blank, LineEnding::Either},
    {"Board #{n:0}", LineKind::ReportHeading, LineEnding::CrLf},
    {"[{value}] = Relays {n:2} to {last:3} = {map}", LineKind::ReportWord, LineEnding::CrLf},
    {"--------", LineKind::ReportRule, LineEnding::CrLf},
    {"Press enter to exit", LineKind::ClosingPrompt, LineEnding::Lf},
    // The command processor's, not the program's. Editors that trim trailing
    // blanks leave it without its last one.
    {"Press any key to continue . . . ", LineKind::PausePrompt, LineEnding::Lf},
    {"Press any key to continue . . .", LineKind::PausePrompt, LineEnding::Lf},
    {"Command: {why}", LineKind::ControlCommand, LineEnding::Lf},
    {"Board {n:0} refused: closing {why}", LineKind::ControlLimit, LineEnding::Lf},
    {"Board {n:0} refused: {why}", LineKind::ControlRefused, LineEnding::Lf},
    {"Wiring: {named}", LineKind::Wiring, LineEnding::Lf},
    {"Ledger: {text}", LineKind::Ledger, LineEnding::Lf},
    {"Relay {n:0} skipped: {text}", LineKind::RelaySkipped, LineEnding::Lf},
    {"Command refused: {text}", LineKind::CommandRefused, LineEnding::Lf},
    {"Rules broken: {text}", LineKind::RulesBroken, LineEnding::Lf},
    {"Route made: {title} through {path}; settle {n:0} ms", LineKind::RouteMade, LineEnding::Lf},
    {"Route broken: {title} through {path}", LineKind::RouteBroken, LineEnding::Lf},
    {"Route failed: {text}", LineKind::RouteFailed, LineEnding::Lf},
    {"Deep pass: {text}", LineKind::DeepPass, LineEnding::Lf},
    {"Deep skip: relay {n:0}: {text}", LineKind::DeepSkip, LineEnding::Lf},
    // The last line of every frame; its closing word must be the heading's.
    {"{closing} complete", LineKind::Complete, LineEnding::Lf},
    {"{closing} stopped: no card", LineKind::NoCard, LineEnding::Lf},
    {"{closing} stopped: interrupted by {why}", LineKind::Interrupted, LineEnding::Lf},
    {"{closing} stopped: the SPI controller stayed busy {why}", LineKind::Busy, LineEnding::Lf},
    {"{closing} stopped: the record could not be written {why}", LineKind::Unwritten, LineEnding::Lf},
};

}  // namespace

std::string BoardListText(std::uint32_t boards)
{
    const auto listed = [boards](int b) { return b < 8 && ((boards >> b) & 1u) != 0; };
    std::string text;
    for (int b = 0; b < 8; ++b) {
        if (!listed(b))
            continue;
        int run = b;
        while (listed(run + 1))
            ++run;
        text += (text.empty() ? "" : ",") + std::to_string(b) + (run > b ? "-" + std::to_string(run) : "");
        b = run;
    }
    return text;
}

namespace {

constexpr std::string_view PollTemplate = "  [[[ SPI Busy Check {offset} ?? {value} ]]]  ";

// Reads the fields of one line in order.
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
    bool Hex(std::uint32_t& value, int width)
    {
        const std::size_t digits = std::min(rest_.find_first_not_of("0123456789ABCDEF"), rest_.size());
        if (digits == 0 || digits > 8)
            return false;
        value = static_cast<std::uint32_t>(std::strtoul(std::string(rest_.substr(0, digits)).c_str(), nullptr, 16));
        return Spelt(digits, "%0*X", width, value);
    }

    // "%<width>d": blanks, an optional minus and digits, as printf would write them.
    bool Int(std::int32_t& value, int width)
    {
        std::size_t used = std::min(rest_.find_first_not_of(' '), rest_.size());
        used += rest_.substr(used, 1) == "-" ? 1u : 0u;
        const std::size_t digits = std::min(rest_.find_first_not_of("0123456789", used), rest_.size()) - used;
        if (digits == 0 || digits > 10)
            return false;
        const long long n = std::strtoll(std::string(rest_.substr(0, used + digits)).c_str(), nullptr, 10);
        if (n < INT32_MIN || n > INT32_MAX)
            return false;
        value = static_cast<std::int32_t>(n);
        return Spelt(used + digits, "%*d", width, value);
    }

    // The next length characters are value as printf spells it with format and width.
    template <typename Value> bool Spelt(std::size_t length, const char* format, int width, Value value)
    {
        char spelt[32];
        const int n = std::snprintf(spelt, sizeof spelt, format, width, value);
        if (n < 0 || rest_.substr(0, length) != std::string_view(spelt, static_cast<std::size_t>(n)))
            return false;
        rest_.remove_prefix(length);
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

    // A board list, spelt exactly as relaysweep spells it: the one set of
    // boards BoardListText spells so.
    bool Boards(std::uint32_t& boards)
    {
        const std::size_t length = std::min(rest_.find_first_not_of("0123456789,-"), rest_.size());
        for (boards = 1; boards < 256u; ++boards) {
            if (rest_.substr(0, length) == BoardListText(boards)) {
                rest_.remove_prefix(length);
                return true;
            }
        }
        return false;
    }

    bool End() const { return rest_.empty(); }

    bool Closing(const Frame*& frame)
    {
        for (const Frame& f : Frames) {
            if (!f.closing.empty() && Literal(f.closing)) {
                frame = &f;
                return true;
            }
        }
        return false;
    }

    // A file name, then its checksum as 16 upper-case hexadecimal digits.
    bool Named(std::string& text)
    {
        constexpr std::string_view Open = " (checksum ";
        const std::size_t tail = Open.size() + 17;
        if (rest_.size() <= tail || rest_.substr(rest_.size() - tail, Open.size()) != Open || rest_.back() != ')' ||
            rest_.substr(rest_.size() - 17, 16).find_first_not_of("0123456789ABCDEF") != std::string_view::npos)
            return false;
        return Keep(text);
    }

    bool Title(std::string& text)
    {
        const std::size_t through = rest_.rfind(" through ");
        if (through == 0 || through == std::string_view::npos)
            return false;
        text = std::string(rest_.substr(0, through));
        rest_.remove_prefix(through);
        return true;
    }

    // Each crosspoint on the card, its numbers spelt as "%d" spells them.
    bool Path(std::vector<std::int32_t>& path)
    {
        std::int32_t b = 0, r = 0, c = 0;
        do {
            if (!Int(b, 0) || !Literal(":") || !Int(r, 0) || !Literal(":") || !Int(c, 0) || b < 0 ||
                b >= relaylog::Boards || r < 0 || r >= Rows || c < 0 || c >= Columns)
                return false;
            path.push_back(b * RelaysPerBoard + c * Rows + r);
        } while (Literal(", "));
        return true;
    }

    bool Keep(std::string& text)
    {
        text = std::string(rest_);
        return Rest();
    }

    bool Rest()
    {
        const bool any = !rest_.empty();
        rest_ = {};
        return any;
    }

private:
    std::string_view rest_;
};

// What each field of a template reads, and into which member of the line;
// width is the number after its colon ("n:4"), 0 without one.
using FieldReader = bool (*)(Scanner& s, RecordLine& line, int width);
constexpr std::pair<std::string_view, FieldReader> Fields[] = {
    {"value", [](Scanner& s, RecordLine& line, int) { return s.Hex(line.value, 8); }},
    {"offset", [](Scanner& s, RecordLine& line, int) { return s.Hex(line.offset, 2); }},
    {"on", [](Scanner& s, RecordLine& line, int) { return (line.on = s.Literal("on")) || s.Literal("off"); }},
    {"op", [](Scanner& s, RecordLine& line, int) { return (line.write = s.Literal("<<")) || s.Literal("??"); }},
    {"n", [](Scanner& s, RecordLine& line, int width) { return s.Int(line.n, width); }},
    {"last", [](Scanner& s, RecordLine& line, int width) { return s.Int(line.last, width); }},
    {"map", [](Scanner& s, RecordLine& line, int) { return s.Map(line.map); }},
    {"boards", [](Scanner& s, RecordLine& line, int) { return s.Boards(line.value); }},
    {"why", [](Scanner& s, RecordLine&, int) { return s.Rest(); }},
    {"text", [](Scanner& s, RecordLine& line, int) { return s.Keep(line.text); }},
    {"named", [](Scanner& s, RecordLine& line, int) { return s.Named(line.text); }},
    {"title", [](Scanner& s, RecordLine& line, int) { return s.Title(line.text); }},
    {"path", [](Scanner& s, RecordLine& line, int) { return s.Path(line.path); }},
    {"closing", [](Scanner& s, RecordLine& line, int) { return s.Closing(line.frame); }},
};

// One field of a template, named as in the table: "value", "n:4", ...
bool Field(Scanner& s, std::string_view field, RecordLine& line)
{
    const std::size_t colon = field.find(':');
    for (const auto& [name, read] : Fields) {
        if (name == field.substr(0, colon))
            return read(s, line, colon == std::string_view::npos ? 0 : field[colon + 1] - '0');
    }
    return false;
}

// With start, true once text matches the pattern up to its free text.
bool Match(std::string_view pattern, std::string_view text, RecordLine& line, bool start = false)
{
    Scanner s(text);
    while (!pattern.empty()) {
        const std::size_t open = pattern.find('{');
        if (!s.Literal(pattern.substr(0, open)))
            return false;
        if (open == std::string_view::npos)
            break;
        const std::size_t close = pattern.find('}', open);
        const std::string_view field = pattern.substr(open + 1, close - open - 1);
        if (start && (field == "why" || field == "text" || field == "named" || field == "title"))
            return true;
        if (!Field(s, field, line))
            return false;
        pattern.remove_prefix(close + 1);
    }
    return !start && s.End();
}

// Each template in turn, then each frame's heading, until take takes one.
template <typename Take> bool AnyTemplate(const Take& take)
{
    for (const LineTemplate& t : Templates) {
        if (take(t.text, t.kind, t.ending, nullptr))
            return true;
    }
    for (const Frame& frame : Frames) {
        if (!frame.heading.empty() && take(frame.heading, LineKind::Heading, LineEnding::Lf, &frame))
            return true;
    }
    return false;
}

}  // namespace

bool MatchLine(std::string_view text, RecordLine& line, LineEnding& ending)
{
    return AnyTemplate([&](std::string_view pattern, LineKind kind, LineEnding end, const Frame* heading) {
        RecordLine candidate = line;
        if (!Match(pattern, text, candidate))
            return false;
        line = candidate;
        line.kind = kind;
        line.frame = heading != nullptr ? heading : line.frame;
        ending = end;
        return true;
    });
}

bool CarriesText(std::string_view start)
{
    RecordLine line;
    return AnyTemplate([&](std::string_view pattern, LineKind, LineEnding, const Frame*) {
        return Match(pattern, start, line, true);
    });
}

bool MatchPoll(std::string_view text, std::uint32_t& address, std::uint32_t& value)
{
    RecordLine poll;
    if (!Match(PollTemplate, text, poll))
        return false;
    address = poll.offset;
    value = poll.value;
    return true;
}

}  // namespace relaylog
