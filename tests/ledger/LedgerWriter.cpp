// A station's program counting into its ledger as fast as it can, for the
// test of two at once under wine: `relayledger_writer PATH TIMES` adds, TIMES
// times in a transaction each, one close of relay 5. Status 0 when all were
// added, 1 (with the error on standard error) when one was not.
#include <cstdio>
#include <cstdlib>

#include "Ledger.h"

int main(int argc, char** argv)
{
    std::uint32_t closes[1024] = {};
    closes[5] = 1;
    std::string error;
    for (long i = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0; i > 0; --i) {
        if (!LedgerAddCloses(argv[1], closes, error)) {
            (void)std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
