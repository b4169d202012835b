// The lines of a relayctl session, from standard input. One implementation
// per platform, chosen by the build.
#ifndef RELAYTEST_RELAYCTL_COMMANDINPUT_H
#define RELAYTEST_RELAYCTL_COMMANDINPUT_H

#include <cstddef>

// Whether standard input is a terminal: only then is there a prompt.
bool InputIsTerminal();

enum class InputResult { Line, TooLong, End, Stopped };

// The next line, without its line end. TooLong for a line of size characters
// or more: what fits of it is in line, the rest skipped, and it must not be
// run, as a cut relay number would name another relay. End at the end of input, or when it
// cannot be read; Stopped as soon as a stop is requested (StopRequest.h) while
// it waits, even with no line typed.
InputResult ReadCommandLine(char* line, std::size_t size);

#endif
