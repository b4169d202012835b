#include "OperatorWait.h"

#include <cstdio>
#include <cstdlib>

void WaitForOperator()
{
    // The command processor writes its own prompt straight to the console;
    // ours must be out before it.
    std::fflush(stdout);
    // The command processor's result means nothing here: the run is over.
    (void)std::system("pause");
}
