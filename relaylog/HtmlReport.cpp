#include "Reports.h"

#include "Wiring.h"

namespace relaylog {

namespace {

constexpr int Cell = 30;     // one crosspoint's square, in pixels
constexpr int LeftEdge = 70; // room for the row labels
constexpr int TopEdge = 24;  // room for the column labels
constexpr int NamedLeftEdge = 120;  // under a wiring, for the rows' names too
constexpr int NamedTopEdge = 36;    // and the columns' names under their numbers
constexpr std::size_t MaxTitles = 400;        // of the routes made through one relay, in its tooltip

const char* const Style =
    "body{font-family:sans-serif;margin:1.5em;color:#222}"
    "h1{font-size:1.4em}table.record th{text-align:left;padding-right:1em}"
    "h2{font-size:1.1em;margin:1em 0 .3em}"
    ".verdict{font-size:1.3em;font-weight:bold}.pass{color:#1b5e20}.fail{color:#b71c1c}"
    ".problems li,.changed li{font-family:monospace;font-size:.85em}"
    "section.board{display:inline-block;vertical-align:top;margin:0 1.5em 1em 0;break-inside:avoid}"
    "svg text{font-size:10px;fill:#444}rect{stroke:#fff;stroke-width:1}"
    "rect.changed{stroke:#000;stroke-width:3}";
const char* const PrintStyle =
    "@media print{body{margin:0}*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}";

// The styles of the classes from first to end, where any relay is in one of
// them or they are the classes every page lists: a page without relays
// skipped by rule or deep verdicts is as it was before them.
std::string ClassStyles(const PerClass& counts, int first, int end)
{
    std::string styles;
    bool any = false;
    for (int k = first; k < end; ++k) {
        any = any || IsListed(counts, k);
        styles += std::string(".") + Classes[k].id + "{" + Classes[k].style + "}";
    }
    return any ? styles : std::string();
}

// The classes every page lists, and the others only when a relay is in them.
void WriteLegend(std::ostream& out, const PerClass& counts)
{
    std::vector<int> classes;
    for (int k = 0; k < RelayClassCount; ++k) {
        if (IsListed(counts, k))
            classes.push_back(k);
    }
    out << "<svg class=\"legend\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" << classes.size() * 125 + 10
        << "\" height=\"24\">";
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const auto x = i * 125;
        out << "<rect class=\"" << Classes[classes[i]].id << "\" x=\"" << x << "\" y=\"4\" width=\"16\" height=\"16\"/>"
            << "<text x=\"" << x + 20 << "\" y=\"16\">" << Classes[classes[i]].name << "</text>";
    }
    out << "</svg>\n";
}

// A net's name as a label, cut to fit: its tooltip has it whole.
std::string Label(const std::string& name, std::size_t fits)
{
    return XmlEscaped(name.size() <= fits ? name : name.substr(0, fits - 1) + "\xE2\x80\xA6");
}

// The name the station's wiring gives the relay's row (or column); empty when none.
std::string NameOf(int relay, bool column)
{
    const Wiring* w = StationWiring();
    if (w == nullptr)
        return {};
    return w->netNames[static_cast<std::size_t>(column ? ColumnNetOf(*w, relay) : RowNetOf(*w, relay))];
}

// Rows and columns by number, and under a wiring by the names it gives them.
void WriteLabels(std::ostream& out, int board, int left, int top)
{
    out << "<text x=\"4\" y=\"14\">column</text>";
    for (int c = 0; c < Columns; ++c) {
        out << "<text x=\"" << left + c * Cell + 8 << "\" y=\"14\">" << c << "</text>";
        const std::string name = NameOf(board * RelaysPerBoard + c * Rows, true);
        if (!name.empty())
            out << "<text x=\"" << left + c * Cell + 2 << "\" y=\"28\" style=\"font-size:8px\">" << Label(name, 6)
                << "<title>column " << c << " " << XmlEscaped(name) << "</title></text>";
    }
    for (int r = 0; r < Rows; ++r) {
        const std::string name = NameOf(board * RelaysPerBoard + r, false);
        out << "<text x=\"4\" y=\"" << top + r * Cell + 19 << "\">row " << r
            << (name.empty() ? "" : " " + Label(name, 16)) << "</text>";
    }
}

// What the deep verdict of the relay, or of its board, says after its class
// (": closing it opened relay 6 ..."); empty when its class is none of the deep passes'.
std::string DeepDetail(const RelayVerdicts& verdicts, int relay, RelayClass k)
{
    const Finding* deep = verdicts.DeepFindingOf(relay);
    if (deep == nullptr || static_cast<int>(k) < PlainClassCount)
        return {};
    const std::string sentence = Describe(*deep);
    const std::string named = std::string(": ") + ClassName(k) + ": ";
    const std::size_t at = sentence.find(named);
    return at == std::string::npos ? ": " + sentence : ": " + sentence.substr(at + named.size());
}

void WriteBoard(std::ostream& out, int board, const RelayVerdicts& verdicts, const Comparison* comparison,
                const std::map<int, std::string>& routes)
{
    const int first = board * RelaysPerBoard;
    const bool named = StationWiring() != nullptr && StationWiring()->listed[static_cast<std::size_t>(board)];
    const int left = named ? NamedLeftEdge : LeftEdge;
    const int top = named ? NamedTopEdge : TopEdge;
    out << "<section class=\"board\"><h2>Board " << board << " (relays " << RelayRange(board) << ")"
        << (verdicts.Board(board).reads == 0 ? ": never read back, every relay unverified" : "") << "</h2>\n"
        << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << left + Columns * Cell << "\" height=\""
        << top + Rows * Cell << "\">";
    WriteLabels(out, board, left, top);
    for (int i = 0; i < RelaysPerBoard; ++i) {
        // The text report's relay order: row = relay % 8, column = relay / 8.
        const int relay = first + i;
        const auto k = verdicts.ClassOf(relay);
        const bool changed = comparison != nullptr && comparison->changed[static_cast<std::size_t>(relay)];
        out << "\n<rect class=\"" << WordsOf(k).id << (changed ? " changed" : "") << "\" data-relay=\""
            << relay << "\" x=\"" << left + (i / Rows) * Cell << "\" y=\"" << top + (i % Rows) * Cell
            << "\" width=\"" << Cell << "\" height=\"" << Cell << "\"><title>" << XmlEscaped(RelayName(relay)) << ": "
            << ClassName(k) << XmlEscaped(DeepDetail(verdicts, relay, k))
            << (k == RelayClass::SkippedByRule ? ": " + XmlEscaped(verdicts.SkipReason(relay)) : std::string())
            << (changed ? " (changed since baseline)" : "")
            << (routes.count(relay) != 0 ? XmlEscaped(routes.at(relay)) : std::string()) << "</title></rect>";
    }
    out << "</svg></section>\n";
}

void WriteList(std::ostream& out, const char* cls, const std::vector<std::string>& lines, std::uint64_t more)
{
    if (lines.empty())
        return;
    out << "<ul class=\"" << cls << "\">\n";
    for (const std::string& line : lines)
        out << "<li>" << XmlEscaped(line) << "</li>\n";
    if (more > 0)
        out << "<li>... and " << more << " more PROBLEM lines in the text report</li>\n";
    out << "</ul>\n";
}

void WriteProperties(std::ostream& out, const PropertyList& properties)
{
    if (properties.empty())
        return;
    out << "<table class=\"record\">\n";
    for (const auto& [name, value] : properties)
        out << "<tr><th>" << XmlEscaped(name) << "</th><td>" << XmlEscaped(value) << "</td></tr>\n";
    out << "</table>\n";
}

}  // namespace

