// The registry store on SQLite. This file holds only OS-independent code: where
// a hive's file lives and how it is created is in the OS folder.
//
// Each operation opens its own connection and runs one transaction, so the
// store is safe for threads and processes alike and survives fork. The
// database is in WAL mode: a writer killed mid-transaction leaves only an
// uncommitted tail in the journal, which the next reader ignores. The journal
// files are kept between connections so that readers without write access to
// the hive's folder (the machine hive read by a user) can still open it.

#include "platform/registry_store.h"

#include <sqlite3.h>


#include "platform/last_error.h"

namespace platform::registry_store {
namespace {

// How long one attempt waits for another writer, and how many attempts a
// write makes before it reports the hive busy.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kAttempts = 3;
constexpr int kSchemaVersion = 1;

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
    "  parent INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  UNIQUE(parent, name));"
    "CREATE TABLE IF NOT EXISTS vals("
    "  key INTEGER NOT NULL,"
    "  name TEXT NOT NULL COLLATE NOCASE,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE(key, name));"
    "INSERT OR IGNORE INTO keys(id, parent, name) VALUES(1, 0, '');"
    "PRAGMA user_version = 1;";

bool isBusy(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

uint32_t statusOf(int rc, sqlite3* db) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE: return kErrorSuccess;
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return kErrorBusy;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH: return kErrorAccessDenied;
        case SQLITE_FULL: return kErrorDiskFull;
        case SQLITE_NOMEM: return kErrorOutOfMemory;
        case SQLITE_TOOBIG: return kErrorInvalidParameter;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB: return kErrorBadDb;
        case SQLITE_CANTOPEN: {
            const int err = db ? sqlite3_system_errno(db) : 0;
            return err ? win32ErrorFromErrno(err) : static_cast<uint32_t>(kErrorFileNotFound);
        }
        default: return kErrorRegistryIoFailed;
    }
}

[[noreturn]] void fail(int rc, sqlite3* db) { throw StoreError{statusOf(rc, db), isBusy(rc)}; }

class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
        if (rc != SQLITE_OK) fail(rc, db);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, int64_t value) {
        check(sqlite3_bind_int64(stmt_, index, value));
        return *this;
    }
    Statement& bind(int index, const std::string& text) {
        check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& bindBlob(int index, const void* data, size_t bytes) {
        // A zero-length blob still needs a non-null pointer to stay a blob.
        static const char empty = 0;
        check(sqlite3_bind_blob(stmt_, index, bytes ? data : &empty, static_cast<int>(bytes),
                                SQLITE_TRANSIENT));
        return *this;
    }
    // True for a row, false when done.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        fail(rc, db_);
    }
    int64_t integer(int column) { return sqlite3_column_int64(stmt_, column); }
    std::string text(int column) {
        const auto* chars = sqlite3_column_text(stmt_, column);
        return chars ? std::string(reinterpret_cast<const char*>(chars),
                                   static_cast<size_t>(sqlite3_column_bytes(stmt_, column)))
                     : std::string();
    }
    std::vector<uint8_t> blob(int column) {
        const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, column));
        const int size = sqlite3_column_bytes(stmt_, column);
        return bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
    }

private:
    void check(int rc) {
        if (rc != SQLITE_OK) fail(rc, db_);
    }
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

void exec(sqlite3* db, const char* sql) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail(rc, db);
}

class Connection {
public:
    ~Connection() { sqlite3_close_v2(db_); }
    sqlite3* db() const { return db_; }

    uint32_t open(const std::string& file, bool forWrite) {
        const int rc = sqlite3_open_v2(file.c_str(), &db_,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) return statusOf(rc, db_);
        sqlite3_extended_result_codes(db_, 1);
        sqlite3_busy_timeout(db_, kBusyTimeoutMs);
        int on = 1;
        sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &on);
        // Checkpoints happen as the journal grows; one per closed connection
        // would sync the disk on every operation.
        sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        if (forWrite && sqlite3_db_readonly(db_, "main") == 1) return kErrorAccessDenied;
        try {
            exec(db_, "PRAGMA synchronous = NORMAL");
            if (forWrite) useWriteAheadLog();
        } catch (const StoreError& error) {
            return error.status;
        }
        return kErrorSuccess;
    }

private:
    void useWriteAheadLog() {
        {
            Statement mode(db_, "PRAGMA journal_mode");
            if (mode.step() && mode.text(0) == "wal") return;
        }
        Statement change(db_, "PRAGMA journal_mode = WAL");
        change.step();
    }
    sqlite3* db_ = nullptr;
};

bool schemaPresent(sqlite3* db) {
    Statement version(db, "PRAGMA user_version");
    return version.step() && version.integer(0) >= kSchemaVersion;
}

