#include "ReportFiles.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include <CLI/CLI.hpp>

#ifndef RELAYLOG_VERSION
#define RELAYLOG_VERSION "unknown"
#endif

namespace relaylog {

const char* const UsageText =
    "usage: relaylog [--junit FILE] [--html FILE] [--baseline OLD] [--wiring FILE] [--ledger FILE] FILE   (or - for standard input)\n"
    "  Reads a saved relaytest, relaysweep or relayctl record, names every problem on\n"
    "  a PROBLEM line and judges every relay; exit status 0 PASS, 1 FAIL, 2 not a\n"
    "  complete record.\n"
    "  --junit FILE  also write the verdict as a JUnit XML report to FILE\n"
    "  --html FILE   also write the report as one self-contained HTML page to FILE,\n"
    "                each board drawn as its crosspoints coloured by their verdicts\n"
    "  --baseline OLD  also compare every relay's verdict with the one in record OLD:\n"
    "                a CHANGED line per relay that differs and a \"Since baseline\" line\n"
    "  --wiring FILE the station's wiring (default: the file RELAYTEST_WIRING names):\n"
    "                relays named by its rows and columns, and a WARNING when the\n"
    "                record was made under another wiring, or none\n"
    "  --ledger FILE also add a sweep's verdicts and a record's uncounted closes to\n"
    "                the station's relay ledger FILE, once a record (docs/ledger.md)\n"
    "  --help        this text\n"
    "  --version     relaylog's version\n";

namespace {

// Each option that takes a value, and where it goes.
constexpr std::pair<const char*, std::string Options::*> ValueOptions[] = {
    {"--junit", &Options::junit}, {"--html", &Options::html}, {"--baseline", &Options::baseline},
    {"--wiring", &Options::wiring}, {"--ledger", &Options::ledger}};

// "--junit=" with nothing after it: CLI11 would take the next argument.
std::string EmptyValue(int argc, char** argv)
{
    for (int i = 1; i < argc && std::string(argv[i]) != "--"; ++i) {
        for (const auto& [name, member] : ValueOptions) {
            if (std::string(argv[i]) == std::string(name) + "=")
                return std::string(name) + " needs a value";
        }
    }
    return {};
}

// Our wording of what CLI11 refused.
std::string MistakeOf(const CLI::ParseError& error, CLI::App& app)
{
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr && !app.remaining().empty()) {
        const std::string extra = app.remaining().front();
        return (extra.size() > 1 && extra[0] == '-' ? "unknown option \"" : "unexpected argument \"") + Echoed(extra) +
               "\"";
    }
    std::string what = error.what();
    for (const CLI::Option* option : app.get_options()) {
        const std::string name = option->get_name();
        if (what.rfind(name + ":", 0) == 0)
            return name + (option->count() > 1 ? " given more than once" : " needs a value");
    }
    return what;
}

}  // namespace

std::string Echoed(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        char hex[8];
        (void)std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        out += c == '\\' ? std::string("\\\\") : byte < 0x20 || byte == 0x7F ? std::string(hex) : std::string(1, c);
    }
    return out;
}

Parsed ReadCommandLine(int argc, char** argv, Options& options, std::string& mistake, std::vector<NamedFile>& reports)
{
    CLI::App app{"relaylog", "relaylog"};
    app.set_help_flag();
    bool help = false;
    bool version = false;
    app.add_flag("--help", help);
    app.add_flag("--version", version);
    for (const auto& [name, member] : ValueOptions)
        app.add_option(name, options.*member);
    CLI::Option* record = app.add_option("record", options.record);
    mistake = EmptyValue(argc, argv);
    if (mistake.empty()) {
        try {
            app.parse(argc, argv);
        } catch (const CLI::ParseError& error) {
            mistake = MistakeOf(error, app);
        }
    }
    if (mistake.empty() && (help || version)) {
        (void)std::fputs(help ? UsageText : "relaylog " RELAYLOG_VERSION "\n", stdout);
        return Parsed::Done;
    }
    if (mistake.empty() && record->count() == 0)
        mistake = "missing the record to judge (a file, or - for standard input)";
    if (mistake.empty())
        return Parsed::Run;
    for (const char* report : {"--junit", "--html"}) {
        for (const std::string& path : app.get_option(report)->results())
            reports.push_back({report, path});
    }
    const std::string usage(UsageText, std::string_view(UsageText).find('\n'));
    (void)std::fprintf(stderr, "relaylog: %s\n%s\n", mistake.c_str(), usage.c_str());
    return Parsed::Usage;
}

}  // namespace relaylog
