#include "RecordReader.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "CardMap.h"

namespace relaylog {

namespace {

// Each line the programs print, spelt as a template: literal text, and fields
// in braces that must be spelt exactly as the program's printf formats spell
// them, so that only real lines pass:
//   {value}   "%08X" into value        {offset}  "%02X" into offset
//   {on}      "on" or "off" into on    {op}      "??" (read) or "<<" (write)
//   {n:W}     "%Wd" into n             {last:W}  "%Wd" into last
//   {map}     32 of "X" / "." into map, the first character in bit 0
//   {boards}  boards 0-7, ascending, each run of two or more as a range
//             ("0-7", "0,2-3"), as bits into value
//   {path}    crosspoints "board:row:column" ("%d:%d:%d"), joined by ", ", as relays into path
//   {closing} the closing word of a frame (Frames), its first row into frame
//   {why}     free text, not empty: to the end of the line, or up to the last
//             place the template's literal text after it follows (not kept)
//   {text}    the same, kept in text
//   {named}   a wiring file as given and " (checksum %016X)", kept whole in text
// Each line is written by one kind of run, by every run, or is the frame's
// own, read where the frame is (RunKind); a line of one kind of run is named
// as its row says when another's record holds it. The frames' headings
// (Frames) are read after these.
struct LineTemplate {
    std::string_view text;
    LineKind kind;
    RunKind run;
    const char* name;
};

constexpr LineTemplate Templates[] = {
    {"Success", LineKind::CardFound, RunKind::Every, ""},
    {"ERROR: TEVRIS didn't find what it expected", LineKind::CardMissing, RunKind::Every, ""},
    {"FPGA Rev: {value}", LineKind::Revision, RunKind::Every, ""},
    {"Turning {on} relay {n:4}", LineKind::Switch, RunKind::Every, ""},
    {"ERROR: relay {n:0} is out of range 0 to 1023", LineKind::RelayRangeError, RunKind::Every, ""},
    {"ERROR: board {n:0} is out of range 0 to 7", LineKind::BoardRangeError, RunKind::Every, ""},
    {"{offset} {op} {value}", LineKind::Access, RunKind::Every, ""},
    {"", LineKind::Blank, RunKind::Every, ""},
    {"Board #{n:0}", LineKind::ReportHeading, RunKind::Every, ""},
    {"[{value}] = Relays {n:2} to {last:3} = {map}", LineKind::ReportWord, RunKind::Every, ""},
    {"--------", LineKind::ReportRule, RunKind::Every, ""},
    {"Press enter to exit", LineKind::ClosingPrompt, RunKind::Frame, "relaytest's closing prompt"},
    // The command processor's, not the program's. Editors that trim trailing
    // blanks leave it without its last one.
    {"Press any key to continue . . . ", LineKind::PausePrompt, RunKind::Every, ""},
    {"Press any key to continue . . .", LineKind::PausePrompt, RunKind::Every, ""},
    {"Command: {why}", LineKind::ControlCommand, RunKind::Switching, "relayctl's \"Command:\" line"},
    {"Board {n:0} refused: closing {why}", LineKind::ControlLimit, RunKind::Switching,
     "relayctl's \"Board N refused: closing ...\" line"},
    {"Board {n:0} refused: {why}", LineKind::ControlRefused, RunKind::Switching, "relayctl's \"Board N refused\" line"},
    {"Wiring: {named}", LineKind::Wiring, RunKind::Frame, "the \"Wiring:\" line"},
    {"Ledger: {text}", LineKind::Ledger, RunKind::Frame, "the \"Ledger:\" line"},
    {"Relay {n:0} skipped: {text}", LineKind::RelaySkipped, RunKind::Sweep, "relaysweep's \"Relay N skipped\" line"},
    {"Command refused: {text}", LineKind::CommandRefused, RunKind::Switching, "relayctl's \"Command refused\" line"},
    {"Rules broken: {text}", LineKind::RulesBroken, RunKind::Switching, "relayctl's \"Rules broken\" line"},
    {"Route made: {text} through {path}; settle {n:0} ms", LineKind::RouteMade, RunKind::Switching,
     "relayctl's \"Route\" line"},
    {"Route broken: {text} through {path}", LineKind::RouteBroken, RunKind::Switching, "relayctl's \"Route\" line"},
    {"Route failed: {text}", LineKind::RouteFailed, RunKind::Switching, "relayctl's \"Route\" line"},
    {"Deep pass: {text}", LineKind::DeepPass, RunKind::Sweep, "relaysweep's \"Deep\" line"},
    {"Deep skip: relay {n:0}: {text}", LineKind::DeepSkip, RunKind::Sweep, "relaysweep's \"Deep\" line"},
    // The last line of every frame; its closing word must be the heading's.
    {"{closing} complete", LineKind::Complete, RunKind::Frame, " complete"},
    {"{closing} stopped: no card", LineKind::NoCard, RunKind::Frame, " stopped: no card"},
    {"{closing} stopped: interrupted by {why}", LineKind::Interrupted, RunKind::Frame, " stopped: interrupted"},
    {"{closing} stopped: the SPI controller stayed busy {why}", LineKind::Busy, RunKind::Frame,
     " stopped: the SPI controller stayed busy"},
    {"{closing} stopped: the record could not be written {why}", LineKind::Unwritten, RunKind::Frame,
     " stopped: the record could not be written"},
};

constexpr std::string_view PollTemplate = "  [[[ SPI Busy Check {offset} ?? {value} ]]]  ";

bool Literal(std::string_view& rest, std::string_view text)
{
    if (rest.substr(0, text.size()) != text)
        return false;
    rest.remove_prefix(text.size());
    return true;
}

// A number as printf spells it with format and width, and nothing else: read,
// spelt again and compared, so that no other spelling of it passes.
template <typename Int> bool Printed(std::string_view& rest, const char* format, int width, int base, Int& value)
{
    const std::string text(rest.substr(0, 24));
    char* end = nullptr;
    const long long n = std::strtoll(text.c_str(), &end, base);
    const auto used = static_cast<std::size_t>(end - text.c_str());
    const long long low = base == 16 ? 0 : INT32_MIN;
    const long long high = base == 16 ? 0xFFFFFFFFLL : INT32_MAX;
    char spelt[32];
    if (used == 0 || n < low || n > high || std::snprintf(spelt, sizeof spelt, format, width, static_cast<Int>(n)) < 0 ||
        rest.substr(0, used) != spelt)
        return false;
    value = static_cast<Int>(n);
    rest.remove_prefix(used);
    return true;
}

// 32 characters, "X" for a set bit and "." for a clear one, bit 0 first.
bool Map(std::string_view& rest, std::uint32_t& bits)
{
    bits = 0;
    for (std::uint32_t i = 0; i < 32; ++i) {
        if (i >= rest.size() || (rest[i] != 'X' && rest[i] != '.'))
            return false;
        bits |= rest[i] == 'X' ? 1u << i : 0u;
    }
    rest.remove_prefix(32);
    return true;
}

// A board list, spelt exactly as relaysweep spells it: the one set of boards
// BoardListText spells so.
bool BoardList(std::string_view& rest, std::uint32_t& boards)
{
    const std::size_t length = std::min(rest.find_first_not_of("0123456789,-"), rest.size());
    for (boards = 1; boards < 256u; ++boards) {
        if (rest.substr(0, length) == BoardListText(boards)) {
            rest.remove_prefix(length);
            return true;
        }
    }
    return false;
}

bool Closing(std::string_view& rest, const Frame*& frame)
{
    const auto f = std::find_if(std::begin(Frames), std::end(Frames),
                                [&](const Frame& row) { return !row.closing.empty() && Literal(rest, row.closing); });
    frame = f == std::end(Frames) ? frame : f;
    return f != std::end(Frames);
}

// Each crosspoint on the card, its numbers spelt as "%d" spells them.
bool Path(std::string_view& rest, std::vector<std::int32_t>& path)
{
    std::int32_t b = 0, r = 0, c = 0;
    do {
        if (!Printed(rest, "%*d", 0, 10, b) || !Literal(rest, ":") || !Printed(rest, "%*d", 0, 10, r) ||
            !Literal(rest, ":") || !Printed(rest, "%*d", 0, 10, c) || b < 0 || b >= Boards || r < 0 || r >= Rows ||
            c < 0 || c >= Columns)
            return false;
        path.push_back(b * RelaysPerBoard + c * Rows + r);
    } while (Literal(rest, ", "));
    return true;
}

// Free text up to the last place the literal text after it follows, or to
// the end of the line; not empty. What is kept is shown in every report:
// control bytes, which the programs write as \xHH, are kept so too, so that
// a damaged or forged record cannot write escape sequences to the terminal.
bool FreeText(std::string_view& rest, std::string_view next, std::string* kept)
{
    const std::size_t end = next.empty() ? rest.size() : rest.rfind(next);
    if (end == 0 || end == std::string_view::npos)
        return false;
    if (kept != nullptr) {
        kept->clear();
        for (const char c : rest.substr(0, end)) {
            const auto byte = static_cast<unsigned char>(c);
            char hex[5];
            (void)std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            *kept += byte < 0x20 || byte == 0x7F ? std::string(hex) : std::string(1, c);
        }
    }
    rest.remove_prefix(end);
    return true;
}

// A file name, then its checksum as 16 upper-case hexadecimal digits.
bool Named(std::string_view& rest, std::string& text)
{
    constexpr std::string_view Open = " (checksum ";
    const std::size_t tail = Open.size() + 17;
    if (rest.size() <= tail || rest.substr(rest.size() - tail, Open.size()) != Open || rest.back() != ')' ||
        rest.substr(rest.size() - 17, 16).find_first_not_of("0123456789ABCDEF") != std::string_view::npos)
        return false;
    return FreeText(rest, {}, &text);
}

// What each field of a template reads, and into which member of the line;
// width is the number after its colon ("n:4"), 0 without one, and next the
// template's literal text after the field.
using View = std::string_view;
using FieldReader = bool (*)(View& s, RecordLine& line, int width, View next);
constexpr std::pair<View, FieldReader> Fields[] = {
    {"value", [](View& s, RecordLine& l, int, View) { return Printed(s, "%0*X", 8, 16, l.value); }},
    {"offset", [](View& s, RecordLine& l, int, View) { return Printed(s, "%0*X", 2, 16, l.offset); }},
    {"on", [](View& s, RecordLine& l, int, View) { return (l.on = Literal(s, "on")) || Literal(s, "off"); }},
    {"op", [](View& s, RecordLine& l, int, View) { return (l.write = Literal(s, "<<")) || Literal(s, "??"); }},
    {"n", [](View& s, RecordLine& l, int width, View) { return Printed(s, "%*d", width, 10, l.n); }},
    {"last", [](View& s, RecordLine& l, int width, View) { return Printed(s, "%*d", width, 10, l.last); }},
    {"map", [](View& s, RecordLine& l, int, View) { return Map(s, l.map); }},
    {"boards", [](View& s, RecordLine& l, int, View) { return BoardList(s, l.value); }},
    {"path", [](View& s, RecordLine& l, int, View) { return Path(s, l.path); }},
    {"closing", [](View& s, RecordLine& l, int, View) { return Closing(s, l.frame); }},
    {"why", [](View& s, RecordLine&, int, View next) { return FreeText(s, next, nullptr); }},
    {"text", [](View& s, RecordLine& l, int, View next) { return FreeText(s, next, &l.text); }},
    {"named", [](View& s, RecordLine& l, int, View) { return Named(s, l.text); }},
};

// With start, true once text matches the pattern up to its free text.
bool Match(std::string_view pattern, std::string_view text, RecordLine& line, bool start = false)
{
    while (!pattern.empty()) {
        const std::size_t open = pattern.find('{');
        if (!Literal(text, pattern.substr(0, open)))
            return false;
        if (open == std::string_view::npos)
            break;
        const std::size_t close = pattern.find('}', open);
        const std::string_view field = pattern.substr(open + 1, close - open - 1);
        const std::size_t colon = field.find(':');
        const auto row = std::find_if(std::begin(Fields), std::end(Fields),
                                      [&](const auto& f) { return f.first == field.substr(0, colon); });
        if (row == std::end(Fields) || (start && (row->first == "why" || row->first == "text" || row->first == "named")))
            return start;
        pattern.remove_prefix(close + 1);
        if (!row->second(text, line, colon == std::string_view::npos ? 0 : field[colon + 1] - '0',
                         pattern.substr(0, pattern.find('{'))))
            return false;
    }
    return !start && text.empty();
}

// Each template in turn, then each frame's heading, until take takes one.
template <typename Take> bool AnyTemplate(const Take& take)
{
    for (const LineTemplate& t : Templates) {
        if (take(t.text, t.kind, nullptr))
            return true;
    }
    for (const Frame& frame : Frames) {
        if (!frame.heading.empty() && take(frame.heading, LineKind::Heading, &frame))
            return true;
    }
    return false;
}

// The first row of the kind; null for a heading, whose rows are the frames'.
const LineTemplate* RowOf(LineKind kind)
{
    const auto row = std::find_if(std::begin(Templates), std::end(Templates),
                                  [kind](const LineTemplate& t) { return t.kind == kind; });
    return row == std::end(Templates) ? nullptr : row;
}

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

bool MatchLine(std::string_view text, RecordLine& line)
{
    return AnyTemplate([&](std::string_view pattern, LineKind kind, const Frame* heading) {
        RecordLine candidate = line;
        if (!Match(pattern, text, candidate))
            return false;
        line = candidate;
        line.kind = kind;
        line.frame = heading != nullptr ? heading : line.frame;
        return true;
    });
}

bool CarriesText(std::string_view start)
{
    RecordLine line;
    return AnyTemplate([&](std::string_view pattern, LineKind, const Frame*) { return Match(pattern, start, line, true); });
}

bool MatchPoll(std::string_view text, RecordLine& poll) { return Match(PollTemplate, text, poll); }

RunKind WrittenBy(LineKind kind) { return RowOf(kind) == nullptr ? RunKind::Frame : RowOf(kind)->run; }

std::string LineName(LineKind kind, const Frame* of)
{
    const LineTemplate* row = RowOf(kind);
    if (of != nullptr && kind == LineKind::Heading)
        return std::string(of->program) + "'s first line";
    if (of != nullptr)  // a last line
        return std::string(of->program) + "'s " + (kind == LineKind::Complete ? "last line " : "") + "\"" +
               std::string(of->closing) + row->name + "\"";
    return row == nullptr || *row->name == '\0' ? "a line" : row->name;
}

}  // namespace relaylog
