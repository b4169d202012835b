// relaysweep: the full-matrix self-test. Closes every relay of the chosen
// boards alone, reads its board back and opens it again, tracing every
// register access to standard output as relaytest does; relaylog judges the
// record relay by relay.
//
//   relaysweep [--boards LIST] [--yes]
//
// Exit status 0 when the sweep ran to its end, 1 when there is no card, 2 for
// a usage error or a sweep the operator did not confirm. A stop request opens
// every relay it closed, then ends the process as the request would have.
// Usage, errors and the confirmation prompt go to standard error: standard
// output is the record.
#include <cstdio>

#include "CardHeader.h"
#include "ConsoleSetup.h"
#include "StopRequest.h"
#include "Sweep.h"
#include "SweepArgs.h"

namespace {

void PrintUsage()
{
    (void)std::fputs(
        "usage: relaysweep [--boards LIST] [--yes]\n"
        "  Closes every relay of the boards in LIST alone, reads its board back and\n"
        "  opens it again, tracing every register access to standard output (save it,\n"
        "  or pipe it into relaylog for a verdict on each relay).\n"
        "  --boards LIST  board numbers and ranges within 0-7: 0-7 (the default), 0,2-3\n"
        "  --yes          start at once; otherwise it asks, and waits for Enter\n"
        "  --help         this text\n"
        "A stop (Ctrl+C, SIGTERM, SIGHUP) lets the access under way finish, pushes every\n"
        "board it touched all open, reads each back, prints \"Sweep stopped: ...\" and ends\n"
        "as that signal ends a program.\n"
        "exit status: 0 the sweep ran to its end, 1 no card, 2 usage error or not confirmed\n",
        stderr);
}

// Switching every relay connects whatever is wired to the matrix, row to
// column: the operator says so with Enter. End of input, or anything typed
// before Enter, is a no.
bool OperatorConfirms(const char* list, int boardCount)
{
    (void)std::fprintf(stderr,
                       "relaysweep will close each of the %d relays of boards %s alone, read its board back and\n"
                       "open it again. Each closed crosspoint joins its row to its column: whatever is wired to\n"
                       "the matrix gets connected, one crosspoint at a time.\n"
                       "Press Enter to start the sweep (end of input, or anything else, stops it): ",
                       boardCount * 128, list);
    (void)std::fflush(stderr);
    int typed = 0;
    int c = 0;
    while ((c = std::getchar()) != '\n' && c != EOF)
        typed += c == '\r' ? 0 : 1;
    if (c == EOF)
        (void)std::fputc('\n', stderr);
    return c == '\n' && typed == 0;
}

// The last line of a stopped sweep: what stopped it, where, and whether the
// boards it had pushed read back open.
void PrintStop(const SweepEnd& end)
{
    std::printf("Sweep stopped: interrupted by %s ", StopRequestName());
    if (end.relay >= 0)
        std::printf("at relay %d of board %d", end.relay, end.board);
    else
        std::printf("while %s board %d", end.confirming ? "reading back" : "opening", end.board);
    PrintOpenedBoards(end.pushed, end.notOpen);
}

}  // namespace

int main(int argc, char** argv)
{
    SweepOptions options;
    char error[256];
    if (!ParseSweepArgs(argc, argv, options, error, sizeof error)) {
        (void)std::fprintf(stderr, "relaysweep: %s\n", error);
        return 2;
    }
    if (options.help) {
        PrintUsage();
        return 0;
    }
    char list[32];
    SpellBoardList(options.boards, list, sizeof list);
    if (!options.confirmed && !OperatorConfirms(list, BoardsIn(options.boards))) {
        (void)std::fprintf(stderr, "relaysweep: not confirmed: no relay was switched\n");
        return 2;
    }

    PrepareConsole();
    // From here a stop opens the relays first (Sweep.h).
    WatchStopRequests();
    // Every line out before the next driver call: a run that dies keeps it.
    std::printf("Relay sweep of boards %s\n", list);
    (void)std::fflush(stdout);
    if (!ReportCard()) {
        std::printf("Sweep stopped: no card\n");
        (void)std::fflush(stdout);
        return 1;
    }
    const SweepEnd end = RunSweep(options.boards);
    if (end.stopped) {
        PrintStop(end);
        StopAsRequested();
    }
    std::printf("Sweep complete\n");
    (void)std::fflush(stdout);
    // The record shows which relay still reads closed; the operator, who may
    // not read it at once, hears of it here.
    if (end.notOpen != 0) {
        char notOpen[32] = "";
        SpellBoardList(end.notOpen, notOpen, sizeof notOpen);
        (void)std::fprintf(stderr,
                           "relaysweep: %s %s did not read back all open at the end: a relay may still be closed "
                           "(relaylog names it)\n",
                           BoardsIn(end.notOpen) == 1 ? "board" : "boards", notOpen);
    }
    return 0;
}
