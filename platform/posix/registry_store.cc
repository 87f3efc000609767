#include "platform/posix/registry_store.h"

#include <errno.h>
#include <fcntl.h>
#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "platform/ascii.h"
#include "platform/posix/prefix.h"
#include "platform/posix/write_all.h"

namespace discsetup {

namespace {

// "DSRG": marks the file as ours, so that another program's database is refused, not altered.
constexpr std::int32_t kApplicationId = 0x44535247;
constexpr int kSchemaVersion = 1;
// Other processes hold the write lock for one call at a time; a long wait means a stuck writer.
constexpr int kBusyTimeoutMs = 30000;

// Names match without regard to ASCII case. Upper case, because then the index order is the order
// Windows tools list names in ("_" after the letters).
std::string Fold(const std::string& name) {
  return discsetup::UpperAscii(name);
}

const char kSchema[] =
    "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    "  folded BLOB NOT NULL, name BLOB NOT NULL);"
    "CREATE UNIQUE INDEX keys_by_name ON keys(parent, folded);"
    "CREATE TABLE vals(key INTEGER NOT NULL, folded BLOB NOT NULL, name BLOB NOT NULL,"
    "  type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, folded)) WITHOUT ROWID;"
    "INSERT INTO keys(id, parent, folded, name) VALUES"
    "  (1, 0, CAST('HKEY_LOCAL_MACHINE' AS BLOB), CAST('HKEY_LOCAL_MACHINE' AS BLOB)),"
    "  (2, 0, CAST('HKEY_CURRENT_USER' AS BLOB), CAST('HKEY_CURRENT_USER' AS BLOB)),"
    "  (3, 1, CAST('SOFTWARE' AS BLOB), CAST('SOFTWARE' AS BLOB)),"
    "  (4, 3, CAST('CLASSES' AS BLOB), CAST('Classes' AS BLOB)),"
    "  (5, 2, CAST('SOFTWARE' AS BLOB), CAST('Software' AS BLOB));";

enum Statement {
  kBeginRead,
  kBegin,
  kCommit,
  kRollback,
  kResolve,
  kInsertKey,
  kKeyExists,
  kGetValue,
  kPutValue,
  kDeleteValue,
  kListSubkeys,
  kListValues,
  kDeleteTreeValues,
  kDeleteTreeKeys,
  kStatementCount
};

// Each statement is prepared on first use and kept for the life of the connection: preparing
// costs more than running most of them.
const char* const kStatementText[kStatementCount] = {
    "BEGIN",
    // A read would have to be upgraded to a write, which fails at once under contention instead
    // of waiting: every transaction here writes, so it starts as a write.
    "BEGIN IMMEDIATE",
    "COMMIT",
    "ROLLBACK",
    // Walks a whole path in one statement: ?2 is the folded components, each followed by "\".
    // Gives the deepest key found and how many components it took; no row when ?1 is gone.
    "WITH RECURSIVE walk(id, rest, depth) AS ("
    "  SELECT id, ?2, 0 FROM keys WHERE id = ?1"
    "  UNION ALL"
    "  SELECT k.id, substr(w.rest, instr(w.rest, x'5c') + 1), w.depth + 1"
    "  FROM walk w JOIN keys k"
    "    ON k.parent = w.id AND k.folded = substr(w.rest, 1, instr(w.rest, x'5c') - 1)"
    "  WHERE length(w.rest) > 0"
    ") SELECT id, depth FROM walk ORDER BY depth DESC LIMIT 1",
    "INSERT INTO keys(parent, folded, name) VALUES(?1, ?2, ?3)",
    "SELECT 1 FROM keys WHERE id = ?1",
    // One statement tells a missing value (NULL type) from a deleted key (no row).
    "SELECT v.name, v.type, v.data FROM keys k"
    "  LEFT JOIN vals v ON v.key = k.id AND v.folded = ?2 WHERE k.id = ?1",
    "INSERT INTO vals(key, folded, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
    "  ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data",
    "DELETE FROM vals WHERE key = ?1 AND folded = ?2",
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY folded",
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY folded",
    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
    "  SELECT k.id FROM keys k JOIN tree t ON k.parent = t.id)"
    " DELETE FROM vals WHERE key IN tree",
    "WITH RECURSIVE tree(id) AS (SELECT ?1 UNION ALL"
    "  SELECT k.id FROM keys k JOIN tree t ON k.parent = t.id)"
    " DELETE FROM keys WHERE id IN tree",
};

// The one place where SQLite's results become Windows error codes.
long WindowsError(int sqlite_code, int system_errno) {
  switch (sqlite_code & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE: return kErrorSuccess;
    case SQLITE_NOMEM: return kErrorNotEnoughMemory;
    case SQLITE_PERM:
    case SQLITE_AUTH:
    case SQLITE_READONLY: return kErrorAccessDenied;
    case SQLITE_CANTOPEN:
      if (system_errno == EACCES || system_errno == EPERM) return kErrorAccessDenied;
      // Something else stands where the store should be: the store is unusable, not missing.
      return system_errno == ENOENT ? kErrorFileNotFound : kErrorBadDb;
    case SQLITE_FULL: return 112;  // ERROR_DISK_FULL
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return 170;  // ERROR_BUSY
    case SQLITE_IOERR:
      return system_errno == EACCES ? kErrorAccessDenied : 1016;  // ERROR_REGISTRY_IO_FAILED
    default:  // corrupt, not a database, schema, ...
      return kErrorBadDb;
  }
}

long ErrnoError(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS: return kErrorAccessDenied;
    case ENOSPC: return 112;
    case ENOMEM: return kErrorNotEnoughMemory;
    default: return 3;  // ERROR_PATH_NOT_FOUND
  }
}

