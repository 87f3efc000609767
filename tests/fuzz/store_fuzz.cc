// The registry seam over the SQLite store against a registry held in memory. Each input is a run
// of calls on a store emptied back to its first state: keys opened and
// made along paths of awkward names, values set and read through every kind of buffer, handles
// closed twice, keys and values deleted behind open handles. Every result code, type, size and
// byte must agree with the model, and at the end the two trees must hold the same keys and values,
// spelled and ordered alike.
#include <errno.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "platform/posix/registry_store.h"
#include "platform/registry.h"

namespace {

using discsetup::HKey;
using discsetup::RegistryStore;
using discsetup::StoreRegistry;

void Require(bool condition, const char* what) {
  if (condition) return;
  fprintf(stderr, "store and model disagree: %s\n", what);
  std::abort();
}

std::string Fold(const std::string& name) {
  return discsetup::UpperAscii(name);
}

// The model. Keys live in an arena so that a handle may outlive the deletion of its key.
struct Key {
  std::string name;
  bool deleted = false;
  Key* parent = nullptr;
  std::map<std::string, Key*> children;                // by folded name
  std::map<std::string, RegistryStore::Value> values;  // by folded name
};

class Model {
 public:
  Model() {
    machine_ = New("HKEY_LOCAL_MACHINE", nullptr);
    user_ = New("HKEY_CURRENT_USER", nullptr);
    Child(Child(machine_, "SOFTWARE"), "Classes");
    Child(user_, "Software");
  }

  Key* machine() { return machine_; }
  Key* user() { return user_; }

  Key* Child(Key* parent, const std::string& name) {
    auto found = parent->children.find(Fold(name));
    if (found != parent->children.end()) return found->second;
    Key* key = New(name, parent);
    parent->children[Fold(name)] = key;
    return key;
  }

  // SplitKeyPath as documented: 161 for a leading "\", 87 for a component over 255 bytes.
  static long Split(const std::string& path, std::vector<std::string>* parts) {
    parts->clear();
    if (!path.empty() && path[0] == '\\') return discsetup::kErrorBadPathname;
    std::string part;
    for (std::size_t i = 0; i <= path.size(); ++i) {
      if (i < path.size() && path[i] != '\\') {
        part += path[i];
        continue;
      }
      if (part.size() > RegistryStore::kMaxKeyName) return discsetup::kErrorInvalidParameter;
      if (!part.empty()) parts->push_back(part);
      part.clear();
    }
    return discsetup::kErrorSuccess;
  }

  long Walk(Key* base, const std::vector<std::string>& parts, bool create, Key** result) {
    if (base->deleted) return discsetup::kErrorKeyDeleted;
    Key* key = base;
    for (const std::string& part : parts) {
      const auto found = key->children.find(Fold(part));
      if (found == key->children.end() && !create) return discsetup::kErrorFileNotFound;
      key = found != key->children.end() ? found->second : Child(key, part);
    }
    *result = key;
    return discsetup::kErrorSuccess;
  }

  void Delete(Key* key) {
    key->parent->children.erase(Fold(key->name));
    MarkDeleted(key);
  }

 private:
  Key* New(const std::string& name, Key* parent) {
    arena_.emplace_back();
    arena_.back().name = name;
    arena_.back().parent = parent;
    return &arena_.back();
  }

  static void MarkDeleted(Key* key) {
    key->deleted = true;
    for (const auto& child : key->children) MarkDeleted(child.second);
  }

