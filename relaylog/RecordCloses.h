// A record's own closes, for the station's ledger (docs/ledger.md): the
// pushes that took a relay from open to closed. A push counts for a relay
// whose bit goes from clear to set against what the run last knew of its
// board, its last push or its last read-back; a board not seen yet is open,
// as the card is at power-on. Only the runs of relaysweep, relayctl and
// relaymatrix that name no ledger count: one that names one was counted as it
// ran, and relaytest's fixed pass is never counted. Each run of a file saved
// with ">>" was a process of its own, and starts again from open boards.
#ifndef RELAYLOG_RECORDCLOSES_H
#define RELAYLOG_RECORDCLOSES_H

#include <array>
#include <cstdint>
#include <string>

#include "ReportFiles.h"
#include "Findings.h"

namespace relaylog {

struct RecordCloses : FindingSink {
    void BoardPushed(int board, const Words& words) override
    {
        Words& known = known_[static_cast<std::size_t>(board)];
        for (int c = 0; c < RelaysPerBoard; ++c) {
            if (Bit(words, c) && !Bit(known, c))
                ++run_[static_cast<std::size_t>(board) * RelaysPerBoard + static_cast<std::size_t>(c)];
        }
        known = words;
    }
    void BoardReadBack(const ReadBack& readBack) override
    {
        known_[static_cast<std::size_t>(readBack.board)] = readBack.fetched;
    }
    void RecordLedger(const std::string& named) override { ledger_ = named; }
    void Judged(const Run& judged) override
    {
        const bool counts = judged.program->kind != RunKind::Fixed && ledger_.empty();
        for (std::size_t r = 0; counts && r < closes_.size(); ++r)
            closes_[r] += run_[r];
        counted_ = counted_ || counts;
        countedIn_ = ledger_.empty() ? countedIn_ : ledger_;
        run_ = {};
        known_ = {};
        ledger_.clear();
    }

    // What the ledger was given of them: ", 3 closes", or "; its closes were
    // counted into FILE as it ran", or nothing (relaytest's record).
    std::string Said() const
    {
        std::uint64_t count = 0;
        for (const std::uint32_t n : closes_)
            count += n;
        if (counted_)
            return ", " + std::to_string(count) + (count == 1 ? " close" : " closes");
        return countedIn_.empty() ? "" : "; its closes were counted into " + Echoed(countedIn_) + " as it ran";
    }
    const std::array<std::uint32_t, Relays>& Closes() const { return closes_; }  // of the runs counted, by relay
    bool Counted() const { return counted_; }                                   // a run was counted

private:
    std::array<std::uint32_t, Relays> closes_{};
    bool counted_ = false;
    std::string countedIn_;                    // the ledger a run names, its closes counted as it ran
    std::array<std::uint32_t, Relays> run_{};  // of the run under way
    std::array<Words, Boards> known_{};
    std::string ledger_;
};

}  // namespace relaylog

#endif
