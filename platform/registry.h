// The registry seam: the five registry functions the programs use, with Windows' arguments, results
// and error codes. Backends: the real Win32 registry, the SQLite store of the POSIX platform, and
// the recording fake of the tests.
#pragma once

#include <cstdint>
#include <string>

namespace discsetup {

// An open key as the programs see it. The three roots are predefined; every other value is a key
// opened by the program and stays valid until CloseKey.
using HKey = std::uintptr_t;

constexpr HKey kClassesRoot = 0x80000000u;
constexpr HKey kCurrentUser = 0x80000001u;
constexpr HKey kLocalMachine = 0x80000002u;

// Windows error codes the programs and the store deal in.
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorNotEnoughMemory = 8;
constexpr long kErrorInvalidParameter = 87;
constexpr long kErrorBadPathname = 161;
constexpr long kErrorMoreData = 234;
constexpr long kErrorBadDb = 1009;
constexpr long kErrorKeyDeleted = 1018;

// Value types.
constexpr std::uint32_t kRegNone = 0;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

constexpr std::uint32_t kKeyAllAccess = 0xF003F;
constexpr std::uint32_t kRegOptionNonVolatile = 0;

class Registry {
 public:
  virtual ~Registry() = default;

  // RegCreateKeyExA: opens `subkey` below `parent`, creating every missing key along the path.
  // A null or empty subkey opens the parent itself. Returns 0 and the key in *result, else an
  // error code: 161 for a path that begins with "\", 87 for a component over 255 bytes, 6 for a
  // bad parent.
  virtual long CreateKey(HKey parent, const char* subkey, std::uint32_t options,
                         std::uint32_t access, HKey* result) = 0;

  // RegOpenKeyExA: as CreateKey, but nothing is created: 2 when a key on the path is missing.
  virtual long OpenKey(HKey parent, const char* subkey, std::uint32_t access, HKey* result) = 0;

  // RegSetValueExA: stores exactly `size` bytes of `data` with `type`, replacing a value of the
  // same name (compared without ASCII case) whatever its type. A null or empty name is the default
  // value.
  virtual long SetValue(HKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                        std::uint32_t size) = 0;

  // RegQueryValueExA: with `data` null, gives the type and the size needed. With a buffer of *size
  // bytes: 0 and the data when it fits, else 234 with the size needed and the buffer untouched.
  // 2 when the value is missing. `type` may be null.
  virtual long QueryValue(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                          std::uint32_t* size) = 0;

  // RegCloseKey: releases a key opened by CreateKey or OpenKey. 6 for a key that is not open.
  virtual long CloseKey(HKey key) = 0;
};

}  // namespace discsetup
