// Connecting to a fleet's database and keeping its schema: the fleet's
// tables live in a PostgreSQL schema of their own, relayledger, beside a
// table that holds their version; a fleet of an older version is brought up
// to date in one transaction (PostgreSQL's DDL is transactional), so that a
// program stopped half-way leaves it as it was.
#include "FleetStore.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The lock that makes and upgrades a fleet one program at a time ("RLLG"):
// the session's, so that the transaction that looks again once it is held
// starts after it, and sees the catalog as the program before left it.
const char* const SchemaLock = "SELECT pg_advisory_lock(1380731975)";
const char* const SchemaUnlock = "SELECT pg_advisory_unlock(1380731975)";

// Each step takes the fleet from version i to version i + 1.
const char* const Steps[] = {
    // 1: each station's counts.
    "CREATE TABLE station(name text PRIMARY KEY);"
    "CREATE TABLE relay(station text NOT NULL REFERENCES station(name),"
    " relay integer NOT NULL CHECK (relay BETWEEN 0 AND 1023), operations bigint NOT NULL DEFAULT 0,"
    " PRIMARY KEY(station, relay));",
    // 2: records and their verdicts, replacements, each relay's count over
    // every replacement, and when each station last pushed. A verdict keeps
    // its record's time: a relay's faults are counted without the records.
    "ALTER TABLE relay ADD COLUMN total bigint NOT NULL DEFAULT 0, ADD COLUMN replaced bigint NOT NULL DEFAULT 0;"
    "UPDATE relay SET total = operations;"
    "ALTER TABLE station ADD COLUMN pushed bigint NOT NULL DEFAULT 0;"
    "CREATE TABLE record(id bigserial, station text NOT NULL REFERENCES station(name), checksum text NOT NULL,"
    " time bigint NOT NULL, program text NOT NULL, judged bytea, PRIMARY KEY(station, checksum));"
    "CREATE INDEX record_sweeps ON record(station, time, id) WHERE judged IS NOT NULL;"
    "CREATE TABLE verdict(station text NOT NULL, checksum text NOT NULL, relay integer NOT NULL,"
    " verdict text NOT NULL, time bigint NOT NULL, PRIMARY KEY(station, checksum, relay),"
    " FOREIGN KEY(station, checksum) REFERENCES record(station, checksum));"
    "CREATE INDEX verdict_relay ON verdict(station, relay);"
    "CREATE TABLE replacement(station text NOT NULL REFERENCES station(name), relay integer NOT NULL,"
    " time bigint NOT NULL, nth integer NOT NULL, operations bigint NOT NULL, PRIMARY KEY(station, relay, time, nth));",
};
static_assert(sizeof Steps / sizeof Steps[0] == FleetSchemaVersion, "a step for every version");

// What ReadVersion finds besides a version.
constexpr int NoFleet = -1;
constexpr int SomethingElse = -2;

std::string FirstLine(const char* text)
{
    std::string line = text != nullptr ? text : "";
    const std::size_t end = line.find('\n');
    if (end != std::string::npos)
        line.resize(end);
    for (const char* prefix : {"ERROR:  ", "FATAL:  "}) {
        if (line.rfind(prefix, 0) == 0)
            line.erase(0, std::string(prefix).size());
    }
    return line.empty() ? "no reason given" : line;
}

std::string NamesOf(const std::vector<std::string>& names)
{
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < 10; ++i)
        list += (i > 0 ? ", " : "") + names[i];
    return names.size() > 10 ? list + ", ..." : list;
}

}  // namespace

FleetResult::~FleetResult()
{
    if (result_ != nullptr)
        pq_->clear(result_);
}

void FleetResult::Take(const FleetClient* pq, PGresult* result)
{
    if (result_ != nullptr)
        pq_->clear(result_);
    pq_ = pq;
    result_ = result;
}

