// The machine's host name, a station's name in a fleet when none is given.
#include <unistd.h>

#include "Fleet.h"

std::string LedgerHostName()
{
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}
