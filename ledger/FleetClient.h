// libpq's functions as the fleet calls them, taken from PostgreSQL's client
// library the first time a program uses a fleet. A program never given a
// fleet neither loads the library nor the twenty it brings (TLS, Kerberos,
// LDAP): its start, and the address space it needs, stay as they were.
// Inside the ledger only.
#ifndef RELAYTEST_LEDGER_FLEETCLIENT_H
#define RELAYTEST_LEDGER_FLEETCLIENT_H

#include <libpq-fe.h>

#include <string>

struct FleetClient {
    decltype(&PQconnectdbParams) connectdbParams = nullptr;
    decltype(&PQstatus) status = nullptr;
    decltype(&PQerrorMessage) errorMessage = nullptr;
    decltype(&PQfinish) finish = nullptr;
    decltype(&PQexec) exec = nullptr;
    decltype(&PQexecParams) execParams = nullptr;
    decltype(&PQresultStatus) resultStatus = nullptr;
    decltype(&PQresultErrorField) resultErrorField = nullptr;
    decltype(&PQclear) clear = nullptr;
    decltype(&PQntuples) ntuples = nullptr;
    decltype(&PQgetvalue) getvalue = nullptr;
    decltype(&PQgetlength) getlength = nullptr;
    decltype(&PQgetisnull) getisnull = nullptr;
    decltype(&PQcmdTuples) cmdTuples = nullptr;
};

// The client, loaded once for the program; nullptr, with why, when it cannot be.
const FleetClient* FleetClientLoaded(std::string& why);

// The platform's part (FleetClient_posix.cpp, FleetClient_windows.cpp): the
// library opened (nullptr, with why, when it cannot be), and one of its functions.
void* FleetOpenClient(std::string& why);
void* FleetClientSymbol(void* library, const char* name);

#endif
