// relayctl: the switching console (CtlProgram.h), run by the frame.
#include "CtlProgram.h"

int main(int argc, char** argv) { return RunFrame(RelayctlProgram, argc, argv); }
