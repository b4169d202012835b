// The relay ledger: every relay's operations and verdicts over its life, one
// SQLite file a station. The programs that switch add the open->closed pushes
// of their sessions; relaylog adds a judged record's verdicts (and the closes
// of a record made without a ledger); relayledger reads it back.
//
// Model, per relay 0-1023 (board b, row r, column c is 128b + 8c + r):
// - operations: the closes counted since the relay was last replaced, and
//   total: every close counted at that place, replacements or not;
// - records: each judged or counted record once, keyed by its checksum, with
//   the time the caller gives (seconds since 1970, UTC) and, for a sweep,
//   every relay's verdict ("functional", "stuck open", "stuck closed",
//   "erratic", ...; a relay it did not judge has none);
// - replacements: a relay (or a whole board) changed. Its operations start
//   again from 0; its verdicts and earlier replacements are kept.
//
// Every function opens the file, does its work in one transaction and closes
// it: two programs of one station may write at once (the second waits for
// the first, up to LedgerBusyMs) and lose nothing. No exception escapes and
// nothing is printed: false, with one line in error naming the file, when
// the work could not be done (then nothing of it was done).
//
// The file carries its schema's version (PRAGMA user_version) and a mark of
// its own (PRAGMA application_id): a file of a newer version, or a database
// that is not a ledger, is refused; a file of an older version is upgraded,
// in one transaction, the first time it is opened.
//
// A fleet: one PostgreSQL database holding the ledgers of many stations,
// every row under its station's name. Wherever a ledger's file is named, a
// fleet's URL (postgresql://... or postgres://...) may be named instead: the
// functions below then work on the fleet, writing under this station's name
// (LedgerDefaultStation) and reading one station or all of them. A build
// without a PostgreSQL client refuses a URL, saying so.
#ifndef RELAYTEST_LEDGER_LEDGER_H
#define RELAYTEST_LEDGER_LEDGER_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int LedgerRelays = 1024;
// The schema this build writes. Version 1 held the counts alone; version 2
// added records, verdicts and replacements.
inline constexpr int LedgerSchemaVersion = 2;
// How long a write waits for another program's transaction, in milliseconds.
inline constexpr int LedgerBusyMs = 30000;
// A relay's rated life when the wiring gives no rated-operations: an
// electromechanical relay's 10^8 operations.
inline constexpr std::uint64_t LedgerDefaultRatedOperations = 100000000;

// Whether ledger names a fleet (a postgresql:// or postgres:// URL).
bool LedgerIsFleet(const std::string& ledger);
// The ledger as it may be shown: a fleet's URL without its password.
std::string LedgerShown(const std::string& ledger);
// The name this station's rows carry in a fleet: RELAYTEST_STATION, else the
// machine's host name; from says which ("RELAYTEST_STATION", "the host name").
std::string LedgerDefaultStation(std::string& from);
// A fleet's stations, by name; a file's one station is "".
bool LedgerStations(const std::string& ledger, std::vector<std::string>& stations, std::string& error);

// Adds closes[r] operations to each relay r (0-1023) of the ledger at path (created when missing), in one transaction.
bool LedgerAddCloses(const std::string& path, const std::uint32_t (&closes)[1024], std::string& error);

// A record for the ledger, as relaylog reads it.
struct LedgerRecord {
    std::string checksum;   // the record's own: the key, so a record added twice counts once
    std::int64_t time = 0;  // when the record was made, seconds since 1970 UTC
    std::string program;    // "relaysweep", "relayctl", ...; may be empty
    // Each relay's verdict as relaylog words it; "" where the record judged
    // none. A record with no verdict at all is not a sweep.
    std::array<std::string, LedgerRelays> verdicts;
    // The closes the record holds, added only when hasCloses (a record made
    // without a ledger: one made with one was counted as it ran). A relay
    // replaced after the record was made does not get them.
    bool hasCloses = false;
    std::array<std::uint32_t, LedgerRelays> closes{};
};