void WriteToStderr(const std::string& line) {
  WriteAll(STDERR_FILENO, line + "\n");
}

}  // namespace

// One connection with its prepared statements.
class RegistryStore::Database {
 public:
  Database() = default;
  ~Database() {
    for (sqlite3_stmt* statement : statements_) sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
  }

  sqlite3* db_ = nullptr;
  sqlite3_stmt* statements_[kStatementCount] = {};
  // The error of the last failed call, with its errno, for the report.
  int last_code_ = SQLITE_OK;
  int last_errno_ = 0;

  std::string Cause() const {
    std::string cause = sqlite3_errstr(last_code_);
    if (db_ != nullptr && last_code_ != SQLITE_OK) {
      const char* message = sqlite3_errmsg(db_);
      if (message != nullptr && cause != message) cause = message;
    }
    if (last_errno_ != 0) cause += std::string(" (") + strerror(last_errno_) + ")";
    return cause;
  }

  long Failed(int code) {
    last_code_ = code;
    last_errno_ = db_ != nullptr ? sqlite3_system_errno(db_) : 0;
    return WindowsError(code, last_errno_);
  }
};

namespace {

// Runs one prepared statement and leaves it reset and unbound, ready for the next call.
class Run {
 public:
  Run(sqlite3_stmt* statement) : statement_(statement) {}
  ~Run() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
  }
  Run& Int(int index, std::int64_t value) {
    sqlite3_bind_int64(statement_, index, value);
    return *this;
  }
  // Names are bound as blobs: they are bytes, and a blob never equals a text in SQLite. Copied,
  // since callers hand in temporaries.
  Run& Blob(int index, const std::string& bytes) {
    static const char kEmpty = 0;
    sqlite3_bind_blob(statement_, index, bytes.empty() ? &kEmpty : bytes.data(),
                      static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
  }
  int Step() { return sqlite3_step(statement_); }
  std::int64_t IntAt(int column) { return sqlite3_column_int64(statement_, column); }
  bool NullAt(int column) { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
  std::string BlobAt(int column) {
    const void* bytes = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), size);
  }

 private:
  sqlite3_stmt* statement_;
};

}  // namespace

long SplitKeyPath(const std::string& path, std::vector<std::string>* parts) {
  parts->clear();
  if (!path.empty() && path[0] == '\\') return kErrorBadPathname;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      if (end - start > RegistryStore::kMaxKeyName) return kErrorInvalidParameter;
      parts->push_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return kErrorSuccess;
}

constexpr char RegistryStore::kClassesPath[];

RegistryStore::RegistryStore(std::string folder, std::function<void(const std::string&)> report)
    : folder_(std::move(folder)),
      file_(folder_ + "/registry.db"),
      report_(report ? std::move(report) : WriteToStderr) {}