void rollback(sqlite3* db) {
    if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

uint32_t runOnce(Connection& connection, bool forWrite,
                 const std::function<uint32_t(Transaction&)>& body) {
    sqlite3* db = connection.db();
    exec(db, forWrite ? "BEGIN IMMEDIATE" : "BEGIN");
    bool hasSchema = schemaPresent(db);
    if (forWrite && !hasSchema) {
        exec(db, kSchema);
        hasSchema = true;
    }
    Transaction transaction(db, hasSchema);
    const uint32_t status = body(transaction);
    if (status == kErrorSuccess) {
        exec(db, "COMMIT");
    } else {
        rollback(db);
    }
    return status;
}

uint32_t run(RegistryHive hive, bool forWrite, const std::function<uint32_t(Transaction&)>& body) {
    const std::string file = registryHiveFile(hive);
    if (!forWrite && !hiveFileExists(file)) {
        Transaction empty(nullptr, false);
        return body(empty);
    }
    if (forWrite) {
        if (const uint32_t status = prepareHiveFile(hive, file)) return status;
    }
    uint32_t status = kErrorBusy;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        Connection connection;
        if (const uint32_t opened = connection.open(file, forWrite)) {
            if (opened != kErrorBusy) return opened;
            continue;
        }
        try {
            return runOnce(connection, forWrite, body);
        } catch (const StoreError& error) {
            rollback(connection.db());
            status = error.status;
            if (!error.busy) return status;
        }
    }
    return status;
}

}  // namespace

bool Transaction::keyExists(int64_t id) {
    if (!hasSchema_) return id == kRootId;
    Statement query(db_, "SELECT 1 FROM keys WHERE id = ?1");
    return query.bind(1, id).step();
}

int64_t Transaction::findChild(int64_t parent, const std::string& name) {
    if (!hasSchema_) return 0;
    Statement query(db_, "SELECT id FROM keys WHERE parent = ?1 AND name = ?2");
    query.bind(1, parent).bind(2, name);
    return query.step() ? query.integer(0) : 0;
}

int64_t Transaction::insertChild(int64_t parent, const std::string& name) {
    Statement insert(db_, "INSERT INTO keys(parent, name) VALUES(?1, ?2)");
    insert.bind(1, parent).bind(2, name).step();
    return sqlite3_last_insert_rowid(db_);
}

bool Transaction::hasChildren(int64_t id) {
    if (!hasSchema_) return false;
    Statement query(db_, "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1");
    return query.bind(1, id).step();
}

bool Transaction::childAt(int64_t parent, uint32_t index, std::string& name) {
    if (!hasSchema_) return false;
    Statement query(db_, "SELECT name FROM keys WHERE parent = ?1 ORDER BY name LIMIT 1 OFFSET ?2");
    query.bind(1, parent).bind(2, static_cast<int64_t>(index));
    if (!query.step()) return false;
    name = query.text(0);
    return true;
}

bool Transaction::findValue(int64_t key, const std::string& name, StoredValue& value) {
    if (!hasSchema_) return false;
    Statement query(db_, "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2");
    query.bind(1, key).bind(2, name);
    if (!query.step()) return false;
    value.type = static_cast<uint32_t>(query.integer(0));
    value.data = query.blob(1);
    return true;
}

void Transaction::storeValue(int64_t key, const std::string& name, uint32_t type,
                             const void* data, size_t bytes) {
    // The first spelling of a name stays, as does its place in the value order.
    Statement upsert(db_,
                     "INSERT INTO vals(key, name, type, data) VALUES(?1, ?2, ?3, ?4) "
                     "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, "
                     "data = excluded.data");
    upsert.bind(1, key).bind(2, name).bind(3, static_cast<int64_t>(type)).bindBlob(4, data, bytes);
    upsert.step();
}

bool Transaction::removeValue(int64_t key, const std::string& name) {
    if (!hasSchema_) return false;
    Statement remove(db_, "DELETE FROM vals WHERE key = ?1 AND name = ?2");
    remove.bind(1, key).bind(2, name).step();
    return sqlite3_changes(db_) > 0;
}

bool Transaction::valueAt(int64_t key, uint32_t index, std::string& name, uint32_t& type) {
    if (!hasSchema_) return false;
    Statement query(db_,
                    "SELECT name, type FROM vals WHERE key = ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
    query.bind(1, key).bind(2, static_cast<int64_t>(index));
    if (!query.step()) return false;
    name = query.text(0);
    type = static_cast<uint32_t>(query.integer(1));
    return true;
}

void Transaction::removeTree(int64_t id) {
    const char* const subtree =
        "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "
        "SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id) ";
    Statement values(db_, (std::string(subtree) + "DELETE FROM vals WHERE key IN sub").c_str());
    values.bind(1, id).step();
    Statement keys(db_, (std::string(subtree) + "DELETE FROM keys WHERE id IN sub").c_str());
    keys.bind(1, id).step();
}

uint32_t readHive(RegistryHive hive, const std::function<uint32_t(Transaction&)>& body) {
    return run(hive, false, body);
}

uint32_t writeHive(RegistryHive hive, const std::function<uint32_t(Transaction&)>& body) {
    return run(hive, true, body);
}

uint32_t checkpointHive(RegistryHive hive) {
    const std::string file = registryHiveFile(hive);
    if (!hiveFileExists(file)) return kErrorSuccess;
    Connection connection;
    if (const uint32_t status = connection.open(file, false)) return status;
    try {
        exec(connection.db(), "PRAGMA wal_checkpoint(PASSIVE)");
    } catch (const StoreError& error) {
        return error.status;
    }
    return kErrorSuccess;
}

}  // namespace platform::registry_store

namespace platform {

bool registryHiveIntact(RegistryHive hive) {
    const std::string file = registryHiveFile(hive);
    if (!registry_store::hiveFileExists(file)) return true;
    registry_store::Connection connection;
    if (connection.open(file, false) != kErrorSuccess) return false;
    try {
        registry_store::Statement check(connection.db(), "PRAGMA integrity_check");
        return check.step() && check.text(0) == "ok";
    } catch (const registry_store::StoreError&) {
        return false;
    }
}

}  // namespace platform
