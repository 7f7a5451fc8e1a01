// The registry store on SQLite: transactions over a hive's database. Where a
// hive's file lives and how it is created is in registry_hive_posix.cpp.
//
// Each operation runs as one transaction on a connection of its own (taken
// from a pool), so the store is safe for threads and processes alike. The
// database is in WAL mode: a writer killed mid-transaction leaves only an
// uncommitted tail in the journal, which the next reader ignores.

#include "platform/posix/registry_store.h"

#include "platform/last_error.h"
#include "platform/posix/registry_hive.h"
#include "platform/posix/registry_sqlite.h"

namespace platform::registry_store {
namespace {

// How many times a write tries again when other writers held the hive for
// longer than the busy time-out.
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
        std::unique_ptr<Connection> connection = takeConnection(hive, file, status);
        if (status == kErrorSuccess && forWrite) status = connection->prepareForWriting();
        if (status != kErrorSuccess) {
            if (status != kErrorBusy) return status;
            continue;
        }
        try {
            status = runOnce(*connection, forWrite, body);
            returnConnection(hive, std::move(connection));
            return status;
        } catch (const StoreError& error) {
            rollback(connection->db());
            status = error.status;
            // Only a connection that merely waited too long is worth keeping.
            if (!error.busy) return status;
            returnConnection(hive, std::move(connection));
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

void Transaction::storeValue(int64_t key, const std::string& name, uint32_t type, const void* data,
                             size_t bytes) {
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
    uint32_t status = kErrorSuccess;
    std::unique_ptr<Connection> connection = takeConnection(hive, file, status);
    if (status != kErrorSuccess) return status;
    try {
        exec(connection->db(), "PRAGMA wal_checkpoint(PASSIVE)");
    } catch (const StoreError& error) {
        return error.status;
    }
    returnConnection(hive, std::move(connection));
    return kErrorSuccess;
}

}  // namespace platform::registry_store

namespace platform {

bool registryHiveIntact(RegistryHive hive) {
    using namespace registry_store;
    const std::string file = registryHiveFile(hive);
    if (!hiveFileExists(file)) return true;
    Connection connection;
    if (connection.open(file) != kErrorSuccess) return false;
    try {
        Statement check(connection.db(), "PRAGMA integrity_check");
        return check.step() && check.text(0) == "ok";
    } catch (const StoreError&) {
        return false;
    }
}

}  // namespace platform
