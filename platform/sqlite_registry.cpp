#include "platform/sqlite_registry.h"

#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace vk::platform {
namespace {

// Marks the file as ours, so that another SQLite database given by mistake is
// refused rather than altered ("VKRG").
constexpr int kApplicationId = 0x564B5247;
constexpr int kSchemaVersion = 1;

constexpr std::size_t kMaxKeyNameLength = 255;
constexpr std::size_t kMaxValueNameLength = 16383;

// A writer holds the store for microseconds per call; the timeout only
// matters when another process deletes a large tree or is stuck. Some busy
// states are reported without waiting (a reader meeting a checkpoint, a
// recovering WAL), so a whole call is also retried a few times.
constexpr int kBusyTimeoutMilliseconds = 10000;
constexpr int kBusyAttempts = 8;

constexpr const char* kSchema = R"(
CREATE TABLE registry_keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name BLOB NOT NULL,
  folded BLOB NOT NULL,
  UNIQUE(parent, folded));
CREATE TABLE registry_values(
  id INTEGER PRIMARY KEY,
  key INTEGER NOT NULL,
  name BLOB NOT NULL,
  folded BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  UNIQUE(key, folded));
CREATE INDEX registry_values_in_order ON registry_values(key, id);
INSERT INTO registry_keys(id, parent, name, folded) VALUES
  (1, NULL, CAST('HKEY_CLASSES_ROOT' AS BLOB), CAST('HKEY_CLASSES_ROOT' AS BLOB)),
  (2, NULL, CAST('HKEY_CURRENT_USER' AS BLOB), CAST('HKEY_CURRENT_USER' AS BLOB)),
  (3, NULL, CAST('HKEY_LOCAL_MACHINE' AS BLOB), CAST('HKEY_LOCAL_MACHINE' AS BLOB));
PRAGMA application_id = 1447776839;
PRAGMA user_version = 1;
)";
static_assert(kApplicationId == 1447776839);

// Key ids of the roots, fixed by the schema. Ids come from AUTOINCREMENT and
// are never reused, so a handle to a deleted key can never reach a new one.
std::int64_t RootId(HKEY key) {
  if (key == HKEY_CLASSES_ROOT) return 1;
  if (key == HKEY_CURRENT_USER) return 2;
  if (key == HKEY_LOCAL_MACHINE) return 3;
  return 0;
}

std::string Fold(std::string_view name) { return RegistryNameUpperCase(name); }

// The "A" functions take C strings: anything after a zero byte is not part
// of the name.
std::string_view CutAtZero(std::string_view text) {
  std::size_t zero = text.find('\0');
  return zero == std::string_view::npos ? text : text.substr(0, zero);
}

LSTATUS SplitPath(std::string_view path, std::vector<std::string_view>* names) {
  names->clear();
  path = CutAtZero(path);
  if (path.empty()) return ERROR_SUCCESS;
  if (path.back() == '\\') path.remove_suffix(1);
  if (path.empty() || path.front() == '\\') return ERROR_BAD_PATHNAME;
  while (true) {
    std::size_t separator = path.find('\\');
    std::string_view name = path.substr(0, separator);
    if (name.empty()) return ERROR_BAD_PATHNAME;
    if (name.size() > kMaxKeyNameLength) return ERROR_INVALID_PARAMETER;
    names->push_back(name);
    if (separator == std::string_view::npos) break;
    path.remove_prefix(separator + 1);
  }
  return ERROR_SUCCESS;
}

LSTATUS StatusOf(int sqliteCode) {
  switch (sqliteCode & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ERROR_BUSY;
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_FULL:
      return ERROR_DISK_FULL;
    case SQLITE_CORRUPT:
      return ERROR_REGISTRY_CORRUPT;
    case SQLITE_NOTADB:
      return ERROR_BADDB;
    case SQLITE_CANTOPEN:
      return ERROR_CANTOPEN;
    case SQLITE_TOOBIG:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_REGISTRY_IO_FAILED;
  }
}

