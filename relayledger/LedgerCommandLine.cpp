#include "LedgerCommandLine.h"

#include <cstdio>

#include <CLI/CLI.hpp>

#ifndef RELAYTEST_VERSION
#define RELAYTEST_VERSION "unknown"
#endif

namespace relayledger {

const char* const Synopsis =
    "usage: relayledger [--ledger PATH|URL] [--station NAME] [--wiring FILE] [--html FILE] "
    "top [-n N] | relay N | failing [--last N] | replaced RELAY... | replaced board B | export --csv|--json | html FILE"
    " | push URL";

const char* const UsageText =
    "usage: relayledger [--ledger PATH|URL] [--station NAME] [--wiring FILE] [--html FILE] COMMAND\n"
    "  Reads the station's relay ledger: every relay's operations (its open->closed\n"
    "  pushes by relayctl, relaysweep and relaymatrix) and the verdicts of its sweeps;\n"
    "  or a fleet's, many stations' ledgers in one PostgreSQL database.\n"
    "  top [-n N]          the N relays with most operations (20), with their share\n"
    "                      of the rated life\n"
    "  relay N             one relay (a number, board:row:column or ROW@COLUMN): its\n"
    "                      count, its verdicts over time, its first and last fault\n"
    "  failing [--last N]  the relays faulty in the last N sweeps (20): k of n\n"
    "  replaced RELAY...   relays changed: their counts start again, history kept\n"
    "  replaced board B    the 128 relays of board B changed\n"
    "  export --csv|--json every relay's counts and faults on standard output\n"
    "  html FILE           a wear map of the eight boards, as one HTML page\n"
    "  push URL            copy the station's ledger file into the fleet at URL\n"
    "                      (postgresql://...), under the station's name; again and\n"
    "                      again as wanted: what the fleet has is stored once\n"
    "  --ledger PATH  the ledger (default: the file RELAYTEST_LEDGER names), or a\n"
    "                 fleet's URL, postgresql://... or postgres://...\n"
    "  --station NAME in a fleet, the one station to read, or whose relays were\n"
    "                 replaced; push's name for the station. Default: every station\n"
    "                 for top, failing and export; else RELAYTEST_STATION, else the\n"
    "                 host name\n"
    "  --wiring FILE  the station's wiring (default: RELAYTEST_WIRING): relays by\n"
    "                 its names, and its rated-operations (default 100000000)\n"
    "  --html FILE    also write the wear map to FILE (top is then the command)\n"
    "  --help         this text\n"
    "  --version      relayledger's version\n"
    "  exit status: 0 done, 1 the ledger or a file could not be read or written,\n"
    "  2 a usage error\n";

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Our wording of what CLI11 refused.
std::string MistakeOf(const CLI::ParseError& error, CLI::App& app)
{
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        std::vector<std::string> extra = app.remaining();
        for (CLI::App* sub : app.get_subcommands({})) {
            if (extra.empty())
                extra = sub->remaining();
        }
        if (!extra.empty())
            return (extra.front().size() > 1 && extra.front()[0] == '-' ? "unknown option " : "unexpected argument ") +
                   Quoted(extra.front());
    }
    const std::string what = error.what();
    const std::pair<const char*, const char*> missing[] = {
        {"relay is required", "relay needs a relay: a number, board:row:column or ROW@COLUMN"},
        {"relays is required", "replaced needs the relays changed, or board B"},
        {"file is required", "html needs the file to write"},
        {"url is required", "push needs the fleet's URL (postgresql://... or postgres://...)"}};
    for (const auto& [said, meant] : missing) {
        if (what.rfind(said, 0) == 0)
            return meant;
    }
    for (const char* name : {"--ledger", "--station", "--wiring", "--html", "-n", "--last"}) {
        if (what.rfind(std::string(name) + ": At Most", 0) == 0)
            return std::string(name) + " given more than once";
    }
    if (dynamic_cast<const CLI::ConversionError*>(&error) != nullptr)
        return "a number was expected: " + std::string(error.what());
    return error.what();
}

