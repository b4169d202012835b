// Opening a ledger and keeping its schema: the file says which version of
// the schema it holds, and a file of an older one is brought up to date in
// one transaction, so that a program stopped half-way leaves it as it was.
#include "LedgerStore.h"

#include <sqlite3.h>

#include "Ledger.h"

namespace {

// PRAGMA application_id of a ledger: "RLLG".
constexpr std::int64_t LedgerMark = 0x524C4C47;

// Each step takes the file from version i to version i + 1.
const char* const Steps[] = {
    // 1: the counts alone, a row for every relay.
    "CREATE TABLE relay(relay INTEGER PRIMARY KEY, operations INTEGER NOT NULL DEFAULT 0);"
    "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 1023)"
    " INSERT INTO relay(relay) SELECT i FROM n;",
    // 2: records and their verdicts, replacements, and each relay's count
    // over every replacement beside its count since the last one.
    "ALTER TABLE relay ADD COLUMN total INTEGER NOT NULL DEFAULT 0;"
    "UPDATE relay SET total = operations;"
    "ALTER TABLE relay ADD COLUMN replaced INTEGER NOT NULL DEFAULT 0;"
    "CREATE TABLE record(id INTEGER PRIMARY KEY, checksum TEXT NOT NULL UNIQUE, time INTEGER NOT NULL,"
    " program TEXT NOT NULL, judged BLOB);"
    "CREATE INDEX record_time ON record(time, id) WHERE judged IS NOT NULL;"
    "CREATE TABLE verdict(relay INTEGER NOT NULL, record INTEGER NOT NULL REFERENCES record(id),"
    " verdict TEXT NOT NULL, PRIMARY KEY(relay, record)) WITHOUT ROWID;"
    "CREATE INDEX verdict_record ON verdict(record);"
    "CREATE TABLE replacement(id INTEGER PRIMARY KEY, relay INTEGER NOT NULL, time INTEGER NOT NULL,"
    " operations INTEGER NOT NULL);"
    "CREATE INDEX replacement_relay ON replacement(relay, time);",
};
static_assert(sizeof Steps / sizeof Steps[0] == LedgerSchemaVersion, "a step for every version");

// Waits for another program's transaction a millisecond at a time, for at
// least LedgerBusyMs: SQLite's own wait grows to 100 ms a try, and a program
// that flushes while another writes in a loop would wait far longer than the
// write it waits for.
int WaitABit(void*, int tries)
{
    if (tries >= LedgerBusyMs)
        return 0;
    (void)sqlite3_sleep(1);
    return 1;
}

}  // namespace

LedgerDb::~LedgerDb()
{
    if (inTransaction_)
        (void)sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    (void)sqlite3_close(db_);
}

std::int64_t LedgerDb::Changes() const { return sqlite3_changes(db_); }

std::int64_t LedgerDb::LastRowId() const { return sqlite3_last_insert_rowid(db_); }

bool LedgerDb::Fail(const std::string& what)
{
    error_ = path_ + ": " + what;
    return false;
}

