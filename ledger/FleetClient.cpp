// PostgreSQL's client library, loaded the first time a fleet is used (FleetClient.h).
#include "FleetClient.h"

#include <type_traits>

namespace {

// Takes each function from the library; false when one is missing.
bool TakeAll(void* library, FleetClient& c)
{
    bool all = true;
    const auto take = [&](auto& function, const char* name) {
        void* symbol = FleetClientSymbol(library, name);
        all = all && symbol != nullptr;
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
    };
    take(c.connectdbParams, "PQconnectdbParams");
    take(c.status, "PQstatus");
    take(c.errorMessage, "PQerrorMessage");
    take(c.finish, "PQfinish");
    take(c.exec, "PQexec");
    take(c.execParams, "PQexecParams");
    take(c.resultStatus, "PQresultStatus");
    take(c.resultErrorField, "PQresultErrorField");
    take(c.clear, "PQclear");
    take(c.ntuples, "PQntuples");
    take(c.getvalue, "PQgetvalue");
    take(c.getlength, "PQgetlength");
    take(c.getisnull, "PQgetisnull");
    take(c.cmdTuples, "PQcmdTuples");
    return all;
}

}  // namespace

const FleetClient* FleetClientLoaded(std::string& why)
{
    static std::string failure;
    static const FleetClient* const loaded = []() -> const FleetClient* {
        static FleetClient client;
        void* library = FleetOpenClient(failure);
        if (library == nullptr)
            return nullptr;
        if (!TakeAll(library, client)) {
            failure = "the PostgreSQL client library lacks a function this build calls: install a newer libpq";
            return nullptr;
        }
        return &client;
    }();
    why = failure;
    return loaded;
}
