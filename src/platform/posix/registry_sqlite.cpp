// SQLite statements, connections and the connection pool of the registry
// store. The fork handlers are installed next to the hive files.

#include "platform/posix/registry_sqlite.h"

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/last_error.h"
#include "platform/posix/errno_error.h"

namespace platform::registry_store {
namespace {

// How long a statement waits for another process's transaction.
constexpr int kBusyTimeoutMs = 5000;
// Idle connections kept per hive: enough for the launcher's worker threads.
constexpr size_t kMaxIdleConnections = 8;

bool isBusy(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

struct Pool {
    std::mutex lock;
    std::vector<std::unique_ptr<Connection>> idle[2];
};

Pool& pool() {
    // Never destroyed: connections may still be returned while statics die.
    static Pool* instance = [] {
        auto* created = new Pool;
        installForkHandlers(lockPoolAndCloseIdle, unlockPool, unlockPool);
        return created;
    }();
    return *instance;
}

int slotOf(RegistryHive hive) {
    return hive == RegistryHive::CurrentUser ? 0 : 1;
}

}  // namespace

uint32_t statusOf(int rc, sqlite3* db) {
    switch (rc & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return kErrorSuccess;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return kErrorBusy;
        case SQLITE_READONLY:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return kErrorAccessDenied;
        case SQLITE_FULL:
            return kErrorDiskFull;
        case SQLITE_NOMEM:
            return kErrorOutOfMemory;
        case SQLITE_TOOBIG:
            return kErrorInvalidParameter;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return kErrorBadDb;
        case SQLITE_CANTOPEN: {
            const int err = db ? sqlite3_system_errno(db) : 0;
            return err ? win32ErrorFromErrno(err) : static_cast<uint32_t>(kErrorFileNotFound);
        }
        default:
            return kErrorRegistryIoFailed;
    }
}

void fail(int rc, sqlite3* db) {
    throw StoreError{statusOf(rc, db), isBusy(rc)};
}

void exec(sqlite3* db, const char* sql) {
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) fail(rc, db);
}

Statement::Statement(sqlite3* db, const char* sql) : db_(db) {
    const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK) fail(rc, db);
}

Statement& Statement::bind(int index, int64_t value) {
    check(sqlite3_bind_int64(stmt_, index, value));
    return *this;
}

Statement& Statement::bind(int index, const std::string& text) {
    check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                            SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bindBlob(int index, const void* data, size_t bytes) {
    // A zero-length blob still needs a non-null pointer to stay a blob.
    static const char empty = 0;
    check(sqlite3_bind_blob(stmt_, index, bytes ? data : &empty, static_cast<int>(bytes),
                            SQLITE_TRANSIENT));
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    fail(rc, db_);
}

std::string Statement::text(int column) {
    const auto* chars = sqlite3_column_text(stmt_, column);
    if (!chars) return {};
    return std::string(reinterpret_cast<const char*>(chars),
                       static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::vector<uint8_t> Statement::blob(int column) {
    const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, column));
    const int size = sqlite3_column_bytes(stmt_, column);
    return bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

uint32_t Connection::open(const std::string& file) {
    file_ = file;
    // Opened read-write when the file allows it, else read-only (a user
    // reading the machine hive).
    const int rc =
        sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) return statusOf(rc, db_);
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    // The journal files stay when the last connection closes, so that readers
    // without write access to the folder can still open the hive.
    int on = 1;
    sqlite3_file_control(db_, "main", SQLITE_FCNTL_PERSIST_WAL, &on);
    try {
        exec(db_, "PRAGMA synchronous = NORMAL");
    } catch (const StoreError& error) {
        return error.status;
    }
    return kErrorSuccess;
}

bool Connection::inWalMode() {
    Statement mode(db_, "PRAGMA journal_mode");
    return mode.step() && mode.text(0) == "wal";
}

// Switching a new hive to WAL needs the file alone, and SQLite answers busy
// at once, without its busy handler, while another process is in the middle
// of the same switch or its first transaction: the wait is here, as long as
// a statement would wait.
uint32_t Connection::prepareForWriting() {
    if (sqlite3_db_readonly(db_, "main") == 1) return kErrorAccessDenied;
    if (walChecked_) return kErrorSuccess;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (;;) {
        try {
            if (!inWalMode()) {
                Statement mode(db_, "PRAGMA journal_mode = WAL");
                if (mode.step() && mode.text(0) == "wal") walChecked_ = true;
            } else {
                walChecked_ = true;
            }
            if (walChecked_) return kErrorSuccess;
        } catch (const StoreError& error) {
            if (!error.busy) return error.status;
        }
        if (std::chrono::steady_clock::now() >= deadline) return kErrorBusy;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::unique_ptr<Connection> takeConnection(RegistryHive hive, const std::string& file,
                                           uint32_t& status) {
    {
        Pool& shared = pool();
        std::lock_guard guard(shared.lock);
        auto& idle = shared.idle[slotOf(hive)];
        // The hive moved (another home in a test): its old connections go.
        if (!idle.empty() && idle.back()->file() != file) idle.clear();
        if (!idle.empty()) {
            std::unique_ptr<Connection> connection = std::move(idle.back());
            idle.pop_back();
            status = kErrorSuccess;
            return connection;
        }
    }
    auto connection = std::make_unique<Connection>();
    status = connection->open(file);
    return connection;
}

void returnConnection(RegistryHive hive, std::unique_ptr<Connection> connection) {
    Pool& shared = pool();
    std::lock_guard guard(shared.lock);
    auto& idle = shared.idle[slotOf(hive)];
    if (!idle.empty() && idle.back()->file() != connection->file()) idle.clear();
    if (idle.size() < kMaxIdleConnections) idle.push_back(std::move(connection));
}

void lockPoolAndCloseIdle() {
    Pool& shared = pool();
    shared.lock.lock();
    for (auto& idle : shared.idle) idle.clear();
}

void unlockPool() {
    pool().lock.unlock();
}

}  // namespace platform::registry_store
