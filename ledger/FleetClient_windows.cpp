// PostgreSQL's client library on Windows: libpq.dll beside the program or on PATH.
#include <windows.h>

#include "FleetClient.h"

void* FleetOpenClient(std::string& why)
{
    HMODULE library = LoadLibraryA("libpq.dll");
    if (library == nullptr)
        why = "the PostgreSQL client library cannot be loaded (libpq.dll, error " + std::to_string(GetLastError()) +
              ")";
    return reinterpret_cast<void*>(library);
}

void* FleetClientSymbol(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
