// The ledger's own tools over SQLite: one connection for one call, its
// statements, its transaction and its schema. Inside the ledger only.
#ifndef RELAYTEST_LEDGER_LEDGERSTORE_H
#define RELAYTEST_LEDGER_LEDGERSTORE_H

#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// The path as SQLite takes it, in UTF-8: on Windows, converted from the ANSI
// code page the programs get their paths in (LedgerFileName_windows.cpp).
std::string LedgerFileName(const std::string& path);

// One open ledger, closed when it goes. Every failure sets error to
// "PATH: what" and leaves the connection to be closed.
class LedgerDb {
public:
    LedgerDb(const std::string& path, std::string& error) : path_(path), error_(error) {}
    ~LedgerDb();
    LedgerDb(const LedgerDb&) = delete;
    LedgerDb& operator=(const LedgerDb&) = delete;

    // Opens the file (made when create and missing), with the busy timeout,
    // and brings its schema to this build's version or refuses it.
    bool Open(bool create);
    // BEGIN IMMEDIATE: the write lock from the start, so that two writers
    // wait for each other rather than fail half-way.
    bool Begin() { return Exec("BEGIN IMMEDIATE"); }
    bool Commit() { return Exec("COMMIT"); }
    bool Exec(const char* sql);
    // False with error set, for the failure of what was being done.
    bool Fail(const std::string& what);
    // The last SQLite failure in words.
    bool Failed(const char* doing);
    sqlite3* Handle() const { return db_; }
    // Rows the last statement changed, and the last row it added.
    std::int64_t Changes() const;
    std::int64_t LastRowId() const;
    const std::string& Path() const { return path_; }

private:
    bool Schema();
    bool ReadPragma(const char* name, std::int64_t& value);
    bool Upgrade(std::int64_t from);

    std::string path_;
    std::string& error_;
    sqlite3* db_ = nullptr;
    bool inTransaction_ = false;
};

// One prepared statement, finalized when it goes.
class LedgerStatement {
public:
    LedgerStatement(LedgerDb& db, const char* sql);
    ~LedgerStatement();
    LedgerStatement(const LedgerStatement&) = delete;
    LedgerStatement& operator=(const LedgerStatement&) = delete;

    bool Ok() const { return statement_ != nullptr; }
    void Bind(int index, std::int64_t value);
    void Bind(int index, const std::string& text);
    void BindBlob(int index, const void* bytes, int size);
    void BindNull(int index);
    // True with a row to read; false at the end (done) or on a failure (!done).
    bool Step(bool& done);
    // Makes it ready to run again.
    void Reset();
    // Runs it to its end and makes it ready again; false on a failure.
    bool Run();
    std::int64_t Int(int column) const;
    std::string Text(int column) const;
    std::string Blob(int column) const;  // "" for NULL
    bool IsNull(int column) const;

private:
    LedgerDb& db_;
    sqlite3_stmt* statement_ = nullptr;
};

#endif
