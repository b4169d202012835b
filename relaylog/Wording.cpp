#include "Wording.h"

#include <algorithm>
#include <cstdio>

#include "Wiring.h"

namespace relaylog {

namespace {

const Wiring* Station = nullptr;

std::string Str(std::uint64_t n) { return std::to_string(n); }

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
    case Stop::CardCheck: return "after " + std::string(stop.program->program) + "'s first line";
    case Stop::Revision: return "after the card check";
    case Stop::Body: break;
    }
    return "after the FPGA revision line";
}

}  // namespace

std::string Count(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

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

std::string BoardName(int board)
{
    return "board " + std::to_string(board) + " (relays " + RelayRange(board) + ")";
}

std::string RelayRange(int board)
{
    return std::to_string(board * RelaysPerBoard) + "-" + std::to_string(board * RelaysPerBoard + RelaysPerBoard - 1);
}

const char* ClassName(RelayClass k) { return WordsOf(k).name; }

std::string ClassCounts(const std::array<std::uint32_t, RelayClassCount>& counts)
{
    std::string text;
    // Skipped by rule beside the unverified, the deep passes' classes last.
    constexpr int Order[RelayClassCount] = {0, 1, 2, 6, 3, 4, 5, 7, 8, 9, 10, 11, 12};
    for (const int k : Order) {
        const std::uint32_t n = counts[static_cast<std::size_t>(k)];
        if (k < ListedClassCount || n > 0)
            text += (k == 0 ? "" : ", ") + std::to_string(n) + " " + Classes[k].name;
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

std::string WiringNamed(const Wiring& wiring) { return wiring.file + " (checksum " + wiring.checksum + ")"; }

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
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t' || (keepLineFeeds && c == '\n'))
                out += c;
        }
    }
    return out;
}

std::string StepName(const Sequence& step)
{
    const std::string number = std::to_string(step.number);
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

}  // namespace relaylog