// Adds records in one transaction (created when missing); added tells how
// many were new, the rest being there already under their checksum.
bool LedgerAddRecords(const std::string& path, const std::vector<LedgerRecord>& records, std::size_t& added,
                      std::string& error);
// One record: alreadyThere when its checksum was added before (nothing changes).
bool LedgerAddRecord(const std::string& path, const LedgerRecord& record, bool& alreadyThere, std::string& error);

// The relays changed at time: each one's operations start again from 0, its
// history is kept. A board is its 128 relays. In a fleet, the relays of
// station (this station's when ""), which must be in the fleet.
bool LedgerReplace(const std::string& path, const std::vector<int>& relays, std::int64_t time, std::string& error,
                   const std::string& station = {});

// Whether a verdict is a fault: any but "functional", "partly verified",
// "unverified" and "skipped by rule" (the deep passes' verdicts are faults too).
bool LedgerIsFault(const std::string& verdict);

// The reading side. A ledger must exist to be read. In a fleet, each reading
// is of the station named, or of every station when station is "" (where a
// reading needs one station, "" is the fleet's only one).
struct LedgerRelay {
    int relay = 0;
    std::uint64_t operations = 0;  // since it was last replaced
    std::uint64_t total = 0;       // at its place, over every replacement
    int replacements = 0;
    std::int64_t replaced = 0;     // time of the last replacement; 0 when never
    std::uint32_t faults = 0;      // sweeps that found it faulty, over its whole history
    std::int64_t firstFault = 0;   // times of the first and last of them; 0 when none
    std::int64_t lastFault = 0;
    std::string station;           // in a fleet, the relay's station; "" in a file
};

// All 1,024 relays, by number (a fleet's station by station, by name).
bool LedgerReadRelays(const std::string& path, std::vector<LedgerRelay>& relays, std::string& error,
                      const std::string& station = {});
// The n relays with most operations, most first (equal counts by station's
// name, then by number); in a fleet, only relays with operations.
bool LedgerTop(const std::string& path, std::size_t n, std::vector<LedgerRelay>& top, std::string& error,
               const std::string& station = {});

// One entry of a relay's history, oldest first: a sweep's verdict or a replacement.
struct LedgerEvent {
    std::int64_t time = 0;
    bool replacement = false;
    std::string verdict;           // a sweep's verdict of the relay
    std::string program;           // the sweep's program
    std::string checksum;          // the sweep's record
    std::uint64_t operations = 0;  // a replacement: the count it ended
};
bool LedgerRelayHistory(const std::string& path, int relay, LedgerRelay& summary, std::vector<LedgerEvent>& events,
                        std::string& error, const std::string& station = {});

// Relays faulty in the last sweeps: of the last `last` records with verdicts
// (by time), the ones after each relay's last replacement that judged it
// (judged) and found it faulty (faulty). Only relays with faulty > 0, most
// faulty first; sweeps is how many sweeps were looked at.
struct LedgerFailing {
    int relay = 0;
    int faulty = 0;
    int judged = 0;
};
bool LedgerFailingIn(const std::string& path, int last, std::vector<LedgerFailing>& failing, int& sweeps,
                     std::string& error, const std::string& station = {});

// A station's ledger file copied into a fleet under station's name, in one
// transaction, as often as wanted: records, verdicts and replacements are
// stored once, and each relay's counts are the file's unless the fleet holds
// newer ones (a count only grows until a replacement, so a copy older than
// the fleet's is never taken). What it found:
struct LedgerPushed {
    std::size_t relays = 0;          // relays whose counts the fleet took from the file
    std::size_t relaysKept = 0;      // relays the fleet had as the file, or newer
    std::size_t records = 0;         // the file's records, and those new to the fleet
    std::size_t recordsNew = 0;
    std::size_t verdicts = 0;
    std::size_t verdictsNew = 0;
    std::size_t replacements = 0;
    std::size_t replacementsNew = 0;
};
bool LedgerPush(const std::string& file, const std::string& fleet, const std::string& station, LedgerPushed& pushed,
                std::string& error);

#endif
