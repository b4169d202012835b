// Passes a record's findings on to the report and judges its read-backs a
// second time for a consumer of its own (the HTML report, the baseline).
#ifndef RELAYLOG_VERDICTTAP_H
#define RELAYLOG_VERDICTTAP_H

#include "Findings.h"
#include "RelayVerdicts.h"

namespace relaylog {

class VerdictTap : public FindingSink {
public:
    // verdicts may be null: then the findings only pass through.
    VerdictTap(FindingSink& next, RelayVerdicts* verdicts) : next_(next), verdicts_(verdicts) {}

    void SweepHeading(std::uint64_t line, std::uint32_t boards) override { next_.SweepHeading(line, boards); }
    void CardCheck(std::uint64_t line, bool found) override { next_.CardCheck(line, found); }
    void Revision(std::uint64_t line, std::uint32_t value) override { next_.Revision(line, value); }
    void Problem(const Finding& finding) override { next_.Problem(finding); }
    void BoardReadBack(const ReadBack& readBack) override
    {
        if (verdicts_ != nullptr)
            verdicts_->Observe(readBack);
        next_.BoardReadBack(readBack);
    }

private:
    FindingSink& next_;
    RelayVerdicts* verdicts_;
};

}  // namespace relaylog

#endif
