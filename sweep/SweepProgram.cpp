#include "SweepProgram.h"

#include <CLI/CLI.hpp>
#include <cstdio>

#include "Outcome.h"
#include "Progress.h"
#include "RelayList.h"
#include "StationWiring.h"
#include "StopCause.h"
#include "DeepSweep.h"
#include "StationSwitch.h"
#include "Sweep.h"

namespace {

SweepOptions Options;
std::string BoardsText;
bool BoardsGiven = false;

const char* const Help =
    "  Closes every relay of the boards in LIST alone, reads its board back and\n"
    "  opens it again, tracing every register access to standard output (save it,\n"
    "  or pipe it into relaylog for a verdict on each relay).\n"
    "  --boards LIST     board numbers and ranges within 0-7: 0-7 (the default), 0,2-3\n"
    "  --yes             start at once; otherwise it asks, and waits for Enter\n"
    "  --deep            after the plain sweep, the deep passes (docs/relaysweep.md):\n"
    "                    every board a pattern of its own at once, a background of\n"
    "                    relays closed up to the board limit with every other relay\n"
    "                    closed on top, and the limit closed on every board at once;\n"
    "                    they find relays that open others, drop under load, close a\n"
    "                    relay on another board or read back late, and boards that\n"
    "                    answer shifted or for another board\n"
    "  --wiring FILE     the station's wiring file (default: the file RELAYTEST_WIRING\n"
    "                    names): a relay whose closing its rules refuse, given what\n"
    "                    every board reads back, is skipped, never closed\n"
    "  --ledger FILE     the station's relay ledger (default: the file RELAYTEST_LEDGER\n"
    "                    names): each relay's operations are counted into it\n"
    "  --wait SECONDS    while another program holds the card, wait up to SECONDS for\n"
    "                    it (default 60; 0: do not wait)\n"
    "  --help, --version\n"
    "A stop (Ctrl+C, SIGTERM, SIGHUP), a controller that stays busy or a record that\n"
    "cannot be written lets the access under way finish, pushes every board it\n"
    "touched all open, reads each back, prints \"Sweep stopped: ...\" and ends.\n"
    "exit status: 0 the sweep ran to its end, 1 no card, 2 usage error, a broken wiring\n"
    "file or not confirmed, 3 the card held by another program, 4 the SPI controller\n"
    "stayed busy, 5 the record could not be written, 6 no relay verified (the wiring's\n"
    "rules refused every one); a signal ends it as that signal ends a program\n";

void Declare(CLI::App& app)
{
    Options = SweepOptions{};
    BoardsText.clear();
    BoardsGiven = false;
    app.add_option("--boards", BoardsText)->each([](const std::string&) { BoardsGiven = true; });
    app.add_flag("--yes", Options.confirmed);
    app.add_flag("--deep", Options.deep);
}

int Check(std::string& message)
{
    if (BoardsGiven && BoardsText.empty()) {
        message = "--boards needs a value";
        return 2;
    }
    if (BoardsGiven && !ParseBoardList(BoardsText.c_str(), Options.boards, message)) {
        message = "--boards " + Quoted(BoardsText) + ": " + message;
        return 2;
    }
    return 0;
}

std::string Spelt(BoardSet boards)
{
    char list[32];
    SpellBoardList(boards, list, sizeof list);
    return list;
}

// Switching every relay connects whatever is wired to the matrix, row to
// column: the operator says so with Enter. End of input, or anything typed
// before Enter, is a no.
bool OperatorConfirms()
{
    if (Options.confirmed)
        return true;
    (void)std::fprintf(stderr,
                       "relaysweep will close each of the %d relays of boards %s alone, read its board back and\n"
                       "open it again. Each closed crosspoint joins its row to its column: whatever is wired to\n"
                       "the matrix gets connected, one crosspoint at a time.\n",
                       BoardsIn(Options.boards) * 128, Spelt(Options.boards).c_str());
    if (StationHasWiring()) {
        const int skipped = SkippedCount(SkipsFor(StationWiring(), Options.boards, RelaySet{}));
        (void)std::fprintf(stderr,
                           "Under the wiring %s it skips %d relay%s that its\nrules refuse to close (more if "
                           "the boards it lists outside the sweep hold relays closed).\n",
                           WiringTitle(StationWiring()).c_str(), skipped, skipped == 1 ? "" : "s");
    }
    (void)std::fputs("Press Enter to start the sweep (end of input, or anything else, stops it): ", stderr);
    (void)std::fflush(stderr);
    int typed = 0;
    int c = 0;
    while ((c = std::getchar()) != '\n' && c != EOF)
        typed += c == '\r' ? 0 : 1;
    if (c == EOF)
        (void)std::fputc('\n', stderr);
    return c == '\n' && typed == 0;
}

std::string Heading() { return "Relay sweep of boards " + Spelt(Options.boards); }

// With a wiring file: the listed boards outside the sweep read back. False
// for a stop while reading back.
bool PrepareRules(SweepWiring& rules, WorkEnd& end)
{
    if (!StationHasWiring())
        return true;
    rules.wiring = &StationWiring();
    int board = 0;
    if (!ReadOutsideBoards(StationWiring(), Options.boards, rules.outside, board)) {
        end.stopped = true;
        end.where = "while reading back board " + std::to_string(board);
        return false;
    }
    return true;
}

// The operator hears how many relays the wiring left unswept.
void SaySkipped(int skipped)
{
    if (!StationHasWiring())
        return;
    EndProgress();
    (void)std::fprintf(stderr, "relaysweep: %d relay%s skipped by the rules of the wiring %s%s\n", skipped,
                       skipped == 1 ? "" : "s", WiringTitle(StationWiring()).c_str(),
                       skipped > 0 ? " (the record names each: \"Relay N skipped: ...\")" : "");
}

// The deep passes after the plain sweep: their end is the sweep's.
void RunDeep(const SweepWiring& rules, SweepEnd& sweep)
{
    std::string rule;
    const int limit = StationHasWiring() ? BoardLimit(StationWiring(), DefaultMaxClosed, rule) : DefaultMaxClosed;
    const int swept = sweep.swept;
    const BoardSet pushed = sweep.pushed;
    sweep = RunDeepPasses(Options.boards, rules, limit);
    sweep.swept += swept;
    sweep.pushed = static_cast<BoardSet>(sweep.pushed | pushed);
    if (sweep.stopped)
        sweep.notOpen = static_cast<BoardSet>(sweep.notOpen | OpenBoards(pushed & ~sweep.pushed));
}

WorkEnd Body()
{
    SweepWiring rules;
    WorkEnd end;
    if (!PrepareRules(rules, end))
        return end;
    SweepEnd sweep = RunSweep(Options.boards, rules);
    if (!sweep.stopped)
        SaySkipped(sweep.skipped);
    if (!sweep.stopped && Options.deep)
        RunDeep(rules, sweep);
    end.pushed = sweep.pushed;
    end.notOpen = sweep.notOpen;
    end.opened = true;
    end.stopped = sweep.stopped;
    char where[64];
    if (sweep.relay >= 0)
        (void)std::snprintf(where, sizeof where, "at relay %d of board %d", sweep.relay, sweep.board);
    else
        (void)std::snprintf(where, sizeof where, "while %s board %d", sweep.confirming ? "reading back" : "opening",
                            sweep.board);
    end.where = where;
    // The record shows which relay still reads closed; the operator, who may
    // not read it at once, hears of it here.
    if (!sweep.stopped && sweep.notOpen != 0) {
        EndProgress();
        (void)std::fprintf(stderr,
                           "relaysweep: %s %s did not read back all open at the end: a relay may still be closed "
                           "(relaylog names it)\n",
                           BoardsIn(sweep.notOpen) == 1 ? "board" : "boards", Spelt(sweep.notOpen).c_str());
    }
    // A sweep that verified no relay has tested nothing: not a success.
    if (!sweep.stopped && sweep.swept == 0) {
        (void)std::fprintf(stderr, "relaysweep: no relay was verified: the wiring's rules refused every relay of "
                                   "boards %s\n",
                           Spelt(Options.boards).c_str());
        end.status = ExitStatus(Outcome::Refused);
    }
    return end;
}

}  // namespace

const ProgramEntry RelaysweepProgram = {
    "relaysweep", "relaysweep [--boards LIST] [--yes] [--deep] [--wiring FILE] [--ledger FILE] [--wait SECONDS]", Help, "Sweep", Declare,
    Check, nullptr, OperatorConfirms, Heading, Body,
};

const SweepOptions& SweepOptionsRead() { return Options; }