  std::deque<Key> arena_;
  Key* machine_;
  Key* user_;
};

// A handle the store gave out, with the model's key; closed ones stay to be closed again.
struct Slot {
  HKey handle;
  Key* key;
  bool open;
};

// A folder of this process's own, named by its id so that the folders of crashed runs, which would
// hold memory until the next boot, can be told apart and removed by the next run.
const std::string& ScratchFolder() {
  static const std::string folder = [] {
    static const char kName[] = "discsetup-store-fuzz.";
    const std::string parent = access("/dev/shm", W_OK) == 0 ? "/dev/shm"
                               : getenv("TMPDIR") != nullptr ? getenv("TMPDIR")
                                                             : "/tmp";
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(parent, ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.compare(0, sizeof kName - 1, kName) != 0) continue;
      char* end = nullptr;
      const long pid = strtol(name.c_str() + sizeof kName - 1, &end, 10);
      if (pid > 0 && *end == '\0' && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
        std::filesystem::remove_all(entry.path(), ignored);
      }
    }
    const std::string made = parent + "/" + kName + std::to_string(getpid());
    std::filesystem::remove_all(made, ignored);
    if (!std::filesystem::create_directory(made, ignored)) std::abort();
    return made;
  }();
  static const bool cleanup = atexit([] {
                                std::error_code ignored;
                                std::filesystem::remove_all(folder, ignored);
                              }) == 0;
  (void)cleanup;
  return folder;
}

// The process's one store, in a folder backed by memory when the system has one: the store syncs
// every change and nothing here is about durability. Opening a store again for every run would
// cost more than the run, since the first connection reads the whole write-ahead log back.
StoreRegistry& SharedStore() {
  static StoreRegistry store(ScratchFolder(), [](const std::string& line) {
    fprintf(stderr, "%s\n", line.c_str());
    std::abort();
  });
  return store;
}

const char* const kPathPieces[] = {"\\", "\\", "a",    "A",        "b",        "B",
                                   "Ab", "aB", "x y",  "SOFTWARE", "software", "Classes",
                                   "_",  "[",  "\xE4", "\xC4"};

const char* const kValueNames[] = {"", "v", "V", "Name", "NAME", "nAmE", "x y", "\xE4", "\xC4"};

class Run {
 public:
  Run(FuzzedDataProvider& input, StoreRegistry& store) : input_(input), store_(store) { Reset(); }

  // Handles left open would pile up in the shared store from run to run.
  ~Run() {
    for (const Slot& slot : slots_) {
      if (slot.open) Require(store_.CloseKey(slot.handle) == 0, "closing an open handle");
    }
  }

  void Step() {
    switch (input_.ConsumeIntegralInRange(0, 9)) {
      case 0:
      case 1: OpenOrCreate(input_.ConsumeBool()); break;
      case 2:
      case 3: Set(); break;
      case 4:
      case 5: Query(); break;
      case 6: Close(); break;
      case 7: DeleteKey(); break;
      case 8: DeleteValue(); break;
      default: Compare(); break;
    }
  }

  // Making a store costs more than a whole run of calls: each run empties the one store instead,
  // back to the keys a new store starts with.
  void Reset() {
    RegistryStore& store = store_.store();
    const long rc = store.Atomically([&store]() -> long {
      for (const RegistryStore::KeyId root :
           {RegistryStore::kMachineRoot, RegistryStore::kUserRoot}) {
        std::vector<std::string> names;
        if (const long rc = store.ListSubkeys(root, &names)) return rc;
        for (const std::string& name : names) {
          RegistryStore::KeyId id = 0;
          if (const long rc = store.OpenParts(root, {name}, false, &id)) return rc;
          if (const long rc = store.DeleteKey(id)) return rc;
        }
        std::vector<RegistryStore::Value> values;
        if (const long rc = store.ListValues(root, &values)) return rc;
        for (const RegistryStore::Value& value : values) {
          if (const long rc = store.DeleteValue(root, value.name)) return rc;
        }
      }
      RegistryStore::KeyId id = 0;
      if (const long rc =
              store.OpenPath(RegistryStore::kMachineRoot, RegistryStore::kClassesPath, true, &id)) {
        return rc;
      }
      return store.OpenPath(RegistryStore::kUserRoot, "Software", true, &id);
    });
    Require(rc == discsetup::kErrorSuccess, "emptying the store");
  }

  // Both trees, key by key.
  void CompareAll() {
    CompareTree(RegistryStore::kMachineRoot, model_.machine());
    CompareTree(RegistryStore::kUserRoot, model_.user());
  }

