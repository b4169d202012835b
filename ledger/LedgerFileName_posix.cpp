// A ledger's path as SQLite opens it: on POSIX systems the bytes as given.
#include "LedgerStore.h"

std::string LedgerFileName(const std::string& path) { return path; }
