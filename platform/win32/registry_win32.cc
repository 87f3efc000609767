// The registry seam over the real Windows registry.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"

namespace discsetup {
namespace {

// The seam's root values are the 32-bit ones; 64-bit Windows sign-extends its predefined keys.
HKEY ToHkey(HKey key) {
  switch (key) {
    case kClassesRoot: return HKEY_CLASSES_ROOT;
    case kCurrentUser: return HKEY_CURRENT_USER;
    case kLocalMachine: return HKEY_LOCAL_MACHINE;
    default: return reinterpret_cast<HKEY>(key);
  }
}

class Win32Registry final : public Registry {
 public:
  long CreateKey(HKey parent, const char* subkey, std::uint32_t options, std::uint32_t access,
                 HKey* result) override {
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(ToHkey(parent), subkey, 0, nullptr, options, access, nullptr,
                                    &key, nullptr);
    if (rc == ERROR_SUCCESS) *result = reinterpret_cast<HKey>(key);
    return rc;
  }

  long OpenKey(HKey parent, const char* subkey, std::uint32_t access, HKey* result) override {
    HKEY key = nullptr;
    const LONG rc = RegOpenKeyExA(ToHkey(parent), subkey, 0, access, &key);
    if (rc == ERROR_SUCCESS) *result = reinterpret_cast<HKey>(key);
    return rc;
  }

  long SetValue(HKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override {
    return RegSetValueExA(ToHkey(key), name, 0, type, data, size);
  }

  long QueryValue(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override {
    DWORD value_type = 0;
    DWORD value_size = size != nullptr ? *size : 0;
    const LONG rc = RegQueryValueExA(ToHkey(key), name, nullptr, &value_type, data,
                                     size != nullptr ? &value_size : nullptr);
    if (type != nullptr) *type = value_type;
    if (size != nullptr) *size = value_size;
    return rc;
  }

  long CloseKey(HKey key) override { return RegCloseKey(ToHkey(key)); }
};

}  // namespace

Registry& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace discsetup
