#include "platform/trace.h"

#include <cstdio>
#include <cstring>

namespace discsetup {
namespace {

std::string Number(unsigned long long value) {
  return std::to_string(value);
}
std::string Signed(long value) {
  return std::to_string(value);
}

}  // namespace

std::string TraceBytes(const std::string& bytes) {
  std::string out = "\"";
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '\\' || byte == '"') {
      out += '\\';
      out += c;
    } else if (byte >= 0x20 && byte <= 0x7E) {
      out += c;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    }
  }
  return out + "\"";
}

std::string TraceText(const char* text) {
  return text == nullptr ? "NULL" : TraceBytes(std::string(text));
}

std::string TracingRegistry::KeyName(HKey key) const {
  switch (key) {
    case kClassesRoot: return "HKEY_CLASSES_ROOT";
    case kCurrentUser: return "HKEY_CURRENT_USER";
    case kLocalMachine: return "HKEY_LOCAL_MACHINE";
    default: break;
  }
  const auto found = numbers_.find(key);
  if (found == numbers_.end()) return Number(key);
  return "hkey" + std::to_string(found->second);
}

void TracingRegistry::Opened(HKey key) {
  int number = 1;
  for (bool taken = true; taken;) {
    taken = false;
    for (const auto& entry : numbers_) {
      if (entry.second == number) {
        taken = true;
        ++number;
        break;
      }
    }
  }
  numbers_[key] = number;
}

long TracingRegistry::CreateKey(HKey parent, const char* subkey, std::uint32_t options,
                                std::uint32_t access, HKey* result) {
  const long rc = inner_.CreateKey(parent, subkey, options, access, result);
  if (rc == kErrorSuccess) Opened(*result);
  sink_("RegCreateKeyExA(" + KeyName(parent) + ", " + TraceText(subkey) + ", 0, NULL, " +
        Number(options) + ", " + Number(access) + ", NULL) = " + Signed(rc));
  return rc;
}

long TracingRegistry::OpenKey(HKey parent, const char* subkey, std::uint32_t access, HKey* result) {
  const long rc = inner_.OpenKey(parent, subkey, access, result);
  if (rc == kErrorSuccess) Opened(*result);
  sink_("RegOpenKeyExA(" + KeyName(parent) + ", " + TraceText(subkey) + ", 0, " + Number(access) +
        ") = " + Signed(rc));
  return rc;
}

long TracingRegistry::SetValue(HKey key, const char* name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  const long rc = inner_.SetValue(key, name, type, data, size);
  const std::string shown =
      data == nullptr ? "NULL" : TraceBytes(std::string(reinterpret_cast<const char*>(data), size));
  sink_("RegSetValueExA(" + KeyName(key) + ", " + TraceText(name) + ", 0, " + Number(type) + ", " +
        shown + ", " + Number(size) + ") = " + Signed(rc));
  return rc;
}

long TracingRegistry::QueryValue(HKey key, const char* name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
  const std::string buffer_size = data == nullptr || size == nullptr ? "NULL" : Number(*size);
  const long rc = inner_.QueryValue(key, name, type, data, size);
  sink_("RegQueryValueExA(" + KeyName(key) + ", " + TraceText(name) + ", NULL, " + buffer_size +
        ") = " + Signed(rc));
  return rc;
}

long TracingRegistry::CloseKey(HKey key) {
  const std::string name = KeyName(key);
  const long rc = inner_.CloseKey(key);
  if (rc == kErrorSuccess) numbers_.erase(key);
  sink_("RegCloseKey(" + name + ") = " + Signed(rc));
  return rc;
}

long TracingProgramStart::FindExecutableFor(const char* file, const char* directory,
                                            char* result_path) {
  const long rc = inner_.FindExecutableFor(file, directory, result_path);
  sink_("FindExecutableA(" + TraceText(file) + ", " + TraceText(directory) + ") = " + Signed(rc));
  return rc;
}

long TracingProgramStart::ShellExecuteVerb(std::uintptr_t owner, const char* verb, const char* file,
                                           const char* parameters, const char* directory,
                                           int show) {
  const long rc = inner_.ShellExecuteVerb(owner, verb, file, parameters, directory, show);
  sink_("ShellExecuteA(" + Number(owner) + ", " + TraceText(verb) + ", " + TraceText(file) + ", " +
        TraceText(parameters) + ", " + TraceText(directory) + ", " + Signed(show) +
        ") = " + Signed(rc));
  return rc;
}

long TracingProgramStart::RunCommandLine(const char* command_line, int show) {
  const long rc = inner_.RunCommandLine(command_line, show);
  sink_("WinExec(" + TraceText(command_line) + ", " + Signed(show) + ") = " + Signed(rc));
  return rc;
}

int TracingMessageBoxes::Show(std::uintptr_t owner, const char* text, const char* caption,
                              unsigned style) {
  const int rc = inner_.Show(owner, text, caption, style);
  sink_("MessageBoxA(" + Number(owner) + ", " + TraceText(text) + ", " + TraceText(caption) + ", " +
        Number(style) + ") = " + Signed(rc));
  return rc;
}

}  // namespace discsetup
