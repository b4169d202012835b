#include "OwnCardLock.h"

#include <cstdlib>
#include <process.h>
#include <string>

void UseOwnCardLock()
{
    if (std::getenv("RELAYTEST_LOCK") != nullptr)
        return;
    const std::string name = "Local\\relaytest-unit-" + std::to_string(_getpid());
    (void)_putenv_s("RELAYTEST_LOCK", name.c_str());
}
