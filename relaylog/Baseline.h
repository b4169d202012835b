// What changed since an earlier record: each relay's class then and now.
#ifndef RELAYLOG_BASELINE_H
#define RELAYLOG_BASELINE_H

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "RelayVerdicts.h"

namespace relaylog {

// How bad a class is, from functional (0) to stuck closed: a relay that moves
// up this order has got worse. Unverified sits below the faults, as nothing
// was seen wrong; erratic below stuck, as it still works some of the time.
int Severity(RelayClass k);

struct Comparison {
    std::vector<std::string> lines;  // "CHANGED relay N (...): OLD -> NEW", relay order
    std::array<bool, Relays> changed{};
    std::uint32_t worse = 0;
    std::uint32_t better = 0;
    std::uint32_t unchanged = 0;
    std::uint32_t notCompared = 0;  // unverified in either record
};

// Only relays verified in both records are compared; functional and partly
// verified are alike (always as pushed).
Comparison Compare(const RelayVerdicts& old, const RelayVerdicts& now);

// "Since baseline: W worse, B better, U unchanged, N not compared"
std::string SummaryOf(const Comparison& comparison);

}  // namespace relaylog

#endif