bool IsBusy(int sqliteCode) {
  int primary = sqliteCode & 0xFF;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

// A failure of the database inside a call. It never leaves this file: the
// transaction runner turns it into a result code.
struct StoreFailure {
  int code;
  std::string message;
};

// Makes a failure that is not the database's own (a file that is not ours).
struct StoreRefusal {
  LSTATUS status;
  std::string message;
};

[[noreturn]] void Fail(sqlite3* db, int code) { throw StoreFailure{code, sqlite3_errmsg(db)}; }

// A cached prepared statement, reset when the use ends.
class Statement {
 public:
  explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}
  ~Statement() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::int64_t number) {
    Check(sqlite3_bind_int64(statement_, index, number));
    return *this;
  }
  // Names and data are bytes, never text: Windows-1252 is not UTF-8.
  Statement& Bind(int index, std::string_view bytes) {
    // A null pointer would bind NULL rather than an empty blob.
    const char* data = bytes.empty() ? "" : bytes.data();
    Check(sqlite3_bind_blob64(statement_, index, data, bytes.size(), SQLITE_TRANSIENT));
    return *this;
  }
  // True while there is a row.
  bool Step() {
    int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    Fail(sqlite3_db_handle(statement_), code);
  }
  std::int64_t Integer(int column) { return sqlite3_column_int64(statement_, column); }
  std::string Bytes(int column) {
    const void* data = sqlite3_column_blob(statement_, column);
    int size = sqlite3_column_bytes(statement_, column);
    if (data == nullptr || size <= 0) return {};
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
  }

 private:
  void Check(int code) {
    if (code != SQLITE_OK) Fail(sqlite3_db_handle(statement_), code);
  }
  sqlite3_stmt* statement_;
};

class SqliteRegistry final : public Registry {
 public:
  explicit SqliteRegistry(const std::filesystem::path& file);
  ~SqliteRegistry() override;
  SqliteRegistry(const SqliteRegistry&) = delete;
  SqliteRegistry& operator=(const SqliteRegistry&) = delete;

  LSTATUS RegCreateKeyA(HKEY key, std::string_view subKey, HKEY* result) override;
  LSTATUS RegOpenKeyA(HKEY key, std::string_view subKey, HKEY* result) override;
  LSTATUS RegCloseKey(HKEY key) override;
  LSTATUS RegSetValueA(HKEY key, std::string_view subKey, std::uint32_t type,
                       std::string_view data) override;
  LSTATUS RegSetValueExA(HKEY key, std::string_view valueName, std::uint32_t reserved,
                         std::uint32_t type, const void* data, std::uint32_t size) override;
  LSTATUS RegQueryValueExA(HKEY key, std::string_view valueName, RegistryValue* value) override;
  LSTATUS RegQueryInfoKeyA(HKEY key, std::uint32_t* subKeyCount,
                           std::uint32_t* valueCount) override;
  LSTATUS RegEnumKeyA(HKEY key, std::uint32_t index, std::string* name) override;
  LSTATUS RegEnumValueA(HKEY key, std::uint32_t index, std::string* name,
                        RegistryValue* value) override;
  LSTATUS EnumerateSubKeys(HKEY key, std::vector<std::string>* names) override;
  LSTATUS EnumerateValues(HKEY key, std::vector<NamedRegistryValue>* values) override;
  LSTATUS RegDeleteValueA(HKEY key, std::string_view valueName) override;
  LSTATUS RegDeleteKeyA(HKEY key, std::string_view subKey) override;
  LSTATUS RegDeleteTreeA(HKEY key, std::string_view subKey) override;
  std::string LastStoreMessage() const override;

 private:
  enum class Access { kRead, kWrite };
  enum class Missing { kFail, kCreate };

  void Open(const std::filesystem::path& file);
  void PrepareSchema();
  void Execute(const char* sql);
  void RollBackIfOpen();
  Statement Prepare(const char* sql);

