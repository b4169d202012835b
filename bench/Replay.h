// A relaytest record turned back into the printf calls that printed it, so
// that they can be made again with nothing else around them: the floor that
// the program's own printing is measured against.
//
// The record is read through relaylog's reader, line by line; each line kind
// maps to the program's calls for it (a report word line is "[%08X] = ",
// "Relays %2d to %3d = ", 32 calls of "%c" and "\r\n"). The reader keeps only
// a summary of a wait's polls, so a wait is replayed as its first value
// repeated and its last value once: exact for the waits of a controller stuck
// busy or idle, and the benchmark checks the replay byte for byte.
#ifndef RELAYTEST_BENCH_REPLAY_H
#define RELAYTEST_BENCH_REPLAY_H

#include <cstdint>
#include <string>
#include <vector>

struct PrintOp {
    enum Kind { CardFound, CardMissing, Revision, Switch, Busy, Read, Write, Heading, WordValue, Range, Relay,
                LineEnd, Rule, Prompt } kind;
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t repeat = 1;  // printed this many times in a row
};

// False, with the reader's reason, when the record is not one relaytest
// printed. Runs of the same call become one op with a repeat count.
bool OpsFromRecord(const std::string& record, std::vector<PrintOp>& ops, std::string& error);

// A few hundred ops as text, one per line, so that a fresh process can load
// them in next to no time.
std::string SaveOps(const std::vector<PrintOp>& ops);
bool LoadOps(const std::string& text, std::vector<PrintOp>& ops);

// Prints the ops with the program's own formats and output paths.
void Replay(const std::vector<PrintOp>& ops);

#endif
