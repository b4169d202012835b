// relaylog's report as one self-contained page a technician can print: the
// text report's headline lines and PROBLEM lines, then each board as its
// 8 x 16 crosspoint diagram, every relay coloured by its class and named in
// its tooltip as the text report names it. Inline CSS and SVG only, nothing
// fetched, no script; the markup is also well-formed XML.
#ifndef RELAYLOG_HTMLREPORT_H
#define RELAYLOG_HTMLREPORT_H

#include <ostream>
#include <string>

#include "Baseline.h"
#include "RelayVerdicts.h"

namespace relaylog {

// text: the text report on the same record; comparison may be null.
void WriteHtml(std::ostream& out, const std::string& text, const RelayVerdicts& verdicts,
               const Comparison* comparison);

}  // namespace relaylog

#endif
