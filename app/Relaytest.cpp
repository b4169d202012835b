#include "Relaytest.h"

#include <cstdio>
#include <cstring>

#include "CardHeader.h"
#include "CardLock.h"
#include "ConsoleSetup.h"
#include "Frame.h"
#include "OperatorWait.h"
#include "Outcome.h"
#include "RelayList.h"
#include "StationWiring.h"
#include "TestSequence.h"
#include "TraceOutput.h"

int RunRelaytest()
{
    PrepareConsole();
    // The card is ours from the first driver call to the last; the operator's
    // wait at the end keeps no one else from it. Without a lock at all (its
    // file cannot be made) the pass runs anyway, as it always has.
    if (TakeCard("relaytest", WaitForever, SayCardWait) == CardLockResult::Failed)
        (void)std::fprintf(stderr, "relaytest: %s\nrelaytest: running without the card lock\n", CardLockProblem());
    (void)ReportCard();
    RunTestSequence();
    ReleaseCard();

    std::printf("\nPress enter to exit\n");
    EndTraceLine();
    // The pass still ends with status 0; the operator hears why the record
    // is short before the wait.
    if (TraceWriteFailed())
        (void)std::fprintf(stderr, "relaytest: the record could not be written (%s)\n",
                           std::strerror(TraceWriteError()));
    WaitForOperator();
    return 0;
}

namespace {

const char* const Help =
    "usage: relaytest\n"
    "  One fixed pass over the relay matrix card: checks the card, prints its FPGA\n"
    "  revision, closes relays 0, 8, 100, 105, 129 and 254, reads boards 0 and 1\n"
    "  back, tracing every register access to standard output, then waits for\n"
    "  Enter. It takes no arguments. Under a station's wiring (the file\n"
    "  RELAYTEST_WIRING names) whose rules those closes would break, it refuses\n"
    "  and touches nothing.\n"
    "exit status: 0 the pass ran to its end, 2 an argument or a broken wiring file,\n"
    "6 refused by the wiring's rules\n";

// The station's wiring, when one is named, against the pass: -1 to go on.
int CheckStationWiring()
{
    const std::string file = ChooseWiringFile(nullptr);
    if (file.empty())
        return -1;
    Wiring wiring;
    std::string error;
    if (!LoadWiring(file, wiring, error)) {
        (void)std::fprintf(stderr, "relaytest: %s: nothing was switched\n", error.c_str());
        return ExitStatus(Outcome::BadArgument);
    }
    if (SequenceKeepsRules(wiring, error))
        return -1;
    (void)std::fprintf(stderr, "relaytest: refused under the wiring %s: %s: nothing was switched\n",
                       WiringTitle(wiring).c_str(), error.c_str());
    return ExitStatus(Outcome::Refused);
}

}  // namespace

int RelaytestMain(int argc, char** argv)
{
    if (argc > 1) {
        if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
            (void)std::fputs(Help, stdout);
            return 0;
        }
        if (std::strcmp(argv[1], "--version") == 0) {
            (void)std::printf("relaytest %s\n", RELAYTEST_VERSION);
            return 0;
        }
        (void)std::fprintf(stderr, "relaytest: takes no arguments (%s given): nothing was switched\nusage: relaytest "
                                   "(relaytest --help tells more)\n",
                           Quoted(argv[1]).c_str());
        return ExitStatus(Outcome::BadArgument);
    }
    const int refused = CheckStationWiring();
    return refused >= 0 ? refused : RunRelaytest();
}
