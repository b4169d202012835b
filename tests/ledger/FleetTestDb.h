// A fleet's database of its own on the tests' PostgreSQL server, dropped
// when it goes. The server's URL comes in RELAYTEST_FLEET_URL (ctest starts
// the server: tests/scripts/postgres-server.sh); where there is no server,
// url is "" and why says why, for the test to skip.
#ifndef RELAYTEST_TESTS_LEDGER_FLEETTESTDB_H
#define RELAYTEST_TESTS_LEDGER_FLEETTESTDB_H

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

// Runs sql on the database at url; "" when it ran, else PostgreSQL's words.
inline std::string FleetSql(const std::string& url, const std::string& sql)
{
    PGconn* db = PQconnectdb(url.c_str());
    std::string said = PQstatus(db) == CONNECTION_OK ? "" : PQerrorMessage(db);
    if (said.empty()) {
        PGresult* result = PQexec(db, sql.c_str());
        if (PQresultStatus(result) != PGRES_COMMAND_OK && PQresultStatus(result) != PGRES_TUPLES_OK)
            said = PQresultErrorMessage(result);
        PQclear(result);
    }
    PQfinish(db);
    return said;
}

struct ScratchFleet {
    ScratchFleet()
    {
        const char* server = std::getenv("RELAYTEST_FLEET_URL");
        std::getline(std::ifstream(RELAYTEST_FLEET_WHY), why);
        if (server == nullptr || *server == '\0')
            why = "no PostgreSQL server: RELAYTEST_FLEET_URL is not set (ctest starts one for these tests)";
        if (!why.empty())
            return;
        static int made = 0;
        base = server;
        name = "fleet_" + std::to_string(getpid()) + "_" + std::to_string(++made);
        const std::string said = FleetSql(base + "postgres", "CREATE DATABASE " + name);
        EXPECT_EQ(said, "") << "the test server at " << base << " does not answer";
        url = said.empty() ? base + name : "";
        why = said.empty() ? "" : "no database: " + said;
    }
    ~ScratchFleet()
    {
        if (!url.empty())
            (void)FleetSql(base + "postgres", "DROP DATABASE " + name + " WITH (FORCE)");
    }
    ScratchFleet(const ScratchFleet&) = delete;
    ScratchFleet& operator=(const ScratchFleet&) = delete;
    std::string base;
    std::string name;
    std::string url;
    std::string why;
};

// Skips the test, saying why, where there is no server.
#define NEED_FLEET(fleet)                    \
    if ((fleet).url.empty())                 \
        GTEST_SKIP() << (fleet).why

#endif
