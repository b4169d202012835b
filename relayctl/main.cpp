// relayctl: the switching console. Closes and opens relays of the matrix and
// holds them there, or shows what the boards hold, tracing every register
// access to standard output as relaytest does; relaylog judges the record.
//
//   relayctl close RELAY...    relayctl open RELAY...|all    relayctl show [BOARD...]
//   relayctl                   a session: such commands, one a line, from standard input
//
// Exit status 0 when every relay read back as asked, 1 for no card, a refused
// board or a relay that did not follow, 2 for a usage error. Relays stay as
// commanded when it ends; a stop request opens every board it pushed, then
// ends the process as the request would have. Usage, errors and what became
// of each command go to standard error: standard output is the record.
#include <cstdio>
#include <cstring>

#include "CardHeader.h"
#include "CommandInput.h"
#include "ConsoleSetup.h"
#include "Control.h"
#include "CtlCommand.h"
#include "StopRequest.h"

namespace {

constexpr int MostWords = 64;

void PrintUsage()
{
    (void)std::fputs(
        "usage: relayctl close RELAY...\n"
        "       relayctl open RELAY...|all\n"
        "       relayctl show [BOARD...]\n"
        "       relayctl                  a session: those commands, one a line, from standard input\n"
        "  Switches relays of the matrix and leaves them so: the boards hold their relays\n"
        "  after relayctl ends. Each board a command touches is read back, switched and\n"
        "  read back again; standard error says whether every relay is as asked, and\n"
        "  standard output traces every register access (save it, or pipe it into relaylog).\n"
        "  RELAY  a number 0-1023, a range such as 100-107, or a crosspoint board:row:column\n"
        "         (0:4:12, row 4 and column 12 of board 0, is relay 100)\n"
        "  BOARD  a number 0-7 or a range such as 0-3; show alone shows all eight\n"
        "  A board that reads back all ones (not fitted or not answering) is never pushed.\n"
        "  A session ends with quit or at the end of input.\n"
        "A stop (Ctrl+C, SIGTERM, SIGHUP) lets the access under way finish, pushes every\n"
        "board it pushed all open, reads each back, prints \"Control stopped: ...\" and ends\n"
        "as that signal ends a program.\n"
        "exit status: 0 every relay as asked, 1 no card, a board refused or a relay not as\n"
        "asked, 2 usage error\n",
        stderr);
}

// The words of a command, separated by single blanks.
void PrintWords(int count, const char* const* words)
{
    for (int i = 0; i < count; ++i)
        std::printf("%s%s", i > 0 ? " " : "", words[i]);
}

// The last line of a stopped run, once every board it pushed is pushed open
// and read back; then the end the request asked for.
[[noreturn]] void StopSafely(int count, const char* const* words)
{
    const BoardSet pushed = PushedBoards();
    const BoardSet notOpen = OpenBoards(pushed);
    std::printf("Control stopped: interrupted by %s ", StopRequestName());
    if (count == 0)
        std::printf("while waiting for a command");
    else {
        std::printf("during ");
        PrintWords(count, words);
    }
    PrintOpenedBoards(pushed, notOpen);
    StopAsRequested();
}

int Run(int count, const char* const* words, const CtlCommand& command)
{
    const CtlOutcome outcome = RunCommand(command);
    if (outcome == CtlOutcome::Stopped)
        StopSafely(count, words);
    return outcome == CtlOutcome::AsAsked ? 0 : 1;
}

// Cuts the line into its words, in place, at blanks and tabs.
// The line's words; -1 for more than MostWords, which is not run.
int SplitWords(char* line, const char** words)
{
    int count = 0;
    for (char* word = std::strtok(line, " \t\r"); word != nullptr; word = std::strtok(nullptr, " \t\r")) {
        if (count == MostWords)
            return -1;
        words[count++] = word;
    }
    return count;
}

// Commands one a line until quit or the end of input. A bad line is refused
// and the session goes on; the status is the worst of its commands'.
int RunSession()
{
    const bool terminal = InputIsTerminal();
    int status = 0;
    char line[1024];
    const char* words[MostWords];
    for (;;) {
        if (terminal)
            (void)std::fputs("relayctl> ", stderr);
        const InputResult input = ReadCommandLine(line, sizeof line);
        if (input == InputResult::Stopped)
            StopSafely(0, words);
        if (input == InputResult::End) {
            if (terminal)
                (void)std::fputc('\n', stderr);
            return status;
        }
        const int count = input == InputResult::TooLong ? -2 : SplitWords(line, words);
        if (count < 0) {
            if (input == InputResult::TooLong)
                (void)std::fprintf(stderr, "relayctl: a line longer than %d characters: not run\n",
                                   static_cast<int>(sizeof line) - 1);
            else
                (void)std::fprintf(stderr, "relayctl: a line of more than %d words: not run\n", MostWords);
            status = 2;
            continue;
        }
        if (count == 0 || words[0][0] == '#')
            continue;
        if (std::strcmp(words[0], "quit") == 0 || std::strcmp(words[0], "exit") == 0)
            return status;
        if (std::strcmp(words[0], "help") == 0) {
            PrintUsage();
            continue;
        }
        CtlCommand command;
        char error[256];
        if (!ParseCommand(count, words, command, error, sizeof error)) {
            (void)std::fprintf(stderr, "relayctl: %s\n", error);
            status = 2;
            continue;
        }
        std::printf("Command: ");
        PrintWords(count, words);
        std::printf("\n");
        (void)std::fflush(stdout);
        const int result = Run(count, words, command);
        status = result > status ? result : status;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            PrintUsage();
            return 0;
        }
    }
    const int count = argc - 1;
    const char* const* words = argv + 1;
    CtlCommand command;
    char error[256];
    if (count > 0 && !ParseCommand(count, words, command, error, sizeof error)) {
        (void)std::fprintf(stderr, "relayctl: %s\n", error);
        return 2;
    }

    PrepareConsole();
    // From here a stop opens the boards pushed first (StopSafely).
    WatchStopRequests();
    // Every line out before the next driver call: a run that dies keeps it.
    if (count == 0) {
        std::printf("Relay control session\n");
    } else {
        std::printf("Relay control: ");
        PrintWords(count, words);
        std::printf("\n");
    }
    (void)std::fflush(stdout);
    if (!ReportCard()) {
        std::printf("Control stopped: no card\n");
        (void)std::fflush(stdout);
        (void)std::fprintf(stderr, "relayctl: no card: the driver found none, and nothing was switched\n");
        return 1;
    }
    const int status = count == 0 ? RunSession() : Run(count, words, command);
    std::printf("Control complete\n");
    (void)std::fflush(stdout);
    return status;
}
