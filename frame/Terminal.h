// Whether standard output and standard error are terminals. One
// implementation per platform, chosen by the build.
#ifndef RELAYTEST_FRAME_TERMINAL_H
#define RELAYTEST_FRAME_TERMINAL_H

bool OutputIsTerminal();
bool ErrorIsTerminal();

#endif
