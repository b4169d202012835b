// The record: every line the card and the relays trace is handed to the
// system the moment it is complete, and a write that fails is noted here
// rather than lost without a word. The programs look at the note between
// steps and stop once the record can no longer be written.
//
// The record is standard output unless a caller that is not a program (the
// relaymatrix library) names another stream, or none.
#ifndef RELAYTEST_CARD_TRACEOUTPUT_H
#define RELAYTEST_CARD_TRACEOUTPUT_H

#include <cstdio>

#if defined(__GNUC__)
#define RELAYTEST_TRACE_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define RELAYTEST_TRACE_PRINTF(f, a)
#endif

// Where the record goes: standard output until SetTraceStream says otherwise;
// null when it goes nowhere.
std::FILE* TraceStream();

// The record from now on in stream (null: nowhere, every write succeeds), with
// no failure noted. The caller keeps the stream open until it names another.
void SetTraceStream(std::FILE* stream);

// printf to the record: what printf returned (0 when it goes nowhere).
int TracePrintf(const char* format, ...) RELAYTEST_TRACE_PRINTF(1, 2);

// One character to the record.
void TracePutChar(char c);

// Flushes the record after a complete line and notes a failure.
void EndTraceLine();

// Notes a failure from what printf returned (negative: nothing written).
void CheckTraceWrite(int printed);

// Whether any write of the record has failed since the start (or since the
// stream was last named).
bool TraceWriteFailed();

// The system's error number for the first failure (0 when none has failed).
int TraceWriteError();

#endif