RegistryStore::~RegistryStore() = default;

long RegistryStore::Fail(long code, const std::string& cause) {
  if (!reported_) {
    reported_ = true;
    report_("registry store " + file_ + ": " + cause);
  }
  return code;
}

long RegistryStore::Open() {
  return Ready();
}

// SQLite gives its page cache back at the end of every transaction and takes it again at the
// next. Left to malloc's defaults, that trims the heap and grows it again on every call, ten times
// the cost of the call itself: keep freed memory in the process instead.
void KeepFreedMemory() {
  static bool done = false;
  if (done) return;
  done = true;
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  mallopt(M_TOP_PAD, 1 << 20);
}

namespace {

bool StoreEndsInsideAPage(const std::string& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;  // SQLite's own open reports why
  unsigned char header[100];
  struct stat info;
  const bool read_header = fstat(fd, &info) == 0 && pread(fd, header, sizeof header, 0) == 100;
  close(fd);
  if (!read_header || std::memcmp(header, "SQLite format 3", 16) != 0) return false;
  const unsigned page_size =
      header[16] == 0 && header[17] == 1 ? 65536u : header[16] << 8 | header[17];
  if (page_size < 512 || info.st_size % page_size == 0) return false;
  struct stat log;
  return stat((file + "-wal").c_str(), &log) != 0 || log.st_size == 0;
}

}  // namespace

