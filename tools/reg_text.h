// The texts of the reg tool: key names on the command line, data given with /d, the lines of
// `query`, and the REGEDIT4 files of `export` and `import`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/posix/registry_store.h"

namespace discsetup {

struct KeyName {
  RegistryStore::KeyId root = 0;
  std::vector<std::string> parts;  // below root; for HKEY_CLASSES_ROOT they start with the view's
  std::size_t root_parts = 0;      // how many of `parts` stand for the root itself
  std::string display;             // the full name to print, root spelled out
};

// "HKCU\Software\X" and the like. False for an unknown root or a bad path.
bool ParseKeyName(const std::string& text, KeyName* key);

// REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD (what `add` accepts), given in upper case.
bool TypeFromName(const std::string& name, std::uint32_t* type);
std::string TypeName(std::uint32_t type);

// The bytes `add` stores for /d `text`: texts with their NUL, DWORD from decimal or 0x hex,
// binary from hex digits. Null on success, else the message.
const char* EncodeData(std::uint32_t type, const std::string& text, bool given, std::string* data);

// "    name    TYPE    data\n".
std::string QueryLine(const RegistryStore::Value& value);

// One value in REGEDIT4 form, CRLF included.
std::string ExportValue(const RegistryStore::Value& value);

struct ImportStep {
  enum Kind { kKey, kDeleteKey, kValue, kDeleteValue } kind;
  KeyName key;  // kKey, kDeleteKey
  std::string name;
  std::uint32_t type = 0;
  std::string data;
};

// Reads a REGEDIT4 file. False with a one-line reason (naming the line) for anything malformed.
bool ParseRegedit4(const std::string& text, std::vector<ImportStep>* steps, std::string* problem);

}  // namespace discsetup
