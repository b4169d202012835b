// relaylog: reads a saved relaytest or relaysweep record and says what went
// wrong, where, relay by relay.
//
//   relaylog [--junit FILE] FILE      relaylog [--junit FILE] -   (standard input)
//
// Exit status 0 on PASS, 1 on FAIL, 2 when the input cannot be read or is not
// a complete record, and for a usage error.
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "JUnit.h"
#include "RecordCheck.h"

#ifndef RELAYLOG_VERSION
#define RELAYLOG_VERSION "unknown"
#endif

namespace relaylog {
namespace {

const char* const Usage =
    "usage: relaylog [--junit FILE] FILE   (or - for standard input)\n"
    "  Reads a saved relaytest or relaysweep record, names every problem on a PROBLEM\n"
    "  line and judges every relay; exit status 0 PASS, 1 FAIL, 2 not a complete record.\n"
    "  --junit FILE  also write the verdict as a JUnit XML report to FILE\n"
    "  --help        this text\n"
    "  --version     relaylog's version\n";

struct Options {
    std::string record;
    std::string junit;
    bool help = false;
    bool version = false;
};

// False, after one line on standard error, for a usage error.
bool ReadOptions(int argc, char** argv, Options& options)
{
    bool haveRecord = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "--version") {
            (arg == "--help" ? options.help : options.version) = true;
        } else if (arg == "--junit" && i + 1 < argc && argv[i + 1][0] != '\0') {
            options.junit = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::cerr << "relaylog: " << (arg == "--junit" ? "--junit needs a file name" : "unknown option " + arg)
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

int Check(std::istream& in, const Options& options)
{
    if (options.junit.empty())
        return CheckRecord(in, std::cout);
    JUnitReport junit;
    const int status = CheckRecord(in, std::cout, &junit);
    std::ofstream file(options.junit, std::ios::binary | std::ios::trunc);
    junit.Write(file, "relaylog " + (options.record == "-" ? std::string("standard input") : options.record));
    file.close();
    if (!file) {
        std::cerr << "relaylog: cannot write " << options.junit << ": " << std::strerror(errno) << "\n";
        return 2;
    }
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
