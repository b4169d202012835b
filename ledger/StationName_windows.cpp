// The PC's name, a station's name in a fleet when none is given.
#include <windows.h>

#include "Fleet.h"

std::string LedgerHostName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (!GetComputerNameA(name, &size))
        return {};
    return std::string(name, size);
}
