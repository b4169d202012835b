// What a station's file and a fleet's database share inside the ledger: how
// a record says which relays it judged, which verdicts a relay's faults
// count, how the last sweeps are tallied, a relay's history put in order,
// and a station's whole ledger as it is copied into a fleet.
#ifndef RELAYTEST_LEDGER_LEDGERSHARED_H
#define RELAYTEST_LEDGER_LEDGERSHARED_H

#include <cstdint>
#include <string>
#include <vector>

#include "Ledger.h"

// The verdicts LedgerRelay::faults counts, as an SQL list (the same on both stores).
#define LEDGER_FAULT_VERDICTS "('stuck open', 'stuck closed', 'erratic')"

// Which relays a record judged, one bit a relay (relay r is bit r % 8 of
// byte r / 8); "" for a record that judged none.
std::string LedgerJudgedBits(const LedgerRecord& record);
bool LedgerJudged(const std::string& bits, int relay);

// One of the last sweeps, as failing tallies it.
struct LedgerSweep {
    std::int64_t time = 0;
    std::string judged;                                  // LedgerJudgedBits
    std::vector<std::pair<int, std::string>> verdicts;  // its verdicts other than functional
};
// The relays faulty in sweeps since each relay's last replacement
// (replaced[r]), most faulty first, as LedgerFailingIn gives them.
void LedgerTally(const std::vector<std::int64_t>& replaced, const std::vector<LedgerSweep>& sweeps,
                 std::vector<LedgerFailing>& failing);

// A relay's sweeps and replacements, each oldest first, merged into one
// history: a sweep and a replacement of the same second, the sweep first
// (it found what the replacement was for).
void LedgerMergeHistory(std::vector<LedgerEvent>& events, const std::vector<LedgerEvent>& replacements);

// A station's ledger file as a push copies it.
struct LedgerCopy {
    std::vector<LedgerRelay> relays;  // the 1,024: operations, total, replaced
    struct Record {
        std::string checksum;
        std::int64_t time = 0;
        std::string program;
        std::string judged;  // LedgerJudgedBits; "" for a record that is no sweep
    };
    std::vector<Record> records;  // in the order the file added them
    struct Verdict {
        std::string checksum;
        int relay = 0;
        std::string verdict;
        std::int64_t time = 0;  // its record's
    };
    std::vector<Verdict> verdicts;
    struct Replacement {
        int relay = 0;
        std::int64_t time = 0;
        int nth = 0;  // 0 for the relay's first replacement of that second, 1 for a second one, ...
        std::uint64_t operations = 0;
    };
    std::vector<Replacement> replacements;
};
// Reads the whole file at path, as one reading.
bool LedgerReadCopy(const std::string& path, LedgerCopy& copy, std::string& error);

#endif
