// One program of a station counting into its ledger as fast as it can, for
// the test of two at once:
//   relayledger_writer PATH TIMES
// adds TIMES times, each in a transaction of its own, one close of relay 5
// and two of relay 1023. Status 0 when every addition was made, 1 (and the
// error on standard error) when one failed, 2 for a wrong command line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Ledger.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    std::uint32_t closes[1024] = {};
    closes[5] = 1;
    closes[1023] = 2;
    const long times = std::strtol(argv[2], nullptr, 10);
    std::string error;
    for (long i = 0; i < times; ++i) {
        if (!LedgerAddCloses(argv[1], closes, error)) {
            (void)std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
