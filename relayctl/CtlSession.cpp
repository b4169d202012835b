#include "CtlSession.h"

#include <cstdio>
#include <cstring>

#include "CommandInput.h"
#include "Control.h"
#include "Outcome.h"
#include "Record.h"
#include "StopCause.h"

namespace {

constexpr int MostWords = 64;

int Limit = DefaultMaxClosed;

// The words of a command, separated by single blanks.
std::string Joined(int count, const char* const* words)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (i > 0 ? " " : "") + std::string(words[i]);
    return text;
}

WorkEnd Stopped(const std::string& where)
{
    WorkEnd end;
    end.stopped = true;
    end.where = where;
    end.pushed = PushedBoards();
    return end;
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

// A line that is not run: why, on standard error.
bool Unreadable(InputResult input, int count, std::size_t size)
{
    if (input == InputResult::TooLong)
        (void)std::fprintf(stderr, "relayctl: a line longer than %d characters: not run\n", static_cast<int>(size) - 1);
    else if (input == InputResult::ControlByte)
        (void)std::fprintf(stderr, "relayctl: a line holding a control character: not run\n");
    else if (count < 0)
        (void)std::fprintf(stderr, "relayctl: a line of more than %d words: not run\n", MostWords);
    return input == InputResult::TooLong || input == InputResult::ControlByte || count < 0;
}

// One line of a session run: its status, or -1 for the end of the session.
int RunLine(int count, const char** words, WorkEnd& end)
{
    if (count == 0 || words[0][0] == '#')
        return 0;
    if (std::strcmp(words[0], "quit") == 0 || std::strcmp(words[0], "exit") == 0)
        return -1;
    if (std::strcmp(words[0], "help") == 0) {
        (void)std::fputs("commands: close RELAYS..., open RELAYS...|all, show [BOARDS...], quit "
                         "(relayctl --help tells more)\n", stderr);
        return 0;
    }
    CtlCommand command;
    std::string error;
    if (!ParseCommand(count, words, command, error)) {
        (void)std::fprintf(stderr, "relayctl: %s\n", error.c_str());
        return ExitStatus(Outcome::BadArgument);
    }
    if (!WithinLimit(command, Limit, error)) {
        (void)std::fprintf(stderr, "relayctl: %s\n", error.c_str());
        return ExitStatus(Outcome::Refused);
    }
    RecordLine("Command: %s\n", Joined(count, words).c_str());
    end = RunOne(count, words, command);
    return end.stopped ? -1 : end.status;
}

}  // namespace

void SetMaxClosed(int limit) { Limit = limit; }
int MaxClosed() { return Limit; }

WorkEnd RunOne(int count, const char* const* words, const CtlCommand& command)
{
    const CtlOutcome outcome = MustStop() ? CtlOutcome::Stopped : RunCommand(command, Limit);
    if (outcome == CtlOutcome::Stopped)
        return Stopped("during " + Joined(count, words));
    WorkEnd end;
    end.status = ExitStatus(outcome == CtlOutcome::AsAsked   ? Outcome::AsAsked
                           : outcome == CtlOutcome::Refused ? Outcome::Refused
                                                            : Outcome::NotAsAsked);
    return end;
}

WorkEnd RunSession()
{
    const bool terminal = InputIsTerminal();
    int status = 0;
    char line[1024];
    const char* words[MostWords];
    for (;;) {
        if (terminal)
            (void)std::fputs("relayctl> ", stderr);
        const InputResult input = ReadCommandLine(line, sizeof line);
        if (input == InputResult::Stopped || MustStop())
            return Stopped("while waiting for a command");
        if (input == InputResult::End) {
            if (terminal)
                (void)std::fputc('\n', stderr);
            break;
        }
        const int count = input == InputResult::Line ? SplitWords(line, words) : 0;
        WorkEnd end;
        const int result = Unreadable(input, count, sizeof line) ? ExitStatus(Outcome::BadArgument) : RunLine(count, words, end);
        if (end.stopped)
            return end;
        if (result < 0)
            break;
        status = result > status ? result : status;
    }
    WorkEnd end;
    end.status = status;
    return end;
}
