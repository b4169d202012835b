// The programs built on the system's layers, as one table for the tests that
// every one of them must pass: its record survives a crash or a fatal signal,
// and hostile consoles neither hang nor kill it. A new program gets those
// tests by being added to the table.
#ifndef RELAYTEST_TESTS_SUPPORT_PROGRAMS_H
#define RELAYTEST_TESTS_SUPPORT_PROGRAMS_H

#include <cstddef>
#include <string>
#include <vector>

enum class ProgramId { Relaytest, Relaysweep, Relayctl };

struct Program {
    ProgramId id;
    const char* name;
    std::vector<std::string> argv;  // the path, then the arguments
    bool waitsForOperator;          // reads its standard input before it ends
    bool stopsSafely;               // on a fatal signal, opens its relays and says so before it ends
    const char* stopLine;           // how the line that says so begins
    int lostRecordStatus;           // its exit status when standard output cannot be written
};

const Program& ProgramFor(ProgramId id);
// Every program of the table.
const std::vector<ProgramId>& AllPrograms();

// The program's whole record on a healthy simulated card: relaytest's golden
// transcript; for the others a healthy run's, made once.
const std::string& HealthyRecord(ProgramId id);

// The number of lines in text, counting line feeds.
std::size_t LineCount(const std::string& text);

#endif
