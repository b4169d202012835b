#include "ProcessId.h"

#include <unistd.h>

long ThisProcessId() { return static_cast<long>(getpid()); }
