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
    if (std::getenv("RELAYTEST_LOCK") != nullptr)
        return;
    if (ownLock.empty()) {
        ownLock = "/tmp/relaytest-unit-" + std::to_string(getpid()) + ".lock";
        (void)std::atexit(RemoveOwnLock);
    }
    (void)setenv("RELAYTEST_LOCK", ownLock.c_str(), 1);
}
