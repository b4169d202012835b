#include "Baseline.h"

#include "Wording.h"

namespace relaylog {

int Severity(RelayClass k)
{
    switch (k) {
    case RelayClass::Functional: return 0;
    case RelayClass::PartlyVerified: return 1;
    case RelayClass::Unverified:
    case RelayClass::SkippedByRule: return 2;
    case RelayClass::Erratic: return 3;
    case RelayClass::StuckOpen: return 4;
    case RelayClass::StuckClosed: return 5;
    }
    return 0;
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
