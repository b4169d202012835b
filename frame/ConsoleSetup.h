// Console set-up done once, before the first line is printed. One
// implementation per platform, chosen by the build.
#ifndef RELAYTEST_FRAME_CONSOLESETUP_H
#define RELAYTEST_FRAME_CONSOLESETUP_H

// Makes output that nobody reads (a pipe whose reader has gone, a closed or
// full standard output) a failed write instead of the end of the process: the
// pass still runs to its end and exits with status 0. Gives standard output
// the one buffer that the program flushes at the end of every line.
void PrepareConsole();

#endif
