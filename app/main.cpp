// relaytest: one fixed pass over the relay matrix card. Checks the card,
// reports the FPGA revision, runs the relay test sequence and waits for the
// operator. Arguments and environment are ignored; the exit status is always 0.
#include "Relaytest.h"

int main() { return RunRelaytest(); }
