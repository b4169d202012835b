// How relaylog words what it finds: the names of relays, boards, registers and
// classes, the report's fixed lines, and one sentence for each kind of
// finding. The text report, the JUnit report and the HTML page all word
// findings through here, so that they say the same thing in the same words.
#ifndef RELAYLOG_WORDING_H
#define RELAYLOG_WORDING_H

#include <array>
#include <cstdint>
#include <string>

#include "Findings.h"
#include "RelayVerdicts.h"

struct Wiring;

namespace relaylog {

// The station's wiring, by which relays are named in every report: none (the
// default), or one that outlives the reports. Set once, before judging.
void UseWiring(const Wiring* wiring);
const Wiring* StationWiring();

std::string Count(std::uint64_t n, const char* one, const char* many);  // "1 poll", "3 polls"
std::string Hex(std::uint32_t value, int width = 8);  // as the traces print it: "0002A1F7", an offset "104"
// "relay 100 (board 0, row 4, column 12)"; under a wiring with the names it
// gives: "relay 311 (board 2, row 7 0V, column 6 J4.7)"
std::string RelayName(std::int64_t relay);
std::string RelayRange(int board);  // "384-511"
const char* ClassName(RelayClass k);
// "128 functional, 0 partly verified, ...", and "N skipped by rule" after
// the unverified when there are any
std::string ClassCounts(const PerClass& counts);

// The report's own lines: "Card check (line 1): card found", "FPGA revision
// (line 2): 0002A1F7", "PASS: no problems" or "FAIL: 3 problems", "ERROR line
// N: why" (line 0: "ERROR: why"), and why a record that is not complete
// cannot be judged: where it stops and what was under way there.
std::string CardCheckLine(std::uint64_t line, bool found);
std::string RevisionLine(std::uint64_t line, std::uint32_t value);
std::string VerdictLine(std::uint64_t problems);
std::string ErrorLine(std::uint64_t line, const std::string& why);
std::string StopText(const Stop& stop);

// The wiring as a record names it, "bench-3.toml (checksum 0123456789ABCDEF)";
// why the station's wiring is not the one the record names (named, empty when
// it names none), empty when it is.
std::string WiringNamed(const Wiring& wiring);
std::string WiringWarning(const std::string& named);

std::string Describe(const Finding& finding);     // the sentence for one finding
std::string ProblemLine(const Finding& finding);  // "PROBLEM line N: sentence"

// Text as XML character data or an attribute value, for the JUnit report and
// the page. XML 1.0 cannot carry the control characters below a blank: they
// are left out, but for tabs, and for line feeds where the caller keeps them.
std::string XmlEscaped(const std::string& text, bool keepLineFeeds = false);

}  // namespace relaylog

#endif
