#include "registrar/registry_accessor.h"

#include <cstdint>
#include <vector>

#include "platform/failure.h"

namespace discsetup {
namespace {

// Key paths are taken from the root; one leading backslash says as much and is dropped.
std::string RelativePath(const std::string& key_path) {
  return !key_path.empty() && key_path[0] == '\\' ? key_path.substr(1) : key_path;
}

// Closes a key on every way out of the scope that opened it.
class KeyCloser {
 public:
  KeyCloser(Registry& registry, HKey key) : registry_(registry), key_(key) {}
  ~KeyCloser() { registry_.CloseKey(key_); }
  KeyCloser(const KeyCloser&) = delete;
  KeyCloser& operator=(const KeyCloser&) = delete;

 private:
  Registry& registry_;
  HKey key_;
};

}  // namespace

RegistryAccessor::~RegistryAccessor() {
  CloseCurrentKey();
}

void RegistryAccessor::CloseCurrentKey() {
  if (current_ == 0) return;
  registry_.CloseKey(current_);
  current_ = 0;
}

void RegistryAccessor::SelectRoot(HKey root) {
  if (root == root_) return;
  root_ = root;
  CloseCurrentKey();
}

void RegistryAccessor::WriteText(const std::string& key_path, const std::string& name,
                                 const std::string& text) {
  const std::string path = RelativePath(key_path);
  HKey created = 0;
  if (registry_.CreateKey(root_, path.c_str(), kRegOptionNonVolatile, kKeyAllAccess, &created) !=
      kErrorSuccess) {
    RaiseRegistryException("Failed to create key " + key_path);
  }
  registry_.CloseKey(created);

  HKey key = 0;
  if (registry_.OpenKey(root_, path.c_str(), kKeyAllAccess, &key) != kErrorSuccess) return;
  KeyCloser closer(registry_, key);
  const std::string data = text + '\0';
  if (registry_.SetValue(key, name.c_str(), kRegSz,
                         reinterpret_cast<const std::uint8_t*>(data.data()),
                         static_cast<std::uint32_t>(data.size())) != kErrorSuccess) {
    RaiseRegistryException("Failed to set data for '" + name + "'");
  }
}

std::string RegistryAccessor::ReadText(const std::string& key_path, const std::string& name) {
  const std::string path = RelativePath(key_path);
  HKey key = 0;
  if (registry_.OpenKey(root_, path.c_str(), kKeyAllAccess, &key) != kErrorSuccess) return "";
  KeyCloser closer(registry_, key);

  std::uint32_t type = kRegNone;
  std::uint32_t size = 0;
  if (registry_.QueryValue(key, name.c_str(), &type, nullptr, &size) != kErrorSuccess) return "";
  if (size == 0) return "";

  std::vector<std::uint8_t> data(size);
  if (registry_.QueryValue(key, name.c_str(), &type, data.data(), &size) != kErrorSuccess) {
    RaiseRegistryException("Failed to get data for '" + name + "'");
  }
  if (type != kRegSz && type != kRegExpandSz) {
    RaiseRegistryException("Invalid data type for '" + name + "'");
  }
  std::string text(data.begin(), data.begin() + size);
  return text.substr(0, text.find('\0'));
}

bool RegistryAccessor::OpenExistingKey(const std::string& key_path) {
  const std::string path = RelativePath(key_path);
  HKey key = 0;
  if (registry_.OpenKey(root_, path.c_str(), kKeyAllAccess, &key) != kErrorSuccess) return false;
  CloseCurrentKey();
  current_ = key;
  return true;
}

void RegistryAccessor::WriteBinary(const std::string& name, const std::string& bytes) {
  if (registry_.SetValue(current_, name.c_str(), kRegBinary,
                         reinterpret_cast<const std::uint8_t*>(bytes.data()),
                         static_cast<std::uint32_t>(bytes.size())) != kErrorSuccess) {
    RaiseRegistryException("Failed to set data for '" + name + "'");
  }
}

}  // namespace discsetup