bool FleetResult::Ok() const
{
    const ExecStatusType status = pq_->resultStatus(result_);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

int FleetResult::Rows() const { return pq_->ntuples(result_); }

std::string FleetResult::Text(int row, int column) const
{
    return std::string(pq_->getvalue(result_, row, column),
                       static_cast<std::size_t>(pq_->getlength(result_, row, column)));
}

std::int64_t FleetResult::Int(int row, int column) const
{
    return std::strtoll(pq_->getvalue(result_, row, column), nullptr, 10);
}

bool FleetResult::IsNull(int row, int column) const { return pq_->getisnull(result_, row, column) != 0; }

std::int64_t FleetResult::Changed() const { return std::strtoll(pq_->cmdTuples(result_), nullptr, 10); }

FleetDb::~FleetDb()
{
    if (pq_ == nullptr)
        return;
    if (inTransaction_)
        pq_->clear(pq_->exec(connection_, "ROLLBACK"));
    pq_->finish(connection_);
}

bool FleetDb::Fail(const std::string& what)
{
    error_ = shown_ + ": " + what;
    return false;
}

bool FleetDb::Failed(const char* doing, const PGresult* result)
{
    const char* state = result != nullptr ? pq_->resultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    if (state != nullptr && std::string(state) == "55P03")
        return Fail(std::string(doing) + ": another program held the fleet's rows for more than 30 s");
    const char* said = result != nullptr ? pq_->resultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    return Fail(std::string(doing) + ": " + FirstLine(said != nullptr ? said : pq_->errorMessage(connection_)));
}

bool FleetDb::Done(FleetResult& result, PGresult* raw)
{
    result.Take(pq_, raw);
    return result.Ok() || Failed("cannot use the fleet", raw);
}

bool FleetDb::Plain(const char* sql)
{
    FleetResult result;
    return Done(result, pq_->exec(connection_, sql));
}

bool FleetDb::Run(const char* sql, const std::vector<std::string>& parameters, FleetResult& result)
{
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const std::string& p : parameters)
        values.push_back(p.c_str());
    return Done(result, pq_->execParams(connection_, sql, static_cast<int>(values.size()), nullptr, values.data(),
                                        nullptr, nullptr, 0));
}

bool FleetDb::Run(const char* sql, const std::vector<std::string>& parameters)
{
    FleetResult ignored;
    return Run(sql, parameters, ignored);
}

bool FleetDb::Begin()
{
    if (!Plain("BEGIN"))
        return false;
    inTransaction_ = true;
    return true;
}

bool FleetDb::Commit()
{
    if (!Plain("COMMIT"))
        return false;
    inTransaction_ = false;
    return true;
}

bool FleetDb::Open(bool create)
{
    // The URL's own settings first; a connection that cannot be made in
    // 10 s is not waited for longer unless the URL says so.
    const char* const keys[] = {"connect_timeout", "fallback_application_name", "dbname", nullptr};
    const char* const values[] = {"10", "relaytest", url_.c_str(), nullptr};
    std::string why;
    pq_ = FleetClientLoaded(why);
    if (pq_ == nullptr)
        return Fail(why);
    connection_ = pq_->connectdbParams(keys, values, 1);
    if (connection_ == nullptr)
        return Fail("cannot reach the fleet's database: out of memory");
    if (pq_->status(connection_) != CONNECTION_OK)
        return Fail("cannot reach the fleet's database: " + FirstLine(pq_->errorMessage(connection_)));
    // Our tables, and no one else's, whatever the database holds besides;
    // a row another program holds is waited for as a ledger file's lock is.
    return Plain("SET search_path = relayledger; SET lock_timeout = '30s'") && Schema(create);
}

bool FleetDb::ReadVersion(int& version)
{
    // The fleet's version straight away where there is one (outside a
    // transaction, which a failed statement would end).
    if (!inTransaction_) {
        FleetResult read;
        read.Take(pq_, pq_->exec(connection_, "SELECT max(version) FROM relayledger.version"));
        if (read.Ok()) {
            version = read.IsNull(0, 0) ? SomethingElse : static_cast<int>(read.Int(0, 0));
            return true;
        }
    }
    FleetResult found;
    if (!Run("SELECT to_regnamespace('relayledger') IS NOT NULL, to_regclass('relayledger.version') IS NOT NULL", {},
             found))
        return false;
    if (found.Text(0, 1) == "t") {
        FleetResult read;
        if (!Run("SELECT max(version) FROM relayledger.version", {}, read))
            return false;
        version = read.IsNull(0, 0) ? SomethingElse : static_cast<int>(read.Int(0, 0));
        return true;
    }
    version = found.Text(0, 0) == "t" ? SomethingElse : NoFleet;
    return true;
}

