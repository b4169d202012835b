// A relaytest record taken apart into the printf calls that printed it, so
// that they can be made again with nothing else around them.
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

// False, with the byte offset, where the record holds something relaytest
// does not print. Runs of the same call become one op with a repeat count.
bool ParseRecord(const std::string& record, std::vector<PrintOp>& ops, std::size_t& badAt);

// A few hundred ops as text, one per line, so that a fresh process can load
// them in next to no time.
std::string SaveOps(const std::vector<PrintOp>& ops);
bool LoadOps(const std::string& text, std::vector<PrintOp>& ops);

// Prints the ops with the program's own formats and output paths.
void Replay(const std::vector<PrintOp>& ops);

#endif