long RegistryStore::Ready() {
  if (db_) return kErrorSuccess;
  if (failure_ != 0) return failure_;
  KeepFreedMemory();

  std::string error;
  if (!MakePrefixFolder(folder_, &error)) {
    failure_ = ErrnoError(errno);
    return Fail(failure_, "cannot create the folder: " + error);
  }

  // A new store is built completely under a name of its own and then linked into place, so that
  // no process ever sees a half-made store, and processes starting at the same moment agree on
  // one file instead of fighting over its creation.
  struct stat info;
  if (stat(file_.c_str(), &info) != 0) {
    if (errno != ENOENT) {
      failure_ = ErrnoError(errno);
      return Fail(failure_, strerror(errno));
    }
    std::string temporary = file_ + ".new-XXXXXX";
    const int fd = mkstemp(&temporary[0]);  // mode 0600
    if (fd < 0) {
      failure_ = ErrnoError(errno);
      return Fail(failure_, std::string("cannot create: ") + strerror(errno));
    }
    close(fd);
    // Nothing can see the new file until it is linked into place: it is built in one
    // transaction without a journal or syncs, then synced once as a whole.
    sqlite3* fresh = nullptr;
    int rc = sqlite3_open_v2(temporary.c_str(), &fresh, SQLITE_OPEN_READWRITE, nullptr);
    const std::string build =
        "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
        "PRAGMA application_id=" +
        std::to_string(kApplicationId) + "; PRAGMA user_version=" + std::to_string(kSchemaVersion) +
        ";" + kSchema + "COMMIT; PRAGMA journal_mode=WAL;";
    if (rc == SQLITE_OK) rc = sqlite3_exec(fresh, build.c_str(), nullptr, nullptr, nullptr);
    const std::string cause = fresh != nullptr ? sqlite3_errmsg(fresh) : sqlite3_errstr(rc);
    const int system_errno = fresh != nullptr ? sqlite3_system_errno(fresh) : 0;
    if (sqlite3_close(fresh) != SQLITE_OK && rc == SQLITE_OK) rc = SQLITE_IOERR;
    if (rc == SQLITE_OK) {
      const int file = open(temporary.c_str(), O_RDWR | O_CLOEXEC);
      if (file < 0 || fsync(file) != 0) rc = SQLITE_IOERR;
      if (file >= 0) close(file);
    }
    if (rc != SQLITE_OK) {
      unlink(temporary.c_str());
      failure_ = WindowsError(rc, system_errno);
      return Fail(failure_, "cannot create: " + cause);
    }
    const bool linked = link(temporary.c_str(), file_.c_str()) == 0;
    const int link_errno = errno;
    unlink(temporary.c_str());
    if (!linked && link_errno != EEXIST) {  // EEXIST: another process was first; use its store
      failure_ = ErrnoError(link_errno);
      return Fail(failure_, std::string("cannot create: ") + strerror(link_errno));
    }
    // The link is part of the store's durability: make the folder entry itself reach the disk.
    const int folder = open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
      fsync(folder);
      close(folder);
    }
  }

  // SQLite reads a missing tail of the last page as zeros and notices nothing until a read
  // lands there, by then after writes of ours. SQLite itself only ever writes whole pages, so a
  // file that ends inside one, with no log whose frames could still complete it, is damaged.
  if (StoreEndsInsideAPage(file_)) {
    failure_ = kErrorBadDb;
    return Fail(failure_, "damaged: the file ends inside a page");
  }

  std::unique_ptr<Database> database(new Database);
  // No SQLITE_OPEN_CREATE: a store that vanished is an error, never silently replaced.
  int rc = sqlite3_open_v2(file_.c_str(), &database->db_, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_busy_timeout(database->db_, kBusyTimeoutMs);
  if (rc == SQLITE_OK)
    rc = sqlite3_exec(database->db_, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
  // Every commit is already synced: a checkpoint and the removal of the log when the process
  // ends would only add syncs to every run. SQLite checkpoints as the log grows.
  if (rc == SQLITE_OK) {
    rc = sqlite3_db_config(database->db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  }
  if (rc == SQLITE_OK) {
    int persist = 1;
    rc = sqlite3_file_control(database->db_, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  }
  if (rc != SQLITE_OK) {
    failure_ = database->Failed(rc);
    return Fail(failure_, database->Cause());
  }
  // Reading the header is the first real read: a damaged file or another program's database
  // shows here, before anything could be written to it.
  sqlite3_stmt* check = nullptr;
  rc = sqlite3_prepare_v2(database->db_, "PRAGMA application_id", -1, &check, nullptr);
  std::int64_t id = 0;
  if (rc == SQLITE_OK) {
    rc = sqlite3_step(check);
    if (rc == SQLITE_ROW) {
      id = sqlite3_column_int64(check, 0);
      rc = SQLITE_OK;
    }
  }
  sqlite3_finalize(check);
  if (rc != SQLITE_OK) {
    failure_ = database->Failed(rc);
    return Fail(failure_, database->Cause());
  }
  if (id != kApplicationId) {
    failure_ = kErrorBadDb;
    return Fail(failure_, "not a registry store (another program's database or an empty file)");
  }
  db_ = std::move(database);
  return kErrorSuccess;
}

namespace {

sqlite3_stmt* Prepared(sqlite3* db, sqlite3_stmt** slot, Statement which, int* rc) {
  if (*slot == nullptr) {
    *rc =
        sqlite3_prepare_v3(db, kStatementText[which], -1, SQLITE_PREPARE_PERSISTENT, slot, nullptr);
  }
  return *slot;
}

}  // namespace

// Every statement goes through here so that each failure is translated and reported alike.
#define STORE_STATEMENT(name, which)                                           \
  int prepare_rc_##name = SQLITE_OK;                                           \
  sqlite3_stmt* name##_statement =                                             \
      Prepared(db_->db_, &db_->statements_[which], which, &prepare_rc_##name); \
  if (name##_statement == nullptr) {                                           \
    const long code = db_->Failed(prepare_rc_##name);                          \
    return Fail(code, db_->Cause());                                           \
  }                                                                            \
  Run name(name##_statement)

#define STORE_CHECK(rc)                                      \
  do {                                                       \
    const int store_rc = (rc);                               \
    if (store_rc != SQLITE_ROW && store_rc != SQLITE_DONE) { \
      const long code = db_->Failed(store_rc);               \
      return Fail(code, db_->Cause());                       \
    }                                                        \
  } while (0)

long RegistryStore::Atomically(const std::function<long()>& body) {
  if (const long rc = Ready()) return rc;
  if (transaction_depth_ > 0) return body();
  // A write starts as a write: the shared read snapshot ends first.
  if (const long rc = EndRead()) return rc;
  {
    STORE_STATEMENT(begin, kBegin);
    STORE_CHECK(begin.Step());
  }
  ++transaction_depth_;
  long result = body();
  --transaction_depth_;
  if (result == kErrorSuccess) {
    STORE_STATEMENT(commit, kCommit);
    const int rc = commit.Step();
    if (rc == SQLITE_DONE) return kErrorSuccess;
    result = db_->Failed(rc);
    Fail(result, db_->Cause());
  }
  if (sqlite3_get_autocommit(db_->db_) == 0) {
    STORE_STATEMENT(rollback, kRollback);
    rollback.Step();
  }
  return result;
}

// Reads within a millisecond of each other share one read transaction: starting one per read
// (locks on the shared index, a look at the file) costs more than the read itself, and a
// registrar run makes a thousand reads in a row. A snapshot that old is as fresh as a read that
// began a moment earlier; writes never run inside it.
long RegistryStore::BeginRead() {
  if (transaction_depth_ > 0) return kErrorSuccess;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const std::int64_t now_ns = now.tv_sec * 1000000000LL + now.tv_nsec;
  constexpr std::int64_t kSnapshotLifeNs = 1000000;
  if (reading_ && now_ns - read_began_ns_ < kSnapshotLifeNs) return kErrorSuccess;
  if (const long rc = EndRead()) return rc;
  STORE_STATEMENT(begin, kBeginRead);
  STORE_CHECK(begin.Step());
  reading_ = true;
  read_began_ns_ = now_ns;
  return kErrorSuccess;
}

long RegistryStore::EndRead() {
  resolved_.clear();
  if (!reading_ || sqlite3_get_autocommit(db_->db_) != 0) {
    reading_ = false;
    return kErrorSuccess;
  }
  reading_ = false;
  STORE_STATEMENT(commit, kCommit);
  STORE_CHECK(commit.Step());
  return kErrorSuccess;
}

long RegistryStore::Resolve(KeyId base, const std::vector<std::string>& parts, KeyId* deepest,
                            int* depth) {
  std::string path;
  for (const std::string& part : parts) path += Fold(part) + "\\";
  const bool cacheable = reading_ && transaction_depth_ == 0;
  const std::string cache_key = cacheable ? std::to_string(base) + ":" + path : std::string();
  if (cacheable) {
    const auto found = resolved_.find(cache_key);
    if (found != resolved_.end()) {
      *deepest = found->second.deepest;
      *depth = found->second.depth;
      return kErrorSuccess;
    }
  }
  STORE_STATEMENT(resolve, kResolve);
  resolve.Int(1, base).Blob(2, path);
  const int rc = resolve.Step();
  STORE_CHECK(rc);
  if (rc == SQLITE_DONE) return kErrorKeyDeleted;
  *deepest = resolve.IntAt(0);
  *depth = static_cast<int>(resolve.IntAt(1));
  if (cacheable) resolved_[cache_key] = Resolved{*deepest, *depth};
  return kErrorSuccess;
}

long RegistryStore::KeyExists(KeyId key) {
  STORE_STATEMENT(exists, kKeyExists);
  exists.Int(1, key);
  const int rc = exists.Step();
  STORE_CHECK(rc);
  return rc == SQLITE_ROW ? kErrorSuccess : kErrorKeyDeleted;
}

long RegistryStore::OpenPath(KeyId base, const std::string& subkey, bool create, KeyId* result) {
  std::vector<std::string> parts;
  if (const long rc = SplitKeyPath(subkey, &parts)) return rc;
  return OpenParts(base, parts, create, result);
}

long RegistryStore::OpenParts(KeyId base, const std::vector<std::string>& parts, bool create,
                              KeyId* result) {
  if (const long rc = Ready()) return rc;
  KeyId deepest = 0;
  int depth = 0;
  // Most creates find the key already there: that costs a read, not a write lock and a sync.
  if (const long rc = BeginRead()) return rc;
  if (const long rc = Resolve(base, parts, &deepest, &depth)) return rc;
  if (depth == static_cast<int>(parts.size())) {
    *result = deepest;
    return kErrorSuccess;
  }
  if (!create) return kErrorFileNotFound;
  return Atomically([&]() -> long {
    // Again inside the transaction: another process may have made part of the path meanwhile.
    if (const long rc = Resolve(base, parts, &deepest, &depth)) return rc;
    for (std::size_t i = static_cast<std::size_t>(depth); i < parts.size(); ++i) {
      STORE_STATEMENT(insert, kInsertKey);
      insert.Int(1, deepest).Blob(2, Fold(parts[i])).Blob(3, parts[i]);
      STORE_CHECK(insert.Step());
      deepest = sqlite3_last_insert_rowid(db_->db_);
    }
    *result = deepest;
    return kErrorSuccess;
  });
}

long RegistryStore::GetValue(KeyId key, const std::string& name, Value* value) {
  if (const long rc = Ready()) return rc;
  if (const long rc = BeginRead()) return rc;
  STORE_STATEMENT(get, kGetValue);
  get.Int(1, key).Blob(2, Fold(name));
  const int rc = get.Step();
  STORE_CHECK(rc);
  if (rc == SQLITE_DONE) return kErrorKeyDeleted;
  if (get.NullAt(1)) return kErrorFileNotFound;
  value->name = get.BlobAt(0);
  value->type = static_cast<std::uint32_t>(get.IntAt(1));
  value->data = get.BlobAt(2);
  return kErrorSuccess;
}

long RegistryStore::PutValue(KeyId key, const std::string& name, std::uint32_t type,
                             const std::string& data) {
  if (name.size() > kMaxValueName) return kErrorInvalidParameter;
  return Atomically([&]() -> long {
    if (const long rc = KeyExists(key)) return rc;
    STORE_STATEMENT(put, kPutValue);
    put.Int(1, key).Blob(2, Fold(name)).Blob(3, name).Int(4, type).Blob(5, data);
    STORE_CHECK(put.Step());
    return kErrorSuccess;
  });
}

long RegistryStore::DeleteValue(KeyId key, const std::string& name) {
  return Atomically([&]() -> long {
    if (const long rc = KeyExists(key)) return rc;
    STORE_STATEMENT(erase, kDeleteValue);
    erase.Int(1, key).Blob(2, Fold(name));
    STORE_CHECK(erase.Step());
    return sqlite3_changes(db_->db_) > 0 ? kErrorSuccess : kErrorFileNotFound;
  });
}

long RegistryStore::ListSubkeys(KeyId key, std::vector<std::string>* names) {
  names->clear();
  if (const long rc = Ready()) return rc;
  if (const long rc = BeginRead()) return rc;
  if (const long rc = KeyExists(key)) return rc;
  STORE_STATEMENT(list, kListSubkeys);
  list.Int(1, key);
  int rc;
  while ((rc = list.Step()) == SQLITE_ROW) names->push_back(list.BlobAt(0));
  STORE_CHECK(rc);
  return kErrorSuccess;
}

long RegistryStore::ListValues(KeyId key, std::vector<Value>* values) {
  values->clear();
  if (const long rc = Ready()) return rc;
  if (const long rc = BeginRead()) return rc;
  if (const long rc = KeyExists(key)) return rc;
  STORE_STATEMENT(list, kListValues);
  list.Int(1, key);
  int rc;
  while ((rc = list.Step()) == SQLITE_ROW) {
    values->push_back(
        Value{list.BlobAt(0), static_cast<std::uint32_t>(list.IntAt(1)), list.BlobAt(2)});
  }
  STORE_CHECK(rc);
  return kErrorSuccess;
}

long RegistryStore::DeleteKey(KeyId key) {
  if (key == kMachineRoot || key == kUserRoot) return kErrorAccessDenied;
  return Atomically([&]() -> long {
    if (const long rc = KeyExists(key)) return rc;
    {
      STORE_STATEMENT(values, kDeleteTreeValues);
      values.Int(1, key);
      STORE_CHECK(values.Step());
    }
    STORE_STATEMENT(keys, kDeleteTreeKeys);
    keys.Int(1, key);
    STORE_CHECK(keys.Step());
    return kErrorSuccess;
  });
}

std::vector<std::string> RegistryStore::QueryPlans() {
  std::vector<std::string> plans;
  if (Ready() != kErrorSuccess) return plans;
  for (int which = kResolve; which < kStatementCount; ++which) {
    sqlite3_stmt* explain = nullptr;
    const std::string text = std::string("EXPLAIN QUERY PLAN ") + kStatementText[which];
    if (sqlite3_prepare_v2(db_->db_, text.c_str(), -1, &explain, nullptr) != SQLITE_OK) {
      plans.push_back(std::string(kStatementText[which]) + " => " + sqlite3_errmsg(db_->db_));
      continue;
    }
    std::string plan;
    while (sqlite3_step(explain) == SQLITE_ROW) {
      plan += std::string(reinterpret_cast<const char*>(sqlite3_column_text(explain, 3))) + "; ";
    }
    sqlite3_finalize(explain);
    plans.push_back(std::string(kStatementText[which]) + " => " + plan);
  }
  return plans;
}

// The registry seam.

StoreRegistry::StoreRegistry(std::string folder, std::function<void(const std::string&)> report)
    : store_(std::move(folder), std::move(report)) {}

StoreRegistry::~StoreRegistry() = default;

long StoreRegistry::Open(HKey parent, const char* subkey, bool create, HKey* result) {
  if (result == nullptr) return kErrorInvalidParameter;
  std::vector<std::string> parts;
  RegistryStore::KeyId base = 0;
  switch (parent) {
    case kLocalMachine: base = RegistryStore::kMachineRoot; break;
    case kCurrentUser: base = RegistryStore::kUserRoot; break;
    case kClassesRoot: base = RegistryStore::kMachineRoot; break;
    default: {
      const auto found = handles_.find(parent);
      if (found == handles_.end()) return kErrorInvalidHandle;
      base = found->second;
    }
  }
  if (const long rc = SplitKeyPath(subkey != nullptr ? subkey : "", &parts)) return rc;
  if (parent == kClassesRoot) parts.insert(parts.begin(), {"SOFTWARE", "Classes"});
  RegistryStore::KeyId key = 0;
  if (const long rc = store_.OpenParts(base, parts, create, &key)) return rc;
  *result = next_handle_++;
  handles_[*result] = key;
  return kErrorSuccess;
}

long StoreRegistry::CreateKey(HKey parent, const char* subkey, std::uint32_t, std::uint32_t,
                              HKey* result) {
  return Open(parent, subkey, true, result);
}

long StoreRegistry::OpenKey(HKey parent, const char* subkey, std::uint32_t, HKey* result) {
  return Open(parent, subkey, false, result);
}

namespace {

// The key a handle stands for; roots need a look-up only for the classes view.
long KeyOf(RegistryStore& store, const std::map<HKey, RegistryStore::KeyId>& handles, HKey key,
           RegistryStore::KeyId* id) {
  switch (key) {
    case kLocalMachine: *id = RegistryStore::kMachineRoot; return kErrorSuccess;
    case kCurrentUser: *id = RegistryStore::kUserRoot; return kErrorSuccess;
    case kClassesRoot:
      return store.OpenPath(RegistryStore::kMachineRoot, RegistryStore::kClassesPath, true, id);
    default: break;
  }
  const auto found = handles.find(key);
  if (found == handles.end()) return kErrorInvalidHandle;
  *id = found->second;
  return kErrorSuccess;
}

}  // namespace

long StoreRegistry::SetValue(HKey key, const char* name, std::uint32_t type,
                             const std::uint8_t* data, std::uint32_t size) {
  RegistryStore::KeyId id = 0;
  if (const long rc = KeyOf(store_, handles_, key, &id)) return rc;
  if (data == nullptr && size != 0) return kErrorInvalidParameter;  // ERROR_NOACCESS on Windows
  const std::string bytes =
      size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
  return store_.PutValue(id, name != nullptr ? name : "", type, bytes);
}

long StoreRegistry::QueryValue(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                               std::uint32_t* size) {
  RegistryStore::KeyId id = 0;
  if (const long rc = KeyOf(store_, handles_, key, &id)) return rc;
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
  RegistryStore::Value value;
  if (const long rc = store_.GetValue(id, name != nullptr ? name : "", &value)) return rc;
  if (type != nullptr) *type = value.type;
  const auto needed = static_cast<std::uint32_t>(value.data.size());
  if (data != nullptr) {
    if (*size < needed) {
      *size = needed;
      return kErrorMoreData;
    }
    if (needed != 0) std::memcpy(data, value.data.data(), needed);
  }
  if (size != nullptr) *size = needed;
  return kErrorSuccess;
}

long StoreRegistry::CloseKey(HKey key) {
  if (key == kLocalMachine || key == kCurrentUser || key == kClassesRoot) return kErrorSuccess;
  return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace discsetup
