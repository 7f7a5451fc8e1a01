#pragma once
// Inside the registry store: every operation is one transaction on a
// connection of its own. Only the registry's own files include this.
//
// Tables: keys(id, parent, name) with the hive's root as id 1, and
// vals(key, name, type, data). Ids are never reused, so a handle to a deleted
// key can never reach a new key of the same name.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry.h"

struct sqlite3;

namespace platform::registry_store {

constexpr int64_t kRootId = 1;

// A failed SQLite call inside an operation, already mapped to a Win32 status.
struct StoreError {
    uint32_t status;
    bool busy;
};

struct StoredValue {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
};

// The statements of one transaction. Every call throws StoreError on failure.
class Transaction {
public:
    explicit Transaction(sqlite3* db, bool hasSchema) : db_(db), hasSchema_(hasSchema) {}

    bool keyExists(int64_t id);
    // The child's id, or 0 when there is none.
    int64_t findChild(int64_t parent, const std::string& name);
    int64_t insertChild(int64_t parent, const std::string& name);
    bool hasChildren(int64_t id);
    // The index-th child name in case-insensitive order; false past the end.
    bool childAt(int64_t parent, uint32_t index, std::string& name);

    bool findValue(int64_t key, const std::string& name, StoredValue& value);
    void storeValue(int64_t key, const std::string& name, uint32_t type, const void* data,
                    size_t bytes);
    // False when there was no such value.
    bool removeValue(int64_t key, const std::string& name);
    bool valueAt(int64_t key, uint32_t index, std::string& name, uint32_t& type);

    void removeTree(int64_t id);

private:
    sqlite3* db_;
    bool hasSchema_;
};

// Runs body in a read transaction of the hive. A hive without a database reads
// as an empty hive that holds only its root.
uint32_t readHive(RegistryHive hive, const std::function<uint32_t(Transaction&)>& body);
// Runs body in a write transaction (created with the hive when needed); the
// transaction commits only when body answers success. Retries when other
// writers hold the hive for longer than the busy time-out.
uint32_t writeHive(RegistryHive hive, const std::function<uint32_t(Transaction&)>& body);
// Copies the hive's journal into its database and syncs both.
uint32_t checkpointHive(RegistryHive hive);

// Prepares the folder and the empty database file of a hive that is about to
// be written, with the access rights the hive needs. Win32 status.
uint32_t prepareHiveFile(RegistryHive hive, const std::string& file);
bool hiveFileExists(const std::string& file);
// Whether this process may write the hive (or create it).
bool hiveWritable(RegistryHive hive);

}  // namespace platform::registry_store
