// The record's own lines (the heading, the stop and closing lines), printed
// as the card's traces are: handed to the system the moment each is complete,
// every write checked (TraceOutput.h keeps the note).
#ifndef RELAYTEST_FRAME_RECORD_H
#define RELAYTEST_FRAME_RECORD_H

#if defined(__GNUC__)
#define RELAYTEST_PRINTF(f, a) __attribute__((format(printf, f, a)))
#else
#define RELAYTEST_PRINTF(f, a)
#endif

// printf to standard output, then the line handed on.
void RecordLine(const char* format, ...) RELAYTEST_PRINTF(1, 2);

// Whether a write of the record has failed, and the system's reason for it.
bool RecordLost();
const char* RecordLossReason();

// The last flush and close of standard output; false when either fails (the
// loss is then noted as any other). Nothing may be printed after it.
bool CloseRecord();

#endif
