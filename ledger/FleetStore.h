// The fleet's own tools over libpq: one connection for one call, its
// statements' results, its transaction and its schema. Inside the ledger only.
#ifndef RELAYTEST_LEDGER_FLEETSTORE_H
#define RELAYTEST_LEDGER_FLEETSTORE_H

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "FleetClient.h"
#include "Ledger.h"

// The schema this build keeps. Version 1 held the stations' counts alone;
// version 2 added records, verdicts, replacements and the time of each
// station's last push.
inline constexpr int FleetSchemaVersion = 2;

// One statement's result, cleared when it goes.
class FleetResult {
public:
    FleetResult() = default;
    ~FleetResult();
    FleetResult(const FleetResult&) = delete;
    FleetResult& operator=(const FleetResult&) = delete;

    void Take(const FleetClient* pq, PGresult* result);
    // Whether the statement ran.
    bool Ok() const;
    int Rows() const;
    std::string Text(int row, int column) const;
    std::int64_t Int(int row, int column) const;
    bool IsNull(int row, int column) const;
    // The rows the statement added, changed or removed.
    std::int64_t Changed() const;

private:
    const FleetClient* pq_ = nullptr;
    PGresult* result_ = nullptr;
};

// One connection to the fleet's database, closed when it goes (a transaction
// left open is rolled back). Every failure sets error to "URL: what", the URL
// without its password.
class FleetDb {
public:
    FleetDb(const std::string& url, std::string& error) : url_(url), shown_(LedgerShown(url)), error_(error) {}
    ~FleetDb();
    FleetDb(const FleetDb&) = delete;
    FleetDb& operator=(const FleetDb&) = delete;

    // Connects and brings the fleet's schema to this build's version, or
    // refuses it; create: makes the fleet in a database without one.
    bool Open(bool create);
    bool Begin();
    bool Commit();
    // Runs sql with its parameters ($1, $2, ...; text, as PostgreSQL reads them).
    bool Run(const char* sql, const std::vector<std::string>& parameters, FleetResult& result);
    bool Run(const char* sql, const std::vector<std::string>& parameters = {});
    bool Fail(const std::string& what);
    // Every station, by name; the one named, which must be there ("": the
    // only one there is); a station added when missing.
    bool Stations(std::vector<std::string>& names);
    bool OneStation(const std::string& station, std::string& name);
    bool AddStation(const std::string& name);
    const std::string& Shown() const { return shown_; }

private:
    bool Plain(const char* sql);
    bool Done(FleetResult& result, PGresult* raw);
    bool Failed(const char* doing, const PGresult* result);
    bool ReadVersion(int& version);
    bool Refused(int version, bool create);
    bool Schema(bool create);

    std::string url_;
    std::string shown_;
    std::string& error_;
    const FleetClient* pq_ = nullptr;
    PGconn* connection_ = nullptr;
    bool inTransaction_ = false;
};

// Runs work on the fleet at url, inside one transaction when write; what is
// thrown (out of memory) is the call's failure, not the caller's.
template <typename Work>
bool InFleet(const std::string& url, bool write, std::string& error, Work work)
{
    try {
        FleetDb db(url, error);
        return db.Open(write) && (!write || db.Begin()) && work(db) && (!write || db.Commit());
    } catch (const std::exception& e) {
        error = LedgerShown(url) + ": " + e.what();
    } catch (...) {
        error = LedgerShown(url) + ": cannot use the fleet";
    }
    return false;
}

// Array parameters, as unnest reads them: {1,2,3} and {"a","b"}.
std::string FleetArray(const std::vector<std::int64_t>& items);
std::string FleetArray(const std::vector<std::string>& items);
// Bytes as hex, and hex as bytes (bytea's encode(..., 'hex')).
std::string FleetHex(const std::string& bytes);
std::string FleetUnhex(const std::string& hex);

#endif
