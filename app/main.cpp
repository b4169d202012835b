// relaytest: one fixed pass over the relay matrix card. Checks the card,
// reports the FPGA revision, runs the relay test sequence and waits for the
// operator. An argument, or a station wiring the pass would break, switches
// nothing (Relaytest.h).
#include "Relaytest.h"

int main(int argc, char** argv) { return RelaytestMain(argc, argv); }
