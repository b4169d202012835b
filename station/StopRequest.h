// A stop asked for from outside while a program switches relays: a signal on
// POSIX (SIGINT, SIGTERM, SIGHUP), a console control event on Windows (Ctrl+C,
// Ctrl+Break, the console window closed). One implementation per platform,
// chosen by the build.
//
// The handler only notes the request; the program looks at it between driver
// accesses, so the access under way always finishes and the program can still
// open every relay it closed before it ends.
#ifndef RELAYTEST_FRAME_STOPREQUEST_H
#define RELAYTEST_FRAME_STOPREQUEST_H

// Installs the handlers. Until then a stop ends the process at once.
void WatchStopRequests();

// Whether a stop has been asked for since WatchStopRequests.
bool StopRequested();

// The request's name as an operator knows it ("SIGINT", "Ctrl+C"), or
// "nothing" before any request.
const char* StopRequestName();

// Ends the process the way the request itself would have ended it, so that a
// calling shell or script sees the interruption: the signal's default action
// on POSIX, the Ctrl+C exit status on Windows. Output must be flushed first.
[[noreturn]] void StopAsRequested();

#endif
