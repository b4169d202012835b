#include "OwnCardLock.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string ownLock;

void RemoveOwnLock() { (void)unlink(ownLock.c_str()); }

}  // namespace

void UseOwnCardLock()
{
    if (!ownLock.empty() || std::getenv("RELAYTEST_LOCK") != nullptr)
        return;
    ownLock = "/tmp/relaytest-unit-" + std::to_string(getpid()) + ".lock";
    (void)setenv("RELAYTEST_LOCK", ownLock.c_str(), 1);
    (void)std::atexit(RemoveOwnLock);
}