bool LedgerDb::Failed(const char* doing)
{
    const int code = db_ != nullptr ? sqlite3_errcode(db_) : SQLITE_NOMEM;
    if (code == SQLITE_NOTADB)
        return Fail("not a relay ledger (not an SQLite database)");
    if (code == SQLITE_BUSY)
        return Fail(std::string(doing) + ": another program held the ledger for more than " +
                    std::to_string(LedgerBusyMs / 1000) + " s");
    return Fail(std::string(doing) + ": " + (db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory"));
}

bool LedgerDb::Exec(const char* sql)
{
    char* message = nullptr;
    const int code = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    const std::string said = message != nullptr ? message : "";
    sqlite3_free(message);
    if (code != SQLITE_OK) {
        if (code == SQLITE_NOTADB || code == SQLITE_BUSY)
            return Failed("cannot use the ledger");
        return Fail(said.empty() ? sqlite3_errstr(code) : said);
    }
    const std::string text = sql;
    if (text.rfind("BEGIN", 0) == 0)
        inTransaction_ = true;
    else if (text == "COMMIT" || text == "ROLLBACK")
        inTransaction_ = false;
    return true;
}

bool LedgerDb::Open(bool create)
{
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    if (path_.empty())
        return Fail("no ledger named");
    const int code = sqlite3_open_v2(LedgerFileName(path_).c_str(), &db_, flags, nullptr);
    if (code != SQLITE_OK) {
        if (code == SQLITE_CANTOPEN && !create)
            return Fail("cannot open the ledger (no such file, or not readable and writable)");
        return Failed("cannot open the ledger");
    }
    (void)sqlite3_busy_handler(db_, WaitABit, nullptr);
    (void)sqlite3_extended_result_codes(db_, 0);
    // The rollback journal, SQLite's default, not a write-ahead log: a ledger
    // is then one file, whole whenever no program is writing it, that can be
    // copied or read over a network share.
    return Schema();
}

bool LedgerDb::ReadPragma(const char* name, std::int64_t& value)
{
    LedgerStatement read(*this, (std::string("PRAGMA ") + name).c_str());
    bool done = false;
    if (!read.Ok() || !read.Step(done))
        return done ? Fail(std::string("no ") + name) : false;
    value = read.Int(0);
    return true;
}

bool LedgerDb::Schema()
{
    std::int64_t mark = 0;
    std::int64_t version = 0;
    if (!ReadPragma("application_id", mark) || !ReadPragma("user_version", version))
        return false;
    if (mark == LedgerMark && version == LedgerSchemaVersion)
        return true;
    // Another program may be making or upgrading the file this very moment:
    // look again once the write lock is ours.
    if (!Begin() || !ReadPragma("application_id", mark) || !ReadPragma("user_version", version))
        return false;
    if (mark == 0 && version == 0) {
        LedgerStatement tables(*this, "SELECT count(*) FROM sqlite_master");
        bool done = false;
        if (!tables.Ok() || !tables.Step(done))
            return false;
        if (tables.Int(0) != 0)
            return Fail("not a relay ledger (an SQLite database of something else)");
    } else if (mark != LedgerMark) {
        return Fail("not a relay ledger (an SQLite database of something else)");
    } else if (version > LedgerSchemaVersion) {
        return Fail("made by a newer relayledger: its schema is version " + std::to_string(version) +
                    ", this one reads versions up to " + std::to_string(LedgerSchemaVersion) +
                    "; use the newer relayledger, or a ledger of its own for this one");
    }
    return Upgrade(version) && Commit();
}

bool LedgerDb::Upgrade(std::int64_t from)
{
    for (std::int64_t v = from; v < LedgerSchemaVersion; ++v) {
        if (!Exec(Steps[v]))
            return Fail("cannot bring the ledger from version " + std::to_string(v) + " to " + std::to_string(v + 1) +
                        ": " + error_.substr(path_.size() + 2));
    }
    const std::string set = "PRAGMA application_id = " + std::to_string(LedgerMark) +
                            "; PRAGMA user_version = " + std::to_string(LedgerSchemaVersion);
    return Exec(set.c_str());
}

LedgerStatement::LedgerStatement(LedgerDb& db, const char* sql) : db_(db)
{
    if (sqlite3_prepare_v2(db.Handle(), sql, -1, &statement_, nullptr) != SQLITE_OK) {
        statement_ = nullptr;
        (void)db.Failed("cannot read the ledger");
    }
}

LedgerStatement::~LedgerStatement() { (void)sqlite3_finalize(statement_); }

void LedgerStatement::Bind(int index, std::int64_t value) { (void)sqlite3_bind_int64(statement_, index, value); }

void LedgerStatement::Bind(int index, const std::string& text)
{
    (void)sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

void LedgerStatement::BindBlob(int index, const void* bytes, int size)
{
    (void)sqlite3_bind_blob(statement_, index, bytes, size, SQLITE_TRANSIENT);
}

void LedgerStatement::BindNull(int index) { (void)sqlite3_bind_null(statement_, index); }

bool LedgerStatement::Step(bool& done)
{
    const int code = sqlite3_step(statement_);
    done = code == SQLITE_DONE;
    if (code == SQLITE_ROW)
        return true;
    if (!done)
        (void)db_.Failed("cannot use the ledger");
    return false;
}

void LedgerStatement::Reset() { (void)sqlite3_reset(statement_); }

bool LedgerStatement::Run()
{
    bool done = false;
    while (Step(done)) {
    }
    (void)sqlite3_reset(statement_);
    return done;
}

std::int64_t LedgerStatement::Int(int column) const { return sqlite3_column_int64(statement_, column); }

std::string LedgerStatement::Text(int column) const
{
    const unsigned char* text = sqlite3_column_text(statement_, column);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text),
                                         static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                           : std::string();
}

std::string LedgerStatement::Blob(int column) const
{
    const void* bytes = sqlite3_column_blob(statement_, column);
    return bytes != nullptr ? std::string(static_cast<const char*>(bytes),
                                          static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                            : std::string();
}

bool LedgerStatement::IsNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
