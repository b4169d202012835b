// The lines of a relayctl session, from standard input. One implementation
// per platform, chosen by the build.
#ifndef RELAYTEST_RELAYCTL_COMMANDINPUT_H
#define RELAYTEST_RELAYCTL_COMMANDINPUT_H

#include <cstddef>

// Whether standard input is a terminal: only then is there a prompt.
bool InputIsTerminal();

enum class InputResult { Line, TooLong, ControlByte, End, Stopped };

// Whether the line holds a control character (a NUL, an escape...) other than
// a tab, or a CR anywhere but at its end (the CR of a CRLF): such a line is
// not what the operator meant to type, and is not run.
inline bool HoldsControlByte(const char* line, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if ((c < 0x20 || c == 0x7F) && c != '\t' && !(c == '\r' && i + 1 == length))
            return true;
    }
    return false;
}

// The next line, without its line end. TooLong for a line of size characters
// or more: what fits of it is in line, the rest skipped, and it must not be
// run, as a cut relay number would name another relay. ControlByte for a line
// that HoldsControlByte (a NUL would cut it short). End at the end of input, or when it
// cannot be read; Stopped as soon as a stop is requested (StopRequest.h) while
// it waits, even with no line typed.
InputResult ReadCommandLine(char* line, std::size_t size);

#endif