  // Runs body as one transaction, retried while the store is busy. Call with
  // mutex_ held.
  template <typename Body>
  LSTATUS Run(Access access, Body&& body);

  // Inside a transaction: the live key a handle names.
  LSTATUS KeyId(HKEY key, std::int64_t* id);
  // Inside a transaction: the key at path below the live key a handle names.
  LSTATUS Walk(HKEY key, const std::vector<std::string_view>& names, Missing missing,
               std::int64_t* id);
  void SetValue(std::int64_t key, std::string_view name, std::uint32_t type, std::string_view data);
  void DeleteSubtree(std::int64_t key, bool keepKey);

  HKEY NewHandle(std::int64_t id);

  mutable std::mutex mutex_;
  sqlite3* db_ = nullptr;
  LSTATUS openStatus_ = ERROR_SUCCESS;
  std::string lastMessage_;
  std::string fileName_;
  std::map<const char*, sqlite3_stmt*> statements_;
  std::map<std::uint32_t, std::int64_t> handles_;
  std::uint32_t nextHandle_ = 1;
};

SqliteRegistry::SqliteRegistry(const std::filesystem::path& file) : fileName_(file.string()) {
  try {
    Open(file);
  } catch (const StoreFailure& failure) {
    openStatus_ = StatusOf(failure.code);
    if (openStatus_ == ERROR_BUSY || openStatus_ == ERROR_REGISTRY_IO_FAILED) {
      openStatus_ = ERROR_CANTOPEN;
    }
    lastMessage_ = fileName_ + ": " + failure.message;
  } catch (const StoreRefusal& refusal) {
    openStatus_ = refusal.status;
    lastMessage_ = fileName_ + ": " + refusal.message;
  }
  if (openStatus_ != ERROR_SUCCESS && db_ != nullptr) {
    for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
    statements_.clear();
    sqlite3_close(db_);
    db_ = nullptr;
  }
}

SqliteRegistry::~SqliteRegistry() {
  for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
  if (db_ != nullptr) sqlite3_close(db_);
}

void SqliteRegistry::Open(const std::filesystem::path& file) {
  int code =
      sqlite3_open_v2(file.c_str(), &db_,
                      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (code != SQLITE_OK) {
    std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(code);
    throw StoreFailure{code, message};
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMilliseconds);
  for (int attempt = 1;; ++attempt) {
    try {
      PrepareSchema();
      return;
    } catch (const StoreFailure& failure) {
      RollBackIfOpen();
      if (!IsBusy(failure.code) || attempt == kBusyAttempts) throw;
      std::this_thread::sleep_for(std::chrono::milliseconds(10 * attempt));
    }
  }
}

void SqliteRegistry::PrepareSchema() {
  // WAL lets readers go on while one process writes; NORMAL synchronisation
  // in WAL mode still never tears the store, a power cut may only lose the
  // last calls. A store on a read-only medium stays in its journal mode.
  char* error = nullptr;
  int code = sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, &error);
  sqlite3_free(error);
  int primary = code & 0xFF;
  if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT || IsBusy(code)) Fail(db_, code);
  Execute("PRAGMA synchronous=NORMAL");

  auto readHeader = [this](std::int64_t* applicationId, std::int64_t* version,
                           std::int64_t* tables) {
    sqlite3_stmt* raw = nullptr;
    const char* sql =
        "SELECT (SELECT application_id FROM pragma_application_id),"
        " (SELECT user_version FROM pragma_user_version),"
        " (SELECT count(*) FROM sqlite_schema)";
    int prepared = sqlite3_prepare_v2(db_, sql, -1, &raw, nullptr);
    if (prepared != SQLITE_OK) Fail(db_, prepared);
    int stepped = sqlite3_step(raw);
    if (stepped != SQLITE_ROW) {
      sqlite3_finalize(raw);
      Fail(db_, stepped);
    }
    *applicationId = sqlite3_column_int64(raw, 0);
    *version = sqlite3_column_int64(raw, 1);
    *tables = sqlite3_column_int64(raw, 2);
    sqlite3_finalize(raw);
  };

  std::int64_t applicationId = 0, version = 0, tables = 0;
  Execute("BEGIN");
  readHeader(&applicationId, &version, &tables);
  Execute("COMMIT");
  if (applicationId == 0 && version == 0 && tables == 0) {
    // A new store. Another process may be creating it at the same moment, so
    // look again once the write lock is held.
    Execute("BEGIN IMMEDIATE");
    readHeader(&applicationId, &version, &tables);
    if (applicationId == 0 && version == 0 && tables == 0) {
      Execute(kSchema);
      applicationId = kApplicationId;
      version = kSchemaVersion;
    }
    Execute("COMMIT");
  }
  if (applicationId != kApplicationId) {
    throw StoreRefusal{ERROR_BADDB, "not a registry store (another SQLite database)"};
  }
  if (version > kSchemaVersion) {
    throw StoreRefusal{ERROR_BADDB,
                       "the registry store was written by a newer velmor-kit (format " +
                           std::to_string(version) + ")"};
  }
}

