// The wear map: the eight boards drawn as relaylog draws them, each
// crosspoint coloured by the share of its rated life its relay has used,
// from green (new) through yellow to red (at or past its rating), grey where
// nothing was counted; a black frame around a relay a sweep found faulty
// (since it was last replaced).
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "LedgerProgram.h"

namespace relayledger {

namespace {

constexpr int Cell = 30;      // one crosspoint's square, in pixels
constexpr int LeftEdge = 70;  // room for the row labels
constexpr int TopEdge = 24;   // room for the column labels

const char* const Style =
    "body{font-family:sans-serif;margin:1.5em;color:#222}h1{font-size:1.4em}"
    "h2{font-size:1.1em;margin:1em 0 .3em}"
    "section.board{display:inline-block;vertical-align:top;margin:0 1.5em 1em 0;break-inside:avoid}"
    "svg text{font-size:10px;fill:#444}rect{stroke:#fff;stroke-width:1}rect.faulty{stroke:#000;stroke-width:3}"
    "@media print{body{margin:0}*{-webkit-print-color-adjust:exact;print-color-adjust:exact}}";

std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// Green at 0, yellow at half the rated life, red at all of it and beyond.
std::string Colour(double share)
{
    const double used = std::clamp(share, 0.0, 1.0);
    char text[40];
    (void)std::snprintf(text, sizeof text, "hsl(%d,70%%,45%%)", static_cast<int>(std::lround(120.0 * (1.0 - used))));
    return text;
}

void WriteLegend(std::ostream& out)
{
    out << "<svg class=\"legend\" xmlns=\"http://www.w3.org/2000/svg\" width=\"760\" height=\"24\">"
        << "<rect x=\"0\" y=\"4\" width=\"16\" height=\"16\" style=\"fill:#e0e0e0\"/><text x=\"20\" y=\"16\">none counted</text>";
    const int shares[] = {0, 25, 50, 75, 100};
    for (int k = 0; k < 5; ++k) {
        const int x = 110 + k * 95;
        out << "<rect x=\"" << x << "\" y=\"4\" width=\"16\" height=\"16\" style=\"fill:" << Colour(shares[k] / 100.0)
            << "\"/><text x=\"" << x + 20 << "\" y=\"16\">" << shares[k] << (k == 4 ? "% or more" : "%") << "</text>";
    }
    out << "<rect class=\"faulty\" x=\"615\" y=\"4\" width=\"16\" height=\"16\" style=\"fill:#fff\"/>"
        << "<text x=\"635\" y=\"16\">found faulty</text></svg>\n";
}

void WriteBoard(std::ostream& out, const Station& station, const std::vector<LedgerRelay>& relays, int board)
{
    out << "<section class=\"board\"><h2>Board " << board << "</h2>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
        << LeftEdge + WiringColumns * Cell << "\" height=\"" << TopEdge + WiringRows * Cell << "\">";
    for (int c = 0; c < WiringColumns; ++c)
        out << "<text x=\"" << LeftEdge + c * Cell + 8 << "\" y=\"14\">" << c << "</text>";
    for (int row = 0; row < WiringRows; ++row) {
        out << "<text x=\"4\" y=\"" << TopEdge + row * Cell + 19 << "\">row " << row << "</text>";
        for (int c = 0; c < WiringColumns; ++c) {
            const LedgerRelay& r = relays[static_cast<std::size_t>(WiringRelayAt(board, row, c))];
            const double share = SharePercent(station, r.operations) / 100.0;
            char figures[160];
            (void)std::snprintf(figures, sizeof figures, ": %" PRIu64 " operations, %.3f%% of the rated life, %" PRIu32
                                " faulty sweeps", r.operations, share * 100.0, r.faults);
            // A relay replaced since its last fault is a new relay.
            const bool faulty = r.faults > 0 && r.lastFault >= r.replaced;
            out << "<rect" << (faulty ? " class=\"faulty\"" : "") << " x=\"" << LeftEdge + c * Cell << "\" y=\""
                << TopEdge + row * Cell << "\" width=\"" << Cell << "\" height=\"" << Cell << "\" style=\"fill:"
                << (r.operations == 0 ? std::string("#e0e0e0") : Colour(share)) << "\"><title>"
                << Escaped(RelayName(station.wiring, r.relay)) << figures << "</title></rect>";
        }
    }
    out << "</svg></section>\n";
}

}  // namespace

bool WriteWearMap(const std::string& file, const Station& station, const std::vector<LedgerRelay>& relays,
                  std::string& error)
{
    if (relays.empty()) {
        error = "no relay to draw";
        return false;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot write --html \"" + file + "\"";
        return false;
    }
    const std::uint64_t most =
        std::max_element(relays.begin(), relays.end(), [](const LedgerRelay& a, const LedgerRelay& b) {
            return a.operations < b.operations;
        })->operations;
    const std::string ledger = station.shown + (station.fleet ? ", station " + station.fleetStation : "");
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>relayledger: "
        << Escaped(ledger) << "</title><style>" << Style << "</style></head><body>\n"
        << "<h1>Relay wear</h1>\n<table class=\"record\"><tr><th>ledger</th><td>" << Escaped(ledger)
        << "</td></tr><tr><th>rated life</th><td>" << Escaped(RatedText(station)) << "</td></tr>"
        << "<tr><th>most operations</th><td>" << most << "</td></tr><tr><th>drawn</th><td>"
        << TimeText(static_cast<std::int64_t>(std::time(nullptr))) << "</td></tr></table>\n";
    WriteLegend(out);
    for (int board = 0; board < WiringBoards; ++board)
        WriteBoard(out, station, relays, board);
    out << "</body></html>\n";
    out.flush();
    if (!out) {
        error = "cannot write --html \"" + file + "\"";
        return false;
    }
    return true;
}

int WearMap(const Station& station, const std::string& file)
{
    std::vector<LedgerRelay> relays;
    std::string error;
    if (!LedgerReadRelays(station.ledger, relays, error, station.fleetStation) ||
        !WriteWearMap(file, station, relays, error)) {
        (void)std::fprintf(stderr, "relayledger: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace relayledger