std::string Check(const Options& options, bool csv, bool stationGiven)
{
    if (stationGiven && options.station.empty())
        return "--station needs a name";
    if ((options.command == Command::Top || options.command == Command::Failing) && options.count < 1)
        return options.command == Command::Top ? "-n must be 1 or more" : "--last must be 1 or more";
    if (options.command == Command::Export && csv == options.json)
        return "export needs one of --csv and --json";
    if (options.command == Command::Replaced && options.what.front() == "board" && options.what.size() != 2)
        return "replaced board needs one board number 0-7";
    if (options.command == Command::Relay && options.what.size() != 1)
        return "relay takes one relay";
    if (options.command == Command::Push && options.what.size() != 1)
        return "push takes one fleet's URL";
    for (const char c : options.station) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return "--station: a station's name is printable text";
    }
    if (options.station.size() > 64)
        return "--station: a station's name is 64 characters at most";
    return {};
}

// The commands, each with its own arguments.
std::vector<std::pair<CLI::App*, Command>> AddCommands(CLI::App& app, Options& options, bool& csv, std::string& html)
{
    CLI::App* top = app.add_subcommand("top");
    top->add_option("-n", options.count);
    CLI::App* relay = app.add_subcommand("relay");
    relay->add_option("relay", options.what)->required();
    CLI::App* failing = app.add_subcommand("failing");
    failing->add_option("--last", options.count);
    CLI::App* replaced = app.add_subcommand("replaced");
    replaced->add_option("relays", options.what)->required();
    CLI::App* exported = app.add_subcommand("export");
    exported->add_flag("--csv", csv);
    exported->add_flag("--json", options.json);
    CLI::App* page = app.add_subcommand("html");
    page->add_option("file", html)->required();
    CLI::App* push = app.add_subcommand("push");
    push->add_option("url", options.what)->required();
    return {{top, Command::Top},         {relay, Command::Relay},   {failing, Command::Failing},
            {replaced, Command::Replaced}, {exported, Command::Export}, {page, Command::Html},
            {push, Command::Push}};
}

}  // namespace

Parsed ReadCommandLine(int argc, char** argv, Options& options)
{
    CLI::App app{"relayledger", "relayledger"};
    app.set_help_flag();
    bool help = false;
    bool version = false;
    bool csv = false;
    std::string html;
    app.add_flag("--help", help);
    app.add_flag("--version", version);
    app.add_option("--ledger", options.ledger);
    app.add_option("--station", options.station);
    app.add_option("--wiring", options.wiring);
    app.add_option("--html", options.html);
    // The program's own options after the command too: each command takes them from here.
    app.fallthrough();
    const std::vector<std::pair<CLI::App*, Command>> commands = AddCommands(app, options, csv, html);
    app.require_subcommand(0, 1);
    std::string mistake;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        mistake = MistakeOf(error, app);
    }
    if (mistake.empty() && (help || version)) {
        (void)std::fputs(help ? UsageText : "relayledger " RELAYTEST_VERSION "\n", stdout);
        return Parsed::Done;
    }
    bool named = false;
    for (const auto& [sub, command] : commands) {
        if (sub->parsed()) {
            options.command = command;
            named = true;
        }
    }
    if (mistake.empty() && options.command == Command::Html)
        options.html = html;
    if (mistake.empty() && !named && options.html.empty())
        mistake = "missing the command (top, relay, failing, replaced, export, html or push)";
    if (mistake.empty())
        mistake = Check(options, csv, app.count("--station") > 0);
    if (mistake.empty())
        return Parsed::Run;
    (void)std::fprintf(stderr, "relayledger: %s\n%s\n", mistake.c_str(), Synopsis);
    return Parsed::Usage;
}

}  // namespace relayledger