bool FleetDb::Refused(int version, bool create)
{
    if (version == SomethingElse)
        return !Fail("not a relay fleet (its schema relayledger holds something else)");
    if (version == NoFleet && !create)
        return !Fail("no relay fleet in this database yet (count into it, or push a station's ledger into it, first)");
    if (version > FleetSchemaVersion)
        return !Fail("made by a newer relayledger: its schema is version " + std::to_string(version) +
                     ", this one reads versions up to " + std::to_string(FleetSchemaVersion) +
                     "; use the newer relayledger, or a database of its own for this one");
    return false;
}

bool FleetDb::Schema(bool create)
{
    int version = 0;
    if (!ReadVersion(version) || Refused(version, create))
        return false;
    if (version == FleetSchemaVersion)
        return true;
    // Another program may be making or upgrading the fleet this very moment:
    // look again once the lock is ours (given up with the connection, when
    // this fails).
    if (!Plain(SchemaLock) || !Begin() || !ReadVersion(version) || Refused(version, create))
        return false;
    if (version == NoFleet && !Plain("CREATE SCHEMA relayledger; CREATE TABLE version(version integer NOT NULL);"
                                     "INSERT INTO version VALUES (0)"))
        return false;
    for (int v = std::max(version, 0); v < FleetSchemaVersion; ++v) {
        if (!Plain(Steps[v]))
            return Fail("cannot bring the fleet from version " + std::to_string(v) + " to " + std::to_string(v + 1) +
                        ": " + error_.substr(shown_.size() + 2));
    }
    return Run("UPDATE version SET version = $1", {std::to_string(FleetSchemaVersion)}) && Commit() &&
           Plain(SchemaUnlock);
}

bool FleetDb::Stations(std::vector<std::string>& names)
{
    FleetResult read;
    if (!Run("SELECT name FROM station ORDER BY name", {}, read))
        return false;
    names.clear();
    for (int row = 0; row < read.Rows(); ++row)
        names.push_back(read.Text(row, 0));
    return true;
}

bool FleetDb::OneStation(const std::string& station, std::string& name)
{
    std::vector<std::string> names;
    if (!Stations(names))
        return false;
    if (!station.empty()) {
        for (const std::string& n : names) {
            if (n == station) {
                name = station;
                return true;
            }
        }
        return Fail("no station \"" + station + "\" in the fleet" + (names.empty() ? "" : " (" + NamesOf(names) + ")"));
    }
    if (names.size() == 1) {
        name = names.front();
        return true;
    }
    if (names.empty())
        return Fail("no station in the fleet yet");
    return Fail("the fleet holds " + std::to_string(names.size()) + " stations (" + NamesOf(names) +
                "): one of them must be named");
}

bool FleetDb::AddStation(const std::string& name)
{
    if (name.empty())
        return Fail("no station name: set RELAYTEST_STATION (this machine has no host name)");
    return Run("INSERT INTO station(name) VALUES ($1) ON CONFLICT DO NOTHING", {name});
}

std::string FleetArray(const std::vector<std::int64_t>& items)
{
    std::string text = "{";
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i > 0 ? "," : "") + std::to_string(items[i]);
    return text + "}";
}

std::string FleetArray(const std::vector<std::string>& items)
{
    std::string text = "{";
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += i > 0 ? ",\"" : "\"";
        for (const char c : items[i]) {
            if (c == '"' || c == '\\')
                text += '\\';
            text += c;
        }
        text += '"';
    }
    return text + "}";
}

std::string FleetHex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15U];
    }
    return hex;
}

std::string FleetUnhex(const std::string& hex)
{
    const auto value = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(value(hex[i]) * 16 + value(hex[i + 1]));
    return bytes;
}
