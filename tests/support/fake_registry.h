// An in-memory registry with the same contract as the real ones, for unit tests of the programs'
// cores. Failures can be scripted per call.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/registry.h"

namespace discsetup {

class FakeRegistry final : public Registry {
 public:
  FakeRegistry();
  ~FakeRegistry() override;
  FakeRegistry(FakeRegistry&&) noexcept;
  FakeRegistry& operator=(FakeRegistry&&) noexcept;

  long CreateKey(HKey parent, const char* subkey, std::uint32_t options, std::uint32_t access,
                 HKey* result) override;
  long OpenKey(HKey parent, const char* subkey, std::uint32_t access, HKey* result) override;
  long SetValue(HKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long QueryValue(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long CloseKey(HKey key) override;

  // Scripted failure: called before every call with the function's Windows name and the key path
  // or value name it is about; a non-zero return is the call's result, and the call does nothing.
  std::function<long(const std::string& function, const std::string& name)> fail_when;

  // Test set-up and inspection by full path ("HKEY_CURRENT_USER\\Software\\X").
  void Put(const std::string& key_path, const std::string& name, std::uint32_t type,
           const std::string& data);
  bool HasKey(const std::string& key_path) const;
  // Type and data of a value; false when missing.
  bool Get(const std::string& key_path, const std::string& name, std::uint32_t* type,
           std::string* data) const;
  // Every value as "path\\[name] = type:data", in path order, for whole-store comparisons.
  std::string Dump() const;
  int OpenHandles() const { return static_cast<int>(handles_.size()); }

 private:
  struct Key;
  Key* Resolve(HKey key) const;
  Key* Walk(const std::string& full_path, bool create) const;
  long Open(HKey parent, const char* subkey, bool create, HKey* result);

  std::unique_ptr<Key> machine_;
  std::unique_ptr<Key> user_;
  std::map<HKey, Key*> handles_;
  HKey next_handle_ = 0x1000;
};

}  // namespace discsetup
