#include "tests/support/fake_registry.h"

#include <cstring>
#include <vector>

#include "platform/ascii.h"

namespace discsetup {

struct FakeRegistry::Key {
  std::string name;
  std::map<std::string, std::unique_ptr<Key>> children;  // by lower-case name
  struct Value {
    std::string name;
    std::uint32_t type;
    std::string data;
  };
  std::map<std::string, Value> values;  // by lower-case name
};

namespace {

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  for (const char c : path + "\\") {
    if (c != '\\') {
      part += c;
    } else if (!part.empty()) {
      parts.push_back(part);
      part.clear();
    }
  }
  return parts;
}

}  // namespace

// As on a fresh system, the software keys of both roots and the classes key exist.
FakeRegistry::FakeRegistry() : machine_(new Key), user_(new Key) {
  Walk("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes", true);
  Walk("HKEY_CURRENT_USER\\Software", true);
}
FakeRegistry::~FakeRegistry() = default;
FakeRegistry::FakeRegistry(FakeRegistry&&) noexcept = default;
FakeRegistry& FakeRegistry::operator=(FakeRegistry&&) noexcept = default;

FakeRegistry::Key* FakeRegistry::Resolve(HKey key) const {
  switch (key) {
    case kLocalMachine: return machine_.get();
    case kCurrentUser: return user_.get();
    case kClassesRoot: return Walk("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes", true);
    default: break;
  }
  const auto found = handles_.find(key);
  return found == handles_.end() ? nullptr : found->second;
}

FakeRegistry::Key* FakeRegistry::Walk(const std::string& full_path, bool create) const {
  std::vector<std::string> parts = Components(full_path);
  if (parts.empty()) return nullptr;
  Key* key = parts[0] == "HKEY_LOCAL_MACHINE"  ? machine_.get()
             : parts[0] == "HKEY_CURRENT_USER" ? user_.get()
                                               : nullptr;
  if (parts[0] == "HKEY_CLASSES_ROOT") {
    parts.erase(parts.begin());
    parts.insert(parts.begin(), {"HKEY_LOCAL_MACHINE", "SOFTWARE", "Classes"});
    key = machine_.get();
  }
  for (std::size_t i = 1; key != nullptr && i < parts.size(); ++i) {
    auto& slot = key->children[LowerAscii(parts[i])];
    if (!slot) {
      if (!create) {
        key->children.erase(LowerAscii(parts[i]));
        return nullptr;
      }
      slot.reset(new Key);
      slot->name = parts[i];
    }
    key = slot.get();
  }
  return key;
}

long FakeRegistry::Open(HKey parent, const char* subkey, bool create, HKey* result) {
  const std::string path = subkey != nullptr ? subkey : "";
  if (fail_when) {
    if (const long rc = fail_when(create ? "RegCreateKeyExA" : "RegOpenKeyExA", path)) return rc;
  }
  Key* key = Resolve(parent);
  if (key == nullptr) return kErrorInvalidHandle;
  if (!path.empty() && path[0] == '\\') return kErrorBadPathname;
  const std::vector<std::string> parts = Components(path);
  for (const std::string& part : parts) {
    if (part.size() > 255) return kErrorInvalidParameter;
  }
  for (const std::string& part : parts) {
    auto found = key->children.find(LowerAscii(part));
    if (found == key->children.end()) {
      if (!create) return kErrorFileNotFound;
      std::unique_ptr<Key> child(new Key);
      child->name = part;
      found = key->children.emplace(LowerAscii(part), std::move(child)).first;
    }
    key = found->second.get();
  }
  *result = next_handle_++;
  handles_[*result] = key;
  return kErrorSuccess;
}

long FakeRegistry::CreateKey(HKey parent, const char* subkey, std::uint32_t, std::uint32_t,
                             HKey* result) {
  return Open(parent, subkey, true, result);
}

long FakeRegistry::OpenKey(HKey parent, const char* subkey, std::uint32_t, HKey* result) {
  return Open(parent, subkey, false, result);
}

long FakeRegistry::SetValue(HKey key, const char* name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) {
  const std::string value_name = name != nullptr ? name : "";
  if (fail_when) {
    if (const long rc = fail_when("RegSetValueExA", value_name)) return rc;
  }
  Key* target = Resolve(key);
  if (target == nullptr) return kErrorInvalidHandle;
  if (value_name.size() > 16383 || (data == nullptr && size != 0)) return kErrorInvalidParameter;
  auto& value = target->values[LowerAscii(value_name)];
  if (value.name.empty()) value.name = value_name;
  value.type = type;
  value.data.assign(reinterpret_cast<const char*>(data), size);
  return kErrorSuccess;
}

long FakeRegistry::QueryValue(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                              std::uint32_t* size) {
  const std::string value_name = name != nullptr ? name : "";
  if (fail_when) {
    if (const long rc = fail_when("RegQueryValueExA", value_name)) return rc;
  }
  Key* target = Resolve(key);
  if (target == nullptr) return kErrorInvalidHandle;
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
  const auto found = target->values.find(LowerAscii(value_name));
  if (found == target->values.end()) return kErrorFileNotFound;
  const auto& value = found->second;
  if (type != nullptr) *type = value.type;
  const auto needed = static_cast<std::uint32_t>(value.data.size());
  if (data != nullptr) {
    if (size == nullptr || *size < needed) {
      if (size != nullptr) *size = needed;
      return kErrorMoreData;
    }
    std::memcpy(data, value.data.data(), needed);
  }
  if (size != nullptr) *size = needed;
  return kErrorSuccess;
}

long FakeRegistry::CloseKey(HKey key) {
  if (fail_when) fail_when("RegCloseKey", "");
  if (key == kLocalMachine || key == kCurrentUser || key == kClassesRoot) return kErrorSuccess;
  return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

void FakeRegistry::Put(const std::string& key_path, const std::string& name, std::uint32_t type,
                       const std::string& data) {
  Key* key = Walk(key_path, true);
  auto& value = key->values[LowerAscii(name)];
  value.name = name;
  value.type = type;
  value.data = data;
}

bool FakeRegistry::HasKey(const std::string& key_path) const {
  return Walk(key_path, false) != nullptr;
}

bool FakeRegistry::Get(const std::string& key_path, const std::string& name, std::uint32_t* type,
                       std::string* data) const {
  const Key* key = Walk(key_path, false);
  if (key == nullptr) return false;
  const auto found = key->values.find(LowerAscii(name));
  if (found == key->values.end()) return false;
  *type = found->second.type;
  *data = found->second.data;
  return true;
}

std::string FakeRegistry::Dump() const {
  std::string out;
  std::function<void(const std::string&, const Key&)> dump = [&](const std::string& path,
                                                                 const Key& key) {
    for (const auto& entry : key.values) {
      out += path + "\\[" + entry.second.name + "] = " + std::to_string(entry.second.type) + ":" +
             entry.second.data + "\n";
    }
    for (const auto& child : key.children) dump(path + "\\" + child.second->name, *child.second);
  };
  dump("HKEY_LOCAL_MACHINE", *machine_);
  dump("HKEY_CURRENT_USER", *user_);
  return out;
}

}  // namespace discsetup
