#include "CtlProgram.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Control.h"
#include "CtlSession.h"
#include "Outcome.h"
#include "StationWiring.h"
#include "WiringReport.h"

namespace {

std::vector<std::string> Words;
std::string MaxClosedText;
std::string OrderText;
CtlCommand Command;

const char* const Help =
    "  close RELAYS..., open RELAYS...|all, show [BOARDS...]; with no command, a session:\n"
    "  such commands, one a line, from standard input. wiring: checks the station's\n"
    "  wiring file and prints its matrix by name, touching no relay.\n"
    "  Routes (a wiring file with buses, docs/routes.md): connect A B|ROUTE closes the\n"
    "  shortest free path between two nets; disconnect A B|ROUTE opens it; routes shows\n"
    "  what the boards connect now; route A B|ROUTE shows the path connect would close,\n"
    "  switching nothing; switch GROUP|ROUTE... makes those routes the only ones, every\n"
    "  opening pushed and read back before the first closing.\n"
    "  Switches relays of the matrix and leaves them so: the boards hold their relays\n"
    "  after relayctl ends. Each board a command touches is read back, switched and\n"
    "  read back again; standard error says whether every relay is as asked, and\n"
    "  standard output traces every register access (save it, or pipe it into relaylog).\n"
    "  RELAYS  numbers 0-1023, ranges such as 100-107 and crosspoints board:row:column\n"
    "          (0:4:12, row 4 and column 12 of board 0, is relay 100), as 0,5,100-107,\n"
    "          and with a wiring file ROW@COLUMN by the station's names (I+@J5.5)\n"
    "  BOARDS  numbers 0-7 and ranges, as 0,2-3; show alone shows all eight\n"
    "  --max-closed N   at most N relays of one board closed (1-127, default 32): the\n"
    "                   coils share the board's supply, and a board must never read\n"
    "                   back all ones, which is how an absent board shows\n"
    "  --wiring FILE    the station's wiring file (default: the file RELAYTEST_WIRING\n"
    "                   names): a close that would close a forbidden crosspoint, join\n"
    "                   two nets of an exclusive set or pass its board limit is\n"
    "                   refused, nothing switched (status 6); opening is always allowed\n"
    "  --ledger FILE    the station's relay ledger (default: the file RELAYTEST_LEDGER\n"
    "                   names): each relay's operations are counted into it\n"
    "  --order ORDER    switch: break-before-make (default), or make-before-break,\n"
    "                   refused unless the union of both sets keeps every rule\n"
    "  --wait SECONDS   while another program holds the card, wait up to SECONDS for it\n"
    "                   (default 60; 0: do not wait)\n"
    "  --help, --version\n"
    "  A board that reads back all ones (not fitted or not answering) is never pushed,\n"
    "  but open of all its relays pushes it all open. A session ends with quit or at\n"
    "  the end of input.\n"
    "A stop (Ctrl+C, SIGTERM, SIGHUP), a controller that stays busy or a record that\n"
    "cannot be written lets the access under way finish, pushes every board it\n"
    "pushed all open, reads each back, prints \"Control stopped: ...\" and ends.\n"
    "exit status: 0 every relay as asked, 1 no card, a board refused or a relay not as\n"
    "asked, 2 usage error or a broken wiring file, 3 the card held by another program,\n"
    "4 the SPI controller stayed busy, 5 the record could not be written, 6 a close\n"
    "refused by the limit or the wiring's rules\n";

void Declare(CLI::App& app)
{
    Words.clear();
    MaxClosedText.clear();
    OrderText.clear();
    app.add_option("--max-closed", MaxClosedText);
    app.add_option("--order", OrderText);
    app.add_option("words", Words);
}

bool ReadMaxClosed(std::string& message)
{
    int limit = DefaultMaxClosed;
    if (!MaxClosedText.empty()) {
        limit = 0;
        for (const char c : MaxClosedText)
            limit = c >= '0' && c <= '9' && limit <= HighestMaxClosed ? limit * 10 + (c - '0') : 1000;
    }
    if (limit < 1 || limit > HighestMaxClosed) {
        message = "--max-closed " + Quoted(MaxClosedText) + ": not a number of relays from 1 to 127";
        return false;
    }
    SetMaxClosed(limit);
    return true;
}

std::vector<const char*> WordPointers()
{
    std::vector<const char*> words;
    words.reserve(Words.size());
    for (const std::string& word : Words)
        words.push_back(word.c_str());
    return words;
}

bool WiringCommand() { return !Words.empty() && Words[0] == "wiring"; }

int Check(std::string& message)
{
    if (!ReadMaxClosed(message))
        return 2;
    if (!OrderText.empty() && OrderText != "break-before-make" && OrderText != "make-before-break") {
        message = "--order " + Quoted(OrderText) + ": write break-before-make or make-before-break";
        return 2;
    }
    SetMakeBeforeBreak(OrderText == "make-before-break");
    if (Words.empty())
        return 0;
    if (WiringCommand()) {
        if (Words.size() > 1)
            message = "unexpected argument " + Quoted(Words[1]);
        else if (!StationHasWiring())
            message = "wiring needs a wiring file: give --wiring FILE or set RELAYTEST_WIRING";
        return message.empty() ? 0 : 2;
    }
    const std::vector<const char*> words = WordPointers();
    if (!ParseCommand(static_cast<int>(words.size()), words.data(), Command, message))
        return 2;
    return WithinLimit(Command, MaxClosed(), message) ? 0 : ExitStatus(Outcome::Refused);
}

// relayctl wiring: the file read (a broken one never gets here), shown.
int Early()
{
    if (!WiringCommand())
        return -1;
    const std::string report = WiringReport(StationWiring(), MaxClosed());
    if (std::fputs(report.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
        (void)std::fprintf(stderr, "relayctl: standard output could not be written\n");
        return ExitStatus(Outcome::RecordLost);
    }
    return 0;
}

std::string Heading()
{
    if (Words.empty())
        return "Relay control session";
    std::string heading = "Relay control:";
    for (const std::string& word : Words)
        heading += " " + word;
    return heading;
}

WorkEnd Body()
{
    if (Words.empty())
        return RunSession();
    const std::vector<const char*> words = WordPointers();
    return RunOne(static_cast<int>(words.size()), words.data(), Command);
}

}  // namespace

const ProgramEntry RelayctlProgram = {
    "relayctl",
    "relayctl [--max-closed N] [--wiring FILE] [--ledger FILE] [--order ORDER] [--wait SECONDS] [close RELAYS...|open "
    "RELAYS...|all|show [BOARDS...]|connect A B|disconnect A B|route A B|routes|switch GROUP...|wiring]",
    Help, "Control", Declare, Check, Early, nullptr, Heading, Body,
};
