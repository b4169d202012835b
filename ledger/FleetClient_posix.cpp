// PostgreSQL's client library on Linux: Debian's libpq5.
#include <dlfcn.h>

#include "FleetClient.h"

void* FleetOpenClient(std::string& why)
{
    void* library = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* said = dlerror();
        why = std::string("the PostgreSQL client library cannot be loaded (") + (said != nullptr ? said : "libpq.so.5") +
              "): install libpq5";
    }
    return library;
}

void* FleetClientSymbol(void* library, const char* name) { return dlsym(library, name); }
