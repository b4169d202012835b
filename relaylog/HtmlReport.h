// relaylog's report as one self-contained page a technician can print: the
// text report's headline lines and PROBLEM lines, then each board as its
// 8 x 16 crosspoint diagram, every relay coloured by its class and named in
// its tooltip as the text report names it. Inline CSS and SVG only, nothing
// fetched, no script; the markup is also well-formed XML.
#ifndef RELAYLOG_HTMLREPORT_H
#define RELAYLOG_HTMLREPORT_H

#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "RelayVerdicts.h"
#include "RelayVerdicts.h"

namespace relaylog {

// The tag each page carries, by which relaylog knows a file it may write over.
inline constexpr const char* HtmlMarker = "<meta name=\"generator\" content=\"relaylog\"/>";

// Takes the findings of one record, then writes the page.
class HtmlPage : public FindingSink {
public:
    void CardCheck(std::uint64_t line, bool found) override;
    void Revision(std::uint64_t line, std::uint32_t value) override;
    void Problem(const Finding& finding) override;
    // The run's verdict and relays, as the text report has them.
    void Judged(const Run& run) override;
    void Error(const std::string& line) override;
    // A route made: its title goes in the tooltip of each relay of its path.
    void RuleLine(const RecordLine& line) override;
    // A file of several runs: the page has the file's verdict and every run's
    // PROBLEM lines, and the first run's card check, the worst run's relays.
    void FileJudged(const Run& worst, const std::string& verdict) override;

    // What was judged (the record, its program, its card), shown above the verdict.
    void Properties(std::vector<std::pair<std::string, std::string>> properties) { properties_ = std::move(properties); }

    // The page, each board drawn with the record's verdicts; comparison may be null.
    void Write(std::ostream& out, const RelayVerdicts& verdicts, const Comparison* comparison) const;

private:
    std::vector<std::string> headline_;  // card check, revision
    std::vector<std::string> problems_;  // the first of them
    std::uint64_t problemCount_ = 0;
    std::string relays_;   // "Relays: ..."
    std::string verdict_;  // PASS, FAIL or the ERROR line
    std::vector<std::pair<std::string, std::string>> properties_;
    std::map<int, std::string> routes_;  // relay: "; route TITLE" for each route made through it
};

}  // namespace relaylog

#endif