void HtmlPage::RuleLine(const RecordLine& line)
{
    const std::string route = "; route " + line.text;
    for (const std::int32_t relay : line.kind == LineKind::RouteMade ? line.path : std::vector<std::int32_t>{}) {
        std::string& titles = routes_[relay];
        if (titles.find(route) == std::string::npos && titles.size() < MaxTitles)
            titles += route;
    }
}

void HtmlPage::Write(std::ostream& out, const RelayVerdicts& verdicts, const Comparison* comparison) const
{
    // Nothing judged: the ERROR stands where the verdict would, and no board is drawn.
    const bool judged = verdict_.rfind("ERROR", 0) != 0;
    const char* verdictClass = !judged ? "fail error" : verdict_.rfind("PASS", 0) == 0 ? "pass" : "fail";
    const auto counts = verdicts.Counts();
    out << "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\"><head><meta charset=\"utf-8\"/>"
        << HtmlMarker << "<title>relaylog: " << XmlEscaped(verdict_) << "</title><style>" << Style
        << ClassStyles(counts, 0, ListedClassCount) << PrintStyle
        << ClassStyles(counts, ListedClassCount, PlainClassCount) << ClassStyles(counts, PlainClassCount, RelayClassCount)
        << "</style></head><body>\n"
        << "<h1>Relay matrix report</h1>\n";
    WriteProperties(out, properties_);
    for (const std::string& line : headline_)
        out << "<p class=\"card\">" << XmlEscaped(line) << "</p>\n";
    out << "<p class=\"verdict " << verdictClass << "\">" << XmlEscaped(verdict_) << "</p>\n";
    if (judged)
        out << "<p class=\"summary\">" << XmlEscaped(relays_) << "</p>\n";
    WriteList(out, "problems", problems_, problemCount_ - problems_.size());
    if (judged && comparison != nullptr) {
        out << "<p class=\"baseline\">" << SummaryOf(*comparison) << " (changed relays outlined)</p>\n";
        WriteList(out, "changed", comparison->lines, 0);
    }
    if (judged) {
        WriteLegend(out, counts);
        for (int board = 0; board < Boards; ++board)
            WriteBoard(out, board, verdicts, comparison, routes_);
    }
    out << "</body></html>\n";
}

}  // namespace relaylog
