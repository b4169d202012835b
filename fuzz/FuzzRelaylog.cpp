// Fuzzes relaylog's reader and checker with arbitrary records: it must never
// crash or hang, and its answer is always one of its three exit statuses, with
// the verdict or the error as the report's last line. The JUnit report and the
// HTML page are written too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "Reports.h"
#include "RecordCheck.h"

using relaylog::CheckRecord;
using relaylog::HtmlPage;
using relaylog::JUnitReport;
using relaylog::RelayVerdicts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    JUnitReport junit;
    HtmlPage html;
    RelayVerdicts verdicts;
    const int status = CheckRecord(in, out, {&junit, &html}, &verdicts);
    std::ostringstream xml;
    junit.Write(xml, "fuzz");
    html.Write(xml, verdicts, nullptr);
    const std::string report = out.str();
    const std::size_t lastStart = report.rfind('\n', report.size() < 2 ? 0 : report.size() - 2);
    const std::string last = report.substr(lastStart == std::string::npos ? 0 : lastStart + 1);
    const bool verdictMatches = (status == 0 && last.rfind("PASS", 0) == 0) ||
                                (status == 1 && last.rfind("FAIL", 0) == 0) ||
                                (status == 2 && last.rfind("ERROR", 0) == 0);
    if (!verdictMatches) {
        std::fprintf(stderr, "relaylog answered %d with the last line \"%s\"\n", status, last.c_str());
        std::abort();
    }
    return 0;
}
