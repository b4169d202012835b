#include "TestSequence.h"

void RunTestSequence()
{
    // The relay script comes with relay switching and read-back.
}
