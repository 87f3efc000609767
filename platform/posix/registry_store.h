// The POSIX registry: a SQLite database in the prefix, and the registry seam over it.
//
// Every function returns a Windows error code (0 on success) so that callers can hand the result
// straight to a program. A store that cannot be opened or read makes every call fail with the same
// code (1009 for a damaged or foreign file, 5 for missing permission, ...) and reports the cause in
// one line, once.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry.h"

namespace discsetup {

class RegistryStore {
 public:
  using KeyId = std::int64_t;

  // The two real roots. HKEY_CLASSES_ROOT is no key of its own: it is the path kClassesPath below
  // the machine root.
  static constexpr KeyId kMachineRoot = 1;
  static constexpr KeyId kUserRoot = 2;
  static constexpr char kClassesPath[] = "SOFTWARE\\Classes";

  // The longest key name component and value name Windows accepts.
  static constexpr std::size_t kMaxKeyName = 255;
  static constexpr std::size_t kMaxValueName = 16383;

  struct Value {
    std::string name;  // as first spelled
    std::uint32_t type = 0;
    std::string data;  // the exact bytes
  };

  // A store kept in `folder`/registry.db. Nothing is touched until the first call needs the
  // database; the folder is created then (mode 0700). `report` receives the one line that names
  // the file and why it cannot be used; by default it goes to standard error.
  //
  // Each write is one transaction, synced before it returns. Reads made within a millisecond of
  // each other see one snapshot: a write of another process shows at most that much later.
  explicit RegistryStore(std::string folder,
                         std::function<void(const std::string&)> report = nullptr);
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  const std::string& file() const { return file_; }

  // Opens the database now if it is not open yet. 0, or the code every call would fail with.
  long Open();

  // The key at `subkey` below `base`, components separated by "\" (empty ones ignored). With
  // `create`, every missing key along the path is made. 161 for a leading "\", 87 for a component
  // over 255 bytes, 2 for a missing key (without `create`), 1018 when `base` no longer exists.
  long OpenPath(KeyId base, const std::string& subkey, bool create, KeyId* result);
  // The same with the path already split and checked by SplitKeyPath.
  long OpenParts(KeyId base, const std::vector<std::string>& parts, bool create, KeyId* result);

  // 0 with the value; 2 when the key has no value of that name, 1018 when the key is gone.
  long GetValue(KeyId key, const std::string& name, Value* value);
  // Stores `data` with `type`, replacing a value of the same name but keeping its spelling.
  // 87 for a name over 16,383 bytes, 1018 when the key is gone.
  long PutValue(KeyId key, const std::string& name, std::uint32_t type, const std::string& data);
  // 2 when there is no such value.
  long DeleteValue(KeyId key, const std::string& name);

  // Names of the direct subkeys, and the values, ordered as Windows tools list them: by name
  // without regard to ASCII case.
  long ListSubkeys(KeyId key, std::vector<std::string>* names);
  long ListValues(KeyId key, std::vector<Value>* values);

  // Deletes the key with all its subkeys and values. 5 for a root.
  long DeleteKey(KeyId key);

  // Runs `body` as one transaction: every change it makes through this store is kept only when it
  // returns 0. Nested calls join the outer transaction.
  long Atomically(const std::function<long()>& body);

  // SQLite's plan for every statement the store runs, one "statement => plan" entry each, so
  // that tests can hold the store to index look-ups. Opens the store.
  std::vector<std::string> QueryPlans();

 private:
  class Database;
  long Ready();
  long Fail(long code, const std::string& cause);
  long Resolve(KeyId base, const std::vector<std::string>& parts, KeyId* deepest, int* depth);
  long KeyExists(KeyId key);
  long BeginRead();
  long EndRead();

  std::string folder_;
  std::string file_;
  std::function<void(const std::string&)> report_;
  std::unique_ptr<Database> db_;
  long failure_ = 0;  // once set, every call returns it
  bool reported_ = false;
  int transaction_depth_ = 0;
  // An open read transaction shared by the reads of the last moment, and when it began.
  bool reading_ = false;
  std::int64_t read_began_ns_ = 0;
  // Paths resolved within that read transaction: the same snapshot gives the same answer.
  struct Resolved {
    KeyId deepest;
    int depth;
  };
  std::unordered_map<std::string, Resolved> resolved_;
};

// Splits a key path at "\", dropping empty components. 161 for a leading "\", 87 for a component
// over 255 bytes.
long SplitKeyPath(const std::string& path, std::vector<std::string>* parts);

// The registry seam over a store: handles are small numbers mapped to key ids.
class StoreRegistry final : public Registry {
 public:
  explicit StoreRegistry(std::string folder,
                         std::function<void(const std::string&)> report = nullptr);
  ~StoreRegistry() override;

  long CreateKey(HKey parent, const char* subkey, std::uint32_t options, std::uint32_t access,
                 HKey* result) override;
  long OpenKey(HKey parent, const char* subkey, std::uint32_t access, HKey* result) override;
  long SetValue(HKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long QueryValue(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long CloseKey(HKey key) override;

  RegistryStore& store() { return store_; }

 private:
  long Open(HKey parent, const char* subkey, bool create, HKey* result);

  RegistryStore store_;
  std::map<HKey, RegistryStore::KeyId> handles_;
  HKey next_handle_ = 1;
};

}  // namespace discsetup