void SqliteRegistry::Execute(const char* sql) {
  char* error = nullptr;
  int code = sqlite3_exec(db_, sql, nullptr, nullptr, &error);
  if (code != SQLITE_OK) {
    std::string message = error != nullptr ? error : sqlite3_errstr(code);
    sqlite3_free(error);
    throw StoreFailure{code, message};
  }
}

void SqliteRegistry::RollBackIfOpen() {
  if (db_ != nullptr && sqlite3_get_autocommit(db_) == 0) {
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

Statement SqliteRegistry::Prepare(const char* sql) {
  auto found = statements_.find(sql);
  if (found != statements_.end()) return Statement(found->second);
  sqlite3_stmt* statement = nullptr;
  int code = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
  if (code != SQLITE_OK) Fail(db_, code);
  statements_.emplace(sql, statement);
  return Statement(statement);
}

template <typename Body>
LSTATUS SqliteRegistry::Run(Access access, Body&& body) {
  if (db_ == nullptr) return openStatus_;
  for (int attempt = 1;; ++attempt) {
    try {
      Execute(access == Access::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
      LSTATUS status = body();
      if (status == ERROR_SUCCESS) {
        Execute("COMMIT");
      } else {
        RollBackIfOpen();
      }
      lastMessage_.clear();
      return status;
    } catch (const StoreFailure& failure) {
      RollBackIfOpen();
      if (IsBusy(failure.code) && attempt < kBusyAttempts) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10 * attempt));
        continue;
      }
      lastMessage_ = fileName_ + ": " + failure.message;
      return StatusOf(failure.code);
    } catch (const std::bad_alloc&) {
      RollBackIfOpen();
      lastMessage_.clear();
      return ERROR_OUTOFMEMORY;
    }
  }
}

LSTATUS SqliteRegistry::KeyId(HKEY key, std::int64_t* id) {
  std::int64_t found = RootId(key);
  if (found == 0) {
    auto handle = handles_.find(static_cast<std::uint32_t>(key));
    if (handle == handles_.end()) return ERROR_INVALID_HANDLE;
    found = handle->second;
  }
  Statement alive = Prepare("SELECT 1 FROM registry_keys WHERE id = ?1");
  alive.Bind(1, found);
  if (!alive.Step()) return ERROR_KEY_DELETED;
  *id = found;
  return ERROR_SUCCESS;
}

LSTATUS SqliteRegistry::Walk(HKEY key, const std::vector<std::string_view>& names, Missing missing,
                             std::int64_t* id) {
  std::int64_t current = 0;
  if (LSTATUS found = KeyId(key, &current); found != ERROR_SUCCESS) return found;
  for (std::string_view name : names) {
    std::string folded = Fold(name);
    Statement find = Prepare("SELECT id FROM registry_keys WHERE parent = ?1 AND folded = ?2");
    find.Bind(1, current).Bind(2, folded);
    if (find.Step()) {
      current = find.Integer(0);
      continue;
    }
    if (missing == Missing::kFail) return ERROR_FILE_NOT_FOUND;
    Statement insert =
        Prepare("INSERT INTO registry_keys(parent, name, folded) VALUES (?1, ?2, ?3)");
    insert.Bind(1, current).Bind(2, name).Bind(3, folded);
    insert.Step();
    current = sqlite3_last_insert_rowid(db_);
  }
  *id = current;
  return ERROR_SUCCESS;
}