 private:
  // Roots, a handle that was never given out, and the handles of this run, open or closed.
  HKey PickHandle(Key** key, bool* valid, bool* classes) {
    *classes = false;
    *valid = true;
    const std::size_t pick = input_.ConsumeIntegralInRange<std::size_t>(0, 3 + slots_.size());
    switch (pick) {
      case 0: *key = model_.machine(); return discsetup::kLocalMachine;
      case 1: *key = model_.user(); return discsetup::kCurrentUser;
      case 2:
        *classes = true;
        *key = model_.machine();
        return discsetup::kClassesRoot;
      case 3: {
        // Never given out: the store counts its handles up from 1.
        static const HKey kBogus[] = {0, 0x80000003u, 0x7FFFFFFFu, ~HKey{0}};
        *valid = false;
        return kBogus[input_.ConsumeIntegralInRange(0, 3)];
      }
      default: {
        const Slot& slot = slots_[pick - 4];
        *valid = slot.open;
        *key = slot.key;
        return slot.handle;
      }
    }
  }

  std::string PickPath() {
    if (input_.ConsumeIntegralInRange(0, 7) == 0) return input_.ConsumeRandomLengthString(300);
    std::string path;
    const int pieces = input_.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < pieces; ++i) {
      switch (input_.ConsumeIntegralInRange(0, 20)) {
        case 0: path += std::string(RegistryStore::kMaxKeyName, 'k'); break;
        case 1: path += std::string(RegistryStore::kMaxKeyName + 1, 'k'); break;
        case 2: path += std::string(RegistryStore::kMaxKeyName, 'K'); break;
        default: path += input_.PickValueInArray(kPathPieces); break;
      }
    }
    return path;
  }

  std::string PickValueName() {
    switch (input_.ConsumeIntegralInRange(0, 15)) {
      case 0: return input_.ConsumeRandomLengthString(64);
      case 1: return std::string(RegistryStore::kMaxValueName, 'n');
      case 2: return std::string(RegistryStore::kMaxValueName + 1, 'n');
      case 3: return std::string(RegistryStore::kMaxValueName, 'N');
      default: return input_.PickValueInArray(kValueNames);
    }
  }

  // The model's key for a handle as the store sees it: HKEY_CLASSES_ROOT is its view, made when
  // missing, as the store does when a value is set or read through it.
  long ValueKey(Key* key, bool valid, bool classes, Key** result) {
    if (!valid) return discsetup::kErrorInvalidHandle;
    if (classes) key = model_.Child(model_.Child(model_.machine(), "SOFTWARE"), "Classes");
    *result = key;
    return discsetup::kErrorSuccess;
  }

  void OpenOrCreate(bool create) {
    Key* base = nullptr;
    bool valid, classes;
    const HKey parent = PickHandle(&base, &valid, &classes);
    const bool null_path = input_.ConsumeIntegralInRange(0, 9) == 0;
    const std::string path = null_path ? std::string() : PickPath();
    const char* subkey = null_path ? nullptr : path.c_str();

    long expected = discsetup::kErrorSuccess;
    std::vector<std::string> parts;
    Key* key = nullptr;
    if (!valid) {
      expected = discsetup::kErrorInvalidHandle;
    } else if ((expected = Model::Split(path.c_str(), &parts)) == discsetup::kErrorSuccess) {
      if (classes) parts.insert(parts.begin(), {"SOFTWARE", "Classes"});
      expected = model_.Walk(base, parts, create, &key);
    }

    HKey result = 0xFEEDu;
    const long rc = create ? store_.CreateKey(parent, subkey, 0, discsetup::kKeyAllAccess, &result)
                           : store_.OpenKey(parent, subkey, discsetup::kKeyAllAccess, &result);
    Require(rc == expected, create ? "CreateKey result" : "OpenKey result");
    if (rc != discsetup::kErrorSuccess) return;
    Require(result != discsetup::kLocalMachine && result != discsetup::kCurrentUser &&
                result != discsetup::kClassesRoot,
            "a new handle equal to a root");
    for (const Slot& slot : slots_) {
      Require(!slot.open || slot.handle != result, "a new handle equal to an open one");
    }
    slots_.push_back(Slot{result, key, true});
  }

  void Set() {
    Key* key = nullptr;
    bool valid, classes;
    const HKey handle = PickHandle(&key, &valid, &classes);
    const bool null_name = input_.ConsumeIntegralInRange(0, 9) == 0;
    const std::string name = null_name ? std::string() : PickValueName();
    static const std::uint32_t kTypes[] = {discsetup::kRegSz, discsetup::kRegBinary,
                                           discsetup::kRegDword};
    const std::uint32_t type = input_.ConsumeIntegralInRange(0, 7) == 0
                                   ? input_.ConsumeIntegral<std::uint32_t>()
                                   : input_.PickValueInArray(kTypes);
    const bool null_data = input_.ConsumeIntegralInRange(0, 9) == 0;
    const std::string bytes = null_data ? std::string() : input_.ConsumeRandomLengthString(300);
    const std::uint32_t size = null_data ? input_.ConsumeIntegralInRange<std::uint32_t>(0, 2)
                                         : static_cast<std::uint32_t>(bytes.size());
    const auto* data = null_data ? nullptr : reinterpret_cast<const std::uint8_t*>(bytes.data());

    const std::string effective = std::string(name.c_str());
    Key* target = nullptr;
    long expected = ValueKey(key, valid, classes, &target);
    if (expected == discsetup::kErrorSuccess) {
      if (null_data && size != 0) {
        expected = discsetup::kErrorInvalidParameter;
      } else if (effective.size() > RegistryStore::kMaxValueName) {
        expected = discsetup::kErrorInvalidParameter;
      } else if (target->deleted) {
        expected = discsetup::kErrorKeyDeleted;
      } else {
        const auto found = target->values.find(Fold(effective));
        if (found == target->values.end()) {
          target->values[Fold(effective)] = RegistryStore::Value{effective, type, bytes};
        } else {
          found->second.type = type;
          found->second.data = bytes;
        }
      }
    }
    const long rc = store_.SetValue(handle, null_name ? nullptr : name.c_str(), type, data, size);
    Require(rc == expected, "SetValue result");
  }

  void Query() {
    Key* key = nullptr;
    bool valid, classes;
    const HKey handle = PickHandle(&key, &valid, &classes);
    const bool null_name = input_.ConsumeIntegralInRange(0, 9) == 0;
    const std::string name = null_name ? std::string() : PickValueName();
    const bool want_type = input_.ConsumeBool();
    // 0: the size only, 1: nothing at all, 2: a buffer of any size, 3: a big one, 4: a buffer
    // without its size.
    const int mode = input_.ConsumeIntegralInRange(0, 4);
    const std::uint32_t capacity = mode == 3 ? 70000 : input_.ConsumeIntegralInRange(0, 400);
    const bool has_data = mode >= 2;
    const bool has_size = mode != 1 && mode != 4;

    struct Call {
      std::uint32_t type = 0xDEADBEEFu;
      std::uint32_t size = 0;
      std::vector<std::uint8_t> buffer;
    } model_call, store_call;
    for (Call* call : {&model_call, &store_call}) {
      call->size = capacity;
      call->buffer.assign(capacity + 16, 0xA5);
    }

    long expected = ValueKey(key, valid, classes, &key);
    if (expected == discsetup::kErrorSuccess) {
      const auto found = key->values.find(Fold(name.c_str()));
      if (has_data && !has_size) {
        expected = discsetup::kErrorInvalidParameter;
      } else if (key->deleted) {
        expected = discsetup::kErrorKeyDeleted;
      } else if (found == key->values.end()) {
        expected = discsetup::kErrorFileNotFound;
      } else {
        const std::string& bytes = found->second.data;
        if (want_type) model_call.type = found->second.type;
        if (has_data && model_call.size < bytes.size()) {
          expected = discsetup::kErrorMoreData;
        } else if (has_data) {
          std::copy(bytes.begin(), bytes.end(), model_call.buffer.begin());
        }
        if (has_size) model_call.size = static_cast<std::uint32_t>(bytes.size());
      }
    }

    const long rc = store_.QueryValue(
        handle, null_name ? nullptr : name.c_str(), want_type ? &store_call.type : nullptr,
        has_data ? store_call.buffer.data() : nullptr, has_size ? &store_call.size : nullptr);
    Require(rc == expected, "QueryValue result");
    Require(store_call.type == model_call.type, "QueryValue type");
    Require(store_call.size == model_call.size, "QueryValue size");
    Require(store_call.buffer == model_call.buffer, "QueryValue data or bytes beyond it");
  }

  void Close() {
    Key* key = nullptr;
    bool valid, classes;
    const HKey handle = PickHandle(&key, &valid, &classes);
    const long expected = valid ? discsetup::kErrorSuccess : discsetup::kErrorInvalidHandle;
    for (Slot& slot : slots_) {
      if (slot.handle == handle) slot.open = false;
    }
    Require(store_.CloseKey(handle) == expected, "CloseKey result");
  }

  // A key reached from a real root by path, through the store's own interface.
  long Reach(RegistryStore::KeyId* id, Key** key) {
    const bool user = input_.ConsumeBool();
    const std::string path = PickPath();
    std::vector<std::string> parts;
    long expected = Model::Split(path, &parts);
    if (expected == discsetup::kErrorSuccess) {
      expected = model_.Walk(user ? model_.user() : model_.machine(), parts, false, key);
    }
    const long rc = store_.store().OpenPath(
        user ? RegistryStore::kUserRoot : RegistryStore::kMachineRoot, path, false, id);
    Require(rc == expected, "OpenPath result");
    return rc;
  }

  void DeleteKey() {
    RegistryStore::KeyId id = 0;
    Key* key = nullptr;
    if (Reach(&id, &key) != discsetup::kErrorSuccess) return;
    const bool root = key->parent == nullptr;
    Require(store_.store().DeleteKey(id) ==
                (root ? discsetup::kErrorAccessDenied : discsetup::kErrorSuccess),
            "DeleteKey result");
    if (!root) model_.Delete(key);
  }

  void DeleteValue() {
    RegistryStore::KeyId id = 0;
    Key* key = nullptr;
    if (Reach(&id, &key) != discsetup::kErrorSuccess) return;
    const std::string name = PickValueName();
    const bool found = key->values.erase(Fold(name)) == 1;
    Require(store_.store().DeleteValue(id, name) ==
                (found ? discsetup::kErrorSuccess : discsetup::kErrorFileNotFound),
            "DeleteValue result");
  }

  void Compare() {
    RegistryStore::KeyId id = 0;
    Key* key = nullptr;
    if (Reach(&id, &key) != discsetup::kErrorSuccess) return;
    CompareKey(id, key);
  }

  void CompareKey(RegistryStore::KeyId id, const Key* key) {
    std::vector<std::string> names;
    Require(store_.store().ListSubkeys(id, &names) == discsetup::kErrorSuccess, "ListSubkeys");
    Require(names.size() == key->children.size(), "number of subkeys");
    auto child = key->children.begin();
    for (const std::string& name : names) {
      Require(name == child->second->name, "subkey name, spelling or order");
      ++child;
    }
    std::vector<RegistryStore::Value> values;
    Require(store_.store().ListValues(id, &values) == discsetup::kErrorSuccess, "ListValues");
    Require(values.size() == key->values.size(), "number of values");
    auto value = key->values.begin();
    for (const RegistryStore::Value& got : values) {
      Require(got.name == value->second.name, "value name, spelling or order");
      Require(got.type == value->second.type, "value type");
      Require(got.data == value->second.data, "value data");
      ++value;
    }
  }

  void CompareTree(RegistryStore::KeyId id, const Key* key) {
    CompareKey(id, key);
    for (const auto& child : key->children) {
      RegistryStore::KeyId child_id = 0;
      Require(store_.store().OpenParts(id, {child.second->name}, false, &child_id) ==
                  discsetup::kErrorSuccess,
              "OpenParts of a listed subkey");
      CompareTree(child_id, child.second);
    }
  }

  FuzzedDataProvider& input_;
  StoreRegistry& store_;
  Model model_;
  std::vector<Slot> slots_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Run run(input, SharedStore());
  for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) run.Step();
  run.CompareAll();
  return 0;
}
