#include "ConsoleSetup.h"

void PrepareConsole()
{
    // A console process gets no signal for a closed pipe or a full disk: the
    // write fails and the pass carries on. Nothing to set up.
}