void SqliteRegistry::SetValue(std::int64_t key, std::string_view name, std::uint32_t type,
                              std::string_view data) {
  // A value written again keeps its place and the case of its first name.
  Statement upsert = Prepare(
      "INSERT INTO registry_values(key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5)"
      " ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
  upsert.Bind(1, key).Bind(2, name).Bind(3, Fold(name)).Bind(4, type).Bind(5, data);
  upsert.Step();
}

void SqliteRegistry::DeleteSubtree(std::int64_t key, bool keepKey) {
  // Recursive queries rather than cascading deletes: cascades are triggers,
  // and their nesting depth is limited.
  Statement values = Prepare(
      "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
      " SELECT k.id FROM registry_keys k JOIN tree ON k.parent = tree.id)"
      " DELETE FROM registry_values WHERE key IN tree");
  values.Bind(1, key);
  values.Step();
  Statement keys = Prepare(
      "WITH RECURSIVE tree(id) AS (SELECT id FROM registry_keys WHERE id = ?1 AND ?2 = 0"
      " UNION ALL SELECT id FROM registry_keys WHERE parent = ?1 AND ?2 = 1"
      " UNION ALL SELECT k.id FROM registry_keys k JOIN tree ON k.parent = tree.id)"
      " DELETE FROM registry_keys WHERE id IN tree");
  keys.Bind(1, key).Bind(2, keepKey ? 1 : 0);
  keys.Step();
}

HKEY SqliteRegistry::NewHandle(std::int64_t id) {
  // Handles are small numbers below the roots' range, never 0.
  while (nextHandle_ == 0 || nextHandle_ >= 0x80000000u || handles_.count(nextHandle_) != 0) {
    nextHandle_ = nextHandle_ >= 0x80000000u ? 1 : nextHandle_ + 1;
  }
  std::uint32_t handle = nextHandle_++;
  handles_.emplace(handle, id);
  return HKEY{handle};
}

LSTATUS SqliteRegistry::RegCreateKeyA(HKEY key, std::string_view subKey, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  std::vector<std::string_view> names;
  if (LSTATUS status = SplitPath(subKey, &names); status != ERROR_SUCCESS) return status;
  std::int64_t id = 0;
  LSTATUS status = Run(names.empty() ? Access::kRead : Access::kWrite,
                       [&] { return Walk(key, names, Missing::kCreate, &id); });
  if (status != ERROR_SUCCESS) return status;
  *result = names.empty() && RootId(key) != 0 ? key : NewHandle(id);
  return ERROR_SUCCESS;
}

LSTATUS SqliteRegistry::RegOpenKeyA(HKEY key, std::string_view subKey, HKEY* result) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  std::vector<std::string_view> names;
  if (LSTATUS status = SplitPath(subKey, &names); status != ERROR_SUCCESS) return status;
  std::int64_t id = 0;
  LSTATUS status = Run(Access::kRead, [&] { return Walk(key, names, Missing::kFail, &id); });
  if (status != ERROR_SUCCESS) return status;
  *result = names.empty() && RootId(key) != 0 ? key : NewHandle(id);
  return ERROR_SUCCESS;
}

LSTATUS SqliteRegistry::RegCloseKey(HKEY key) {
  std::lock_guard lock(mutex_);
  if (RootId(key) != 0) return ERROR_SUCCESS;
  return handles_.erase(static_cast<std::uint32_t>(key)) == 1 ? ERROR_SUCCESS
                                                              : ERROR_INVALID_HANDLE;
}

