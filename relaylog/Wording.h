// How relaylog words what it finds: the names of relays, boards, registers and
// classes, the report's fixed lines, and one sentence for each kind of
// finding. The text report, the JUnit report and the HTML page all word
// findings through here, so that they say the same thing in the same words.
#ifndef RELAYLOG_WORDING_H
#define RELAYLOG_WORDING_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Findings.h"
#include "RelayVerdicts.h"

struct Wiring;

namespace relaylog {

// The station's wiring, by which relays are named in every report: none (the
// default), or one that outlives the reports. Set once, before judging.
void UseWiring(const Wiring* wiring);
const Wiring* StationWiring();

// "1 poll", "3 polls"
std::string Count(std::uint64_t n, const char* one, const char* many);
// Register values and offsets as the traces print them: "0002A1F7", "104".
std::string Hex(std::uint32_t value, int width = 8);
std::string Offset(std::uint32_t offset);
// "relay 100 (board 0, row 4, column 12)"; under a wiring with the names it
// gives: "relay 311 (board 2, row 7 0V, column 6 J4.7)"
std::string RelayName(std::int64_t relay);
// "board 3 (relays 384-511)", and its relays alone: "384-511"
std::string BoardName(int board);
std::string RelayRange(int board);
// "stuck closed"
const char* ClassName(RelayClass k);
// "128 functional, 0 partly verified, ...", and "N skipped by rule" after
// the unverified when there are any
std::string ClassCounts(const std::array<std::uint32_t, RelayClassCount>& counts);

// The report's own lines.
std::string CardCheckLine(std::uint64_t line, bool found);  // "Card check (line 1): card found"
std::string RevisionLine(std::uint64_t line, std::uint32_t value);
std::string VerdictLine(std::uint64_t problems);  // "PASS: no problems", "FAIL: 3 problems"
std::string ErrorLine(std::uint64_t line, const std::string& why);  // "ERROR line N: why"; line 0: "ERROR: why"
// Why a record that is not complete cannot be judged: where it stops and
// what was under way there.
std::string StopText(const Stop& stop);

// The wiring: "bench-3.toml (checksum 0123456789ABCDEF)", as a record names it.
std::string WiringNamed(const Wiring& wiring);
// "Wiring (line 4): bench-3.toml (checksum ...)"
std::string WiringLine(std::uint64_t line, const std::string& named);
// Why the station's wiring does not match the one the record names (named,
// empty when it names none); empty when it does.
std::string WiringWarning(const std::string& named);
// A relay skipped by rule, a command refused, rules broken or a route line,
// with its line: "Skipped by rule (line 9): relay 316 (...): closing ... is
// forbidden (...)", "Route made (line 40): DMM_HI to P20 through ...".
std::string RuleLineText(const RecordLine& line);

// A route's path: "0:0:14, 1:0:5"; under a wiring "DMM_HI@ABUS1 (0:0:14), ...".
std::string RoutePath(const std::vector<std::int32_t>& path);

// The sentence for one finding, and its line in the report:
// "PROBLEM line N: sentence".
std::string Describe(const Finding& finding);
std::string ProblemLine(const Finding& finding);

// Text as XML character data or an attribute value, for the JUnit report and
// the page. XML 1.0 cannot carry the control characters below a blank: they
// are left out, but for tabs, and for line feeds where the caller keeps them.
// (The reader has already escaped what is not ASCII.)
std::string XmlEscaped(const std::string& text, bool keepLineFeeds = false);

// "the push for relay 100 (line 9)", "the fetch of board 0 (line 27)"
std::string StepName(const Sequence& step);
// How far a step had come: "2 writes of 5", "0 reads of 4", "1 line of 7".
std::string Progress(const Sequence& step, std::int64_t done);

}  // namespace relaylog

#endif
