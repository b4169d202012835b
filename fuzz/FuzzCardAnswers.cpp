// libFuzzer target: the fuzzer's input is every answer the card gives (card
// count, revision, each poll, each data word) and the choice of what runs: the
// whole program, or SetRelay / ReadBoard / RelayIsOn with any numbers. Layout
// in tests/shape/CardScript.h. Any output out of shape aborts, so the fuzzer keeps
// the input as a finding; the sanitizers catch the rest.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CardScript.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string problem = RunCardScript(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "output out of shape: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
