// relaylog's whole job: reads a saved record from in, writes the report and
// verdict to out, and returns the exit status: 0 PASS; 1 FAIL, each problem on
// a "PROBLEM line N: ..." line; 2 ERROR, the input cannot be read or is not a
// complete record (the last line says which line and why; for a record cut
// short, where it stops and what was under way there). Any input is safe:
// nothing is thrown and memory does not grow with its size.
#ifndef RELAYLOG_RECORDCHECK_H
#define RELAYLOG_RECORDCHECK_H

#include <istream>
#include <ostream>
#include <vector>

#include "Findings.h"

namespace relaylog {

// Every consumer in also takes the same findings as the text report (the
// JUnit report, the HTML page); with verdicts, the verdict on every relay is
// left there.
int CheckRecord(std::istream& in, std::ostream& out, const std::vector<FindingSink*>& also = {},
                RelayVerdicts* verdicts = nullptr);

}  // namespace relaylog

#endif
