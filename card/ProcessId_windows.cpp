#include "ProcessId.h"

#include <windows.h>

long ThisProcessId() { return static_cast<long>(GetCurrentProcessId()); }
