// Open registry keys and their Win32-shaped operations over the SQLite store:
// a key is the id of its row, and the store's transactions do all the work.

#include <cstring>

#include "platform/last_error.h"
#include "platform/posix/registry_store.h"
#include "platform/registry.h"

namespace platform {

// Ids are never reused, so a key deleted by someone else stays unreachable.
struct RegistryKey::Handle {
    int64_t id;
};

namespace {

using registry_store::kRootId;
using registry_store::StoredValue;
using registry_store::Transaction;

// The key names of a sub-path; false when one is empty or too long (an empty
// sub-path has no names and means the key itself).
bool splitPath(const std::string& subPath, std::vector<std::string>& names) {
    names.clear();
    if (subPath.empty()) return true;
    size_t start = 0;
    while (true) {
        const size_t end = subPath.find('\\', start);
        const std::string name = subPath.substr(start, end - start);
        if (name.empty() || name.size() > kMaxKeyNameLength) return false;
        names.push_back(name);
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

std::string joinNames(const std::vector<std::string>& names) {
    std::string path;
    for (const auto& name : names) path += (path.empty() ? "" : "\\") + name;
    return path;
}

// Walks down from a key; 0 when a name on the way is missing.
int64_t findPath(Transaction& transaction, int64_t from, const std::vector<std::string>& names) {
    int64_t id = from;
    for (const auto& name : names) {
        id = transaction.findChild(id, name);
        if (id == 0) return 0;
    }
    return id;
}

bool validValueName(const std::string& name) {
    return name.size() <= kMaxValueNameLength;
}

// Status for a missing value or item: the key itself may be the one missing.
uint32_t missingStatus(Transaction& transaction, int64_t key, uint32_t whenKeyExists) {
    return transaction.keyExists(key) ? whenKeyExists : static_cast<uint32_t>(kErrorKeyDeleted);
}

}  // namespace

const RegistryKey& RegistryKey::root(RegistryHive hive) {
    static const RegistryKey currentUser(RegistryHive::CurrentUser, "", kKeyReadWrite,
                                         std::make_unique<Handle>(Handle{kRootId}));
    static const RegistryKey localMachine(RegistryHive::LocalMachine, "", kKeyReadWrite,
                                          std::make_unique<Handle>(Handle{kRootId}));
    return hive == RegistryHive::CurrentUser ? currentUser : localMachine;
}

RegistryKey::RegistryKey(RegistryHive hive, std::string path, uint32_t access,
                         std::unique_ptr<Handle> handle)
    : hive_(hive), path_(std::move(path)), access_(access), handle_(std::move(handle)) {}

// A stored key has nothing open to close: every operation opens the hive anew.
RegistryKey::~RegistryKey() = default;

uint32_t RegistryKey::createKey(const std::string& subPath, uint32_t access,
                                std::unique_ptr<RegistryKey>& key, bool* created) const {
    std::vector<std::string> names;
    if (!splitPath(subPath, names)) return kErrorInvalidParameter;
    // A key opened for reading only needs no write to the hive when it exists.
    if (!(access & kKeyWrite) && openKey(subPath, access, key) == kErrorSuccess) {
        if (created) *created = false;
        return kErrorSuccess;
    }
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    int64_t id = 0;
    bool made = false;
    const uint32_t status = registry_store::writeHive(hive_, [&](Transaction& transaction) {
        made = false;
        if (!transaction.keyExists(handle_->id)) return static_cast<uint32_t>(kErrorKeyDeleted);
        id = handle_->id;
        for (const auto& name : names) {
            int64_t child = transaction.findChild(id, name);
            if (child == 0) {
                child = transaction.insertChild(id, name);
                made = true;
            }
            id = child;
        }
        return static_cast<uint32_t>(kErrorSuccess);
    });
    if (status != kErrorSuccess) return status;
    key.reset(new RegistryKey(hive_, childPath(joinNames(names)), access,
                              std::make_unique<Handle>(Handle{id})));
    if (created) *created = made;
    return kErrorSuccess;
}

uint32_t RegistryKey::openKey(const std::string& subPath, uint32_t access,
                              std::unique_ptr<RegistryKey>& key) const {
    std::vector<std::string> names;
    if (!splitPath(subPath, names)) return kErrorInvalidParameter;
    if ((access & kKeyWrite) && !registry_store::hiveWritable(hive_)) return kErrorAccessDenied;
    int64_t id = 0;
    const uint32_t status = registry_store::readHive(hive_, [&](Transaction& transaction) {
        if (!transaction.keyExists(handle_->id)) return static_cast<uint32_t>(kErrorKeyDeleted);
        id = findPath(transaction, handle_->id, names);
        return static_cast<uint32_t>(id ? kErrorSuccess : kErrorFileNotFound);
    });
    if (status != kErrorSuccess) return status;
    key.reset(new RegistryKey(hive_, childPath(joinNames(names)), access,
                              std::make_unique<Handle>(Handle{id})));
    return kErrorSuccess;
}

uint32_t RegistryKey::setValue(const std::string& name, uint32_t type, const void* data,
                               size_t bytes) const {
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    if (!validValueName(name) || bytes > kMaxValueDataBytes || (bytes && !data))
        return kErrorInvalidParameter;
    return registry_store::writeHive(hive_, [&](Transaction& transaction) {
        if (!transaction.keyExists(handle_->id)) return static_cast<uint32_t>(kErrorKeyDeleted);
        transaction.storeValue(handle_->id, name, type, data, bytes);
        return static_cast<uint32_t>(kErrorSuccess);
    });
}

uint32_t RegistryKey::queryValue(const std::string& name, uint32_t& type,
                                 std::vector<uint8_t>& data) const {
    if (!(access_ & kKeyRead)) return kErrorAccessDenied;
    if (!validValueName(name)) return kErrorFileNotFound;
    StoredValue value;
    const uint32_t status = registry_store::readHive(hive_, [&](Transaction& transaction) {
        if (transaction.findValue(handle_->id, name, value))
            return static_cast<uint32_t>(kErrorSuccess);
        return missingStatus(transaction, handle_->id, kErrorFileNotFound);
    });
    if (status != kErrorSuccess) return status;
    type = value.type;
    data = std::move(value.data);
    return kErrorSuccess;
}

uint32_t RegistryKey::deleteValue(const std::string& name) const {
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    if (!validValueName(name)) return kErrorFileNotFound;
    return registry_store::writeHive(hive_, [&](Transaction& transaction) {
        if (transaction.removeValue(handle_->id, name)) return static_cast<uint32_t>(kErrorSuccess);
        return missingStatus(transaction, handle_->id, kErrorFileNotFound);
    });
}

uint32_t RegistryKey::enumKey(uint32_t index, std::string& name) const {
    if (!(access_ & kKeyRead)) return kErrorAccessDenied;
    return registry_store::readHive(hive_, [&](Transaction& transaction) {
        if (transaction.childAt(handle_->id, index, name))
            return static_cast<uint32_t>(kErrorSuccess);
        return missingStatus(transaction, handle_->id, kErrorNoMoreItems);
    });
}

uint32_t RegistryKey::enumValue(uint32_t index, std::string& name, uint32_t* type) const {
    if (!(access_ & kKeyRead)) return kErrorAccessDenied;
    uint32_t found = kRegNone;
    const uint32_t status = registry_store::readHive(hive_, [&](Transaction& transaction) {
        if (transaction.valueAt(handle_->id, index, name, found))
            return static_cast<uint32_t>(kErrorSuccess);
        return missingStatus(transaction, handle_->id, kErrorNoMoreItems);
    });
    if (status == kErrorSuccess && type) *type = found;
    return status;
}

uint32_t RegistryKey::deleteKey(const std::string& subPath) const {
    std::vector<std::string> names;
    if (!splitPath(subPath, names) || names.empty()) return kErrorInvalidParameter;
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    return registry_store::writeHive(hive_, [&](Transaction& transaction) {
        if (!transaction.keyExists(handle_->id)) return static_cast<uint32_t>(kErrorKeyDeleted);
        const int64_t id = findPath(transaction, handle_->id, names);
        if (id == 0) return static_cast<uint32_t>(kErrorFileNotFound);
        // As on Windows: a key with subkeys cannot be deleted on its own.
        if (transaction.hasChildren(id)) return static_cast<uint32_t>(kErrorAccessDenied);
        transaction.removeTree(id);
        return static_cast<uint32_t>(kErrorSuccess);
    });
}

uint32_t RegistryKey::deleteTree(const std::string& subPath) const {
    std::vector<std::string> names;
    // An empty sub-path would remove this key itself, or a whole hive: refused.
    if (!splitPath(subPath, names) || names.empty()) return kErrorInvalidParameter;
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    return registry_store::writeHive(hive_, [&](Transaction& transaction) {
        if (!transaction.keyExists(handle_->id)) return static_cast<uint32_t>(kErrorKeyDeleted);
        const int64_t id = findPath(transaction, handle_->id, names);
        if (id == 0) return static_cast<uint32_t>(kErrorFileNotFound);
        transaction.removeTree(id);
        return static_cast<uint32_t>(kErrorSuccess);
    });
}

uint32_t RegistryKey::flush() const {
    return registry_store::checkpointHive(hive_);
}

}  // namespace platform
