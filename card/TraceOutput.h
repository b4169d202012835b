// Standard output is the record: every line the card and the relays trace is
// handed to the system the moment it is complete, and a write that fails is
// noted here rather than lost without a word. The programs look at the note
// between steps and stop once the record can no longer be written.
#ifndef RELAYTEST_CARD_TRACEOUTPUT_H
#define RELAYTEST_CARD_TRACEOUTPUT_H

// Flushes standard output after a complete line and notes a failure.
void EndTraceLine();

// Notes a failure from what printf returned (negative: nothing written).
void CheckTraceWrite(int printed);

// Whether any write to standard output has failed since the start.
bool TraceWriteFailed();

// The system's error number for the first failure (0 when none has failed).
int TraceWriteError();

#endif
