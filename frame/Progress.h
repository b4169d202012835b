// A long run's progress, for an operator who saved the record to a file or a
// pipe and watches the terminal: one line on standard error, rewritten in
// place (\r) at most a few times a second, cleared at the end. Shown only when
// standard error is a terminal and standard output is not: on a terminal the
// record itself scrolls past, and a log of standard error gets no clutter.
#ifndef RELAYTEST_FRAME_PROGRESS_H
#define RELAYTEST_FRAME_PROGRESS_H

// "PROG: relay 45 of 1024 (board 0)": done of total steps, what is under way.
void ShowProgress(int done, int total, const char* what);

// Clears the line, if one was shown.
void EndProgress();

#endif
