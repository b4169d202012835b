// What became of a tool's work, in one table: the exit status a program ends
// with and the code the relaymatrix library returns (relaymatrix.h spells the
// same codes as RELAYMATRIX_*, checked against this table when it is built).
// Every program and the library take their numbers from here.
#ifndef RELAYTEST_STATION_OUTCOME_H
#define RELAYTEST_STATION_OUTCOME_H

enum class Outcome {
    AsAsked,         // every relay as asked, the work ran to its end
    NotAsAsked,      // a relay did not follow, or a board refused (reads back all ones)
    NoCard,          // the driver found no card, or the card lock cannot be used
    BadArgument,     // a usage error, a bad relay name or a broken wiring file: nothing switched
    CardHeld,        // another program held the card past the wait
    ControllerBusy,  // the SPI controller stayed busy: pushed boards opened, work ended
    RecordLost,      // the record could not be written: pushed boards opened, work ended
    Refused,         // refused by the wiring's rules or the board limit: nothing switched
    NoSession,       // (library) no session is open in this process
    SessionOpen,     // (library) a session is open already
};

// The table. The programs' statuses were set before the library's codes;
// both are documented and kept (each program's --help, relaymatrix.h).
struct OutcomeCodes {
    int exitStatus;   // -1: no program ends so
    int libraryCode;
};

constexpr OutcomeCodes CodesOf(Outcome outcome)
{
    switch (outcome) {
    case Outcome::AsAsked: return {0, 0};
    case Outcome::BadArgument: return {2, 1};
    case Outcome::Refused: return {6, 2};
    case Outcome::CardHeld: return {3, 3};
    case Outcome::NoCard: return {1, 4};
    case Outcome::NotAsAsked: return {1, 5};
    case Outcome::ControllerBusy: return {4, 6};
    case Outcome::RecordLost: return {5, 7};
    case Outcome::NoSession: return {-1, 8};
    case Outcome::SessionOpen: return {-1, 9};
    }
    return {-1, -1};
}

constexpr int ExitStatus(Outcome outcome) { return CodesOf(outcome).exitStatus; }
constexpr int LibraryCode(Outcome outcome) { return CodesOf(outcome).libraryCode; }

#endif
