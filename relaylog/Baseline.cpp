#include "Baseline.h"

#include "Wording.h"

namespace relaylog {

int Severity(RelayClass k)
{
    // In RelayClass order: functional, partly verified, unverified, stuck
    // closed, stuck open, erratic, skipped by rule; the deep passes' verdicts
    // as faults, late beside erratic (the relay follows, given time), a board
    // that answers wrongly beside stuck closed.
    constexpr int Severities[RelayClassCount] = {0, 1, 2, 5, 4, 3, 2, 4, 4, 3, 4, 5, 5};
    return Severities[static_cast<int>(k)];
}

namespace {

bool Unseen(RelayClass k) { return k == RelayClass::Unverified || k == RelayClass::SkippedByRule; }

}  // namespace

Comparison Compare(const RelayVerdicts& old, const RelayVerdicts& now)
{
    Comparison c;
    for (int relay = 0; relay < Relays; ++relay) {
        const RelayClass then = old.ClassOf(relay);
        const RelayClass is = now.ClassOf(relay);
        // Like with like: a relay one record never verified (or skipped by
        // rule) is not compared, and seen only as pushed in both, it is as it was.
        if (Unseen(then) || Unseen(is)) {
            ++c.notCompared;
            continue;
        }
        if (then == is || (Severity(then) <= 1 && Severity(is) <= 1)) {
            ++c.unchanged;
            continue;
        }
        c.changed[static_cast<std::size_t>(relay)] = true;
        ++(Severity(is) > Severity(then) ? c.worse : c.better);
        c.lines.push_back("CHANGED " + RelayName(relay) + ": " + ClassName(then) + " -> " + ClassName(is));
    }
    return c;
}

std::string SummaryOf(const Comparison& c)
{
    return "Since baseline: " + std::to_string(c.worse) + " worse, " + std::to_string(c.better) + " better, " +
           std::to_string(c.unchanged) + " unchanged, " + std::to_string(c.notCompared) + " not compared";
}

}  // namespace relaylog
