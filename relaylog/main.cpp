// relaylog: reads a saved relaytest, relaysweep or relayctl record and says what went
// wrong, where, relay by relay.
//
//   relaylog [--junit FILE] [--html FILE] [--baseline OLD] FILE   (or - for standard input)
//
// Exit status 0 on PASS, 1 on FAIL, 2 when the input cannot be read or is not
// a complete record, and for a usage error.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "Baseline.h"
#include "HtmlReport.h"
#include "JUnit.h"
#include "RecordCheck.h"

#ifndef RELAYLOG_VERSION
#define RELAYLOG_VERSION "unknown"
#endif

namespace relaylog {
namespace {

const char* const Usage =
    "usage: relaylog [--junit FILE] [--html FILE] [--baseline OLD] FILE   (or - for standard input)\n"
    "  Reads a saved relaytest, relaysweep or relayctl record, names every problem on\n"
    "  a PROBLEM line and judges every relay; exit status 0 PASS, 1 FAIL, 2 not a\n"
    "  complete record.\n"
    "  --junit FILE  also write the verdict as a JUnit XML report to FILE\n"
    "  --html FILE   also write the report as one self-contained HTML page to FILE,\n"
    "                each board drawn as its crosspoints coloured by their verdicts\n"
    "  --baseline OLD  also compare every relay's verdict with the one in record OLD:\n"
    "                a CHANGED line per relay that differs and a \"Since baseline\" line\n"
    "  --help        this text\n"
    "  --version     relaylog's version\n";

struct Options {
    std::string record;
    std::string junit;
    std::string html;
    std::string baseline;
    bool help = false;
    bool version = false;
};

// Where an option that takes a file name keeps it; null for any other argument.
std::string* FileOption(Options& options, const std::string& arg)
{
    if (arg == "--junit")
        return &options.junit;
    if (arg == "--html")
        return &options.html;
    return arg == "--baseline" ? &options.baseline : nullptr;
}

// False, after one line on standard error, for a usage error.
bool ReadOptions(int argc, char** argv, Options& options)
{
    bool haveRecord = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "--version") {
            (arg == "--help" ? options.help : options.version) = true;
        } else if (std::string* value = FileOption(options, arg); value != nullptr && i + 1 < argc &&
                                                                  argv[i + 1][0] != '\0') {
            *value = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "relaylog: " << (FileOption(options, arg) ? arg + " needs a file name" : "unknown option " + arg)
                      << "\n" << Usage;
            return false;
        } else if (haveRecord) {
            std::cerr << "relaylog: one record at a time\n" << Usage;
            return false;
        } else {
            options.record = arg;
            haveRecord = true;
        }
    }
    if (!haveRecord && !options.help && !options.version) {
        std::cerr << Usage;
        return false;
    }
    return true;
}

// The baseline's verdicts; false, after one line on standard error, when OLD
// cannot be read or is not a complete record.
bool ReadBaseline(const std::string& name, RelayVerdicts& verdicts)
{
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        std::cerr << "relaylog: cannot open baseline " << name << ": " << std::strerror(errno) << "\n";
        return false;
    }
    struct : FindingSink {
        void Error(const std::string& line) override { error = line; }
        std::string error;
    } why;
    std::ostringstream report;
    if (CheckRecord(file, report, {&why}, &verdicts) == 2) {
        std::cerr << "relaylog: baseline " << name << " cannot be judged: " << why.error << "\n";
        return false;
    }
    return true;
}

bool WriteFile(const std::string& name, const std::function<void(std::ostream&)>& write)
{
    std::ofstream file(name, std::ios::binary | std::ios::trunc);
    write(file);
    file.close();
    if (!file)
        std::cerr << "relaylog: cannot write " << name << ": " << std::strerror(errno) << "\n";
    return static_cast<bool>(file);
}

int Check(std::istream& in, const Options& options)
{
    RelayVerdicts old;
    if (!options.baseline.empty() && !ReadBaseline(options.baseline, old))
        return 2;
    JUnitReport junit;
    HtmlPage html;
    RelayVerdicts verdicts;
    const int status = CheckRecord(in, std::cout, {&junit, &html}, &verdicts);
    Comparison comparison;
    if (!options.baseline.empty()) {
        comparison = Compare(old, verdicts);
        for (const std::string& line : comparison.lines)
            std::cout << line << "\n";
        std::cout << SummaryOf(comparison) << "\n";
        junit.Baseline(comparison.lines, comparison.worse, SummaryOf(comparison));
    }
    std::cout.flush();
    const std::string suite = "relaylog " + (options.record == "-" ? std::string("standard input") : options.record);
    if (!options.junit.empty() && !WriteFile(options.junit, [&](std::ostream& out) { junit.Write(out, suite); }))
        return 2;
    if (!options.html.empty() && !WriteFile(options.html, [&](std::ostream& out) {
            html.Write(out, verdicts, options.baseline.empty() ? nullptr : &comparison);
        }))
        return 2;
    return status;
}

}  // namespace
}  // namespace relaylog

int main(int argc, char** argv)
{
    using relaylog::Check;
    using relaylog::Usage;
    relaylog::Options options;
    if (!relaylog::ReadOptions(argc, argv, options))
        return 2;
    if (options.help || options.version) {
        std::cout << (options.help ? Usage : "relaylog " RELAYLOG_VERSION "\n");
        return 0;
    }
    std::ios::sync_with_stdio(false);
    if (options.record == "-")
        return Check(std::cin, options);

    std::ifstream file(options.record, std::ios::binary);
    if (!file) {
        std::cerr << "relaylog: cannot open " << options.record << ": " << std::strerror(errno) << "\n";
        return 2;
    }
    return Check(file, options);
}
