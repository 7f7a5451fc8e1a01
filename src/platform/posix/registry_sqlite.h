#pragma once
// SQLite pieces of the registry store: statements, connections and the pool of
// open connections. Only the store's own files include this.

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/posix/registry_store.h"
#include "platform/registry.h"

namespace platform::registry_store {

uint32_t statusOf(int rc, sqlite3* db);
[[noreturn]] void fail(int rc, sqlite3* db);
void exec(sqlite3* db, const char* sql);

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, int64_t value);
    Statement& bind(int index, const std::string& text);
    Statement& bindBlob(int index, const void* data, size_t bytes);
    // True for a row, false when done.
    bool step();
    int64_t integer(int column) { return sqlite3_column_int64(stmt_, column); }
    std::string text(int column);
    std::vector<uint8_t> blob(int column);

private:
    void check(int rc) {
        if (rc != SQLITE_OK) fail(rc, db_);
    }
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

class Connection {
public:
    ~Connection() { sqlite3_close_v2(db_); }
    sqlite3* db() const { return db_; }
    const std::string& file() const { return file_; }

    uint32_t open(const std::string& file);
    // Whether this connection may write; the first time also puts the
    // database into WAL mode, waiting up to the busy time-out for that.
    uint32_t prepareForWriting();

private:
    bool inWalMode();

    sqlite3* db_ = nullptr;
    std::string file_;
    bool walChecked_ = false;
};

// Open connections kept between operations: opening one costs a recovery pass
// over the journal, which grows with the hive's recent writes. A connection
// is used by one operation at a time.
std::unique_ptr<Connection> takeConnection(RegistryHive hive, const std::string& file,
                                           uint32_t& status);
void returnConnection(RegistryHive hive, std::unique_ptr<Connection> connection);

// Around fork: the pool is locked and its idle connections closed before, and
// unlocked after, in parent and child alike. A child must never use a database
// connection it inherited.
void lockPoolAndCloseIdle();
void unlockPool();
// Registers the three with the OS (once per process).
void installForkHandlers(void (*prepare)(), void (*parent)(), void (*child)());

}  // namespace platform::registry_store
