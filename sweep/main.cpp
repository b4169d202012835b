// relaysweep: the full-matrix self-test (SweepProgram.h), run by the frame.
#include "SweepProgram.h"

int main(int argc, char** argv) { return RunFrame(RelaysweepProgram, argc, argv); }