LSTATUS SqliteRegistry::RegSetValueA(HKEY key, std::string_view subKey, std::uint32_t type,
                                     std::string_view data) {
  if (type != REG_SZ) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  std::vector<std::string_view> names;
  if (LSTATUS status = SplitPath(subKey, &names); status != ERROR_SUCCESS) return status;
  std::string text(CutAtZero(data));
  text.push_back('\0');
  return Run(Access::kWrite, [&] {
    std::int64_t id = 0;
    if (LSTATUS walked = Walk(key, names, Missing::kCreate, &id); walked != ERROR_SUCCESS) {
      return walked;
    }
    SetValue(id, "", REG_SZ, text);
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::RegSetValueExA(HKEY key, std::string_view valueName, std::uint32_t,
                                       std::uint32_t type, const void* data, std::uint32_t size) {
  if (data == nullptr && size != 0) return ERROR_NOACCESS;
  valueName = CutAtZero(valueName);
  if (valueName.size() > kMaxValueNameLength) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  std::string_view bytes(static_cast<const char*>(data), data == nullptr ? 0 : size);
  return Run(Access::kWrite, [&] {
    std::int64_t id = 0;
    if (LSTATUS found = KeyId(key, &id); found != ERROR_SUCCESS) return found;
    SetValue(id, valueName, type, bytes);
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::RegQueryValueExA(HKEY key, std::string_view valueName,
                                         RegistryValue* value) {
  valueName = CutAtZero(valueName);
  std::lock_guard lock(mutex_);
  return Run(Access::kRead, [&] {
    std::int64_t id = 0;
    if (LSTATUS found = KeyId(key, &id); found != ERROR_SUCCESS) return found;
    Statement query =
        Prepare("SELECT type, data FROM registry_values WHERE key = ?1 AND folded = ?2");
    query.Bind(1, id).Bind(2, Fold(valueName));
    if (!query.Step()) return ERROR_FILE_NOT_FOUND;
    if (value != nullptr) {
      value->type = static_cast<std::uint32_t>(query.Integer(0));
      value->data = query.Bytes(1);
    }
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::RegQueryInfoKeyA(HKEY key, std::uint32_t* subKeyCount,
                                         std::uint32_t* valueCount) {
  std::lock_guard lock(mutex_);
  return Run(Access::kRead, [&] {
    std::int64_t id = 0;
    if (LSTATUS found = KeyId(key, &id); found != ERROR_SUCCESS) return found;
    Statement query = Prepare(
        "SELECT (SELECT count(*) FROM registry_keys WHERE parent = ?1),"
        " (SELECT count(*) FROM registry_values WHERE key = ?1)");
    query.Bind(1, id);
    query.Step();
    if (subKeyCount != nullptr) *subKeyCount = static_cast<std::uint32_t>(query.Integer(0));
    if (valueCount != nullptr) *valueCount = static_cast<std::uint32_t>(query.Integer(1));
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::RegEnumKeyA(HKEY key, std::uint32_t index, std::string* name) {
  if (name == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  return Run(Access::kRead, [&] {
    std::int64_t id = 0;
    if (LSTATUS found = KeyId(key, &id); found != ERROR_SUCCESS) return found;
    Statement query = Prepare(
        "SELECT name FROM registry_keys WHERE parent = ?1 ORDER BY folded LIMIT 1 OFFSET ?2");
    query.Bind(1, id).Bind(2, static_cast<std::int64_t>(index));
    if (!query.Step()) return ERROR_NO_MORE_ITEMS;
    *name = query.Bytes(0);
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::RegEnumValueA(HKEY key, std::uint32_t index, std::string* name,
                                      RegistryValue* value) {
  if (name == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  return Run(Access::kRead, [&] {
    std::int64_t id = 0;
    if (LSTATUS found = KeyId(key, &id); found != ERROR_SUCCESS) return found;
    Statement query = Prepare(
        "SELECT name, type, data FROM registry_values WHERE key = ?1 ORDER BY id"
        " LIMIT 1 OFFSET ?2");
    query.Bind(1, id).Bind(2, static_cast<std::int64_t>(index));
    if (!query.Step()) return ERROR_NO_MORE_ITEMS;
    *name = query.Bytes(0);
    if (value != nullptr) {
      value->type = static_cast<std::uint32_t>(query.Integer(1));
      value->data = query.Bytes(2);
    }
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::EnumerateSubKeys(HKEY key, std::vector<std::string>* names) {
  if (names == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  return Run(Access::kRead, [&] {
    names->clear();
    std::int64_t id = 0;
    if (LSTATUS found = KeyId(key, &id); found != ERROR_SUCCESS) return found;
    Statement query = Prepare("SELECT name FROM registry_keys WHERE parent = ?1 ORDER BY folded");
    query.Bind(1, id);
    while (query.Step()) names->push_back(query.Bytes(0));
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::EnumerateValues(HKEY key, std::vector<NamedRegistryValue>* values) {
  if (values == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard lock(mutex_);
  return Run(Access::kRead, [&] {
    values->clear();
    std::int64_t id = 0;
    if (LSTATUS found = KeyId(key, &id); found != ERROR_SUCCESS) return found;
    Statement query =
        Prepare("SELECT name, type, data FROM registry_values WHERE key = ?1 ORDER BY id");
    query.Bind(1, id);
    while (query.Step()) {
      values->push_back(
          {query.Bytes(0), {static_cast<std::uint32_t>(query.Integer(1)), query.Bytes(2)}});
    }
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::RegDeleteValueA(HKEY key, std::string_view valueName) {
  valueName = CutAtZero(valueName);
  std::lock_guard lock(mutex_);
  return Run(Access::kWrite, [&] {
    std::int64_t id = 0;
    if (LSTATUS found = KeyId(key, &id); found != ERROR_SUCCESS) return found;
    Statement remove = Prepare("DELETE FROM registry_values WHERE key = ?1 AND folded = ?2");
    remove.Bind(1, id).Bind(2, Fold(valueName));
    remove.Step();
    return sqlite3_changes(db_) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::RegDeleteKeyA(HKEY key, std::string_view subKey) {
  std::lock_guard lock(mutex_);
  std::vector<std::string_view> names;
  if (LSTATUS status = SplitPath(subKey, &names); status != ERROR_SUCCESS) return status;
  return Run(Access::kWrite, [&] {
    std::int64_t id = 0;
    if (LSTATUS walked = Walk(key, names, Missing::kFail, &id); walked != ERROR_SUCCESS) {
      return walked;
    }
    if (id <= 3) return ERROR_ACCESS_DENIED;
    Statement children = Prepare("SELECT 1 FROM registry_keys WHERE parent = ?1 LIMIT 1");
    children.Bind(1, id);
    if (children.Step()) return ERROR_ACCESS_DENIED;
    DeleteSubtree(id, false);
    return ERROR_SUCCESS;
  });
}

LSTATUS SqliteRegistry::RegDeleteTreeA(HKEY key, std::string_view subKey) {
  std::lock_guard lock(mutex_);
  std::vector<std::string_view> names;
  if (LSTATUS status = SplitPath(subKey, &names); status != ERROR_SUCCESS) return status;
  return Run(Access::kWrite, [&] {
    std::int64_t id = 0;
    if (LSTATUS walked = Walk(key, names, Missing::kFail, &id); walked != ERROR_SUCCESS) {
      return walked;
    }
    DeleteSubtree(id, names.empty());
    return ERROR_SUCCESS;
  });
}

std::string SqliteRegistry::LastStoreMessage() const {
  std::lock_guard lock(mutex_);
  return lastMessage_;
}

}  // namespace

std::unique_ptr<Registry> OpenSqliteRegistry(const std::filesystem::path& file) {
  return std::make_unique<SqliteRegistry>(file);
}

}  // namespace vk::platform
