// The parts of the ledger that both stores work the same way (LedgerShared.h).
#include "LedgerShared.h"

#include <algorithm>
#include <iterator>

std::string LedgerJudgedBits(const LedgerRecord& record)
{
    std::string bits(LedgerRelays / 8, '\0');
    bool any = false;
    for (std::size_t r = 0; r < LedgerRelays; ++r) {
        if (!record.verdicts[r].empty()) {
            bits[r / 8] = static_cast<char>(bits[r / 8] | (1 << (r % 8)));
            any = true;
        }
    }
    return any ? bits : std::string();
}

bool LedgerJudged(const std::string& bits, int relay)
{
    const auto r = static_cast<std::size_t>(relay);
    if (r / 8 >= bits.size())
        return false;
    const unsigned byte = static_cast<unsigned char>(bits[r / 8]);
    return ((byte >> (r % 8)) & 1U) != 0;
}

void LedgerTally(const std::vector<std::int64_t>& replaced, const std::vector<LedgerSweep>& sweeps,
                 std::vector<LedgerFailing>& failing)
{
    std::vector<LedgerFailing> all(LedgerRelays);
    for (int r = 0; r < LedgerRelays; ++r)
        all[static_cast<std::size_t>(r)].relay = r;
    const auto since = [&](std::size_t r) { return r < replaced.size() ? replaced[r] : 0; };
    for (const LedgerSweep& sweep : sweeps) {
        for (int r = 0; r < LedgerRelays; ++r) {
            if (LedgerJudged(sweep.judged, r) && sweep.time >= since(static_cast<std::size_t>(r)))
                ++all[static_cast<std::size_t>(r)].judged;
        }
        for (const auto& [relay, verdict] : sweep.verdicts) {
            const std::size_t r = static_cast<std::size_t>(std::clamp(relay, 0, LedgerRelays - 1));
            if (LedgerIsFault(verdict) && sweep.time >= since(r))
                ++all[r].faulty;
        }
    }
    failing.clear();
    for (const LedgerFailing& relay : all) {
        if (relay.faulty > 0)
            failing.push_back(relay);
    }
    std::stable_sort(failing.begin(), failing.end(),
                     [](const LedgerFailing& a, const LedgerFailing& b) { return a.faulty > b.faulty; });
}

void LedgerMergeHistory(std::vector<LedgerEvent>& events, const std::vector<LedgerEvent>& replacements)
{
    std::vector<LedgerEvent> merged;
    std::merge(events.begin(), events.end(), replacements.begin(), replacements.end(), std::back_inserter(merged),
               [](const LedgerEvent& a, const LedgerEvent& b) { return a.time < b.time; });
    events.swap(merged);
}
