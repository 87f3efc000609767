// reg: the command-line tool for the POSIX registry store, with the syntax, output and messages of
// the Windows tool of that name, so that commands and scripts written for one work with the other.
//
//   reg query KEY [/v NAME | /ve] [/s]
//   reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]
//   reg delete KEY [/v NAME | /ve | /va] [/f]
//   reg export KEY FILE [/y]
//   reg import FILE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "platform/posix/prefix.h"
#include "platform/posix/registry_store.h"
#include "tools/reg_text.h"

namespace discsetup {
namespace {

using KeyId = RegistryStore::KeyId;

void Out(const std::string& text) {
  fwrite(text.data(), 1, text.size(), stdout);
}

int Error(const std::string& message) {
  fflush(stdout);
  fprintf(stderr, "ERROR: %s\n", message.c_str());
  return 1;
}

int Syntax(const std::string& operation) {
  return Error("Invalid syntax. Type \"REG " + UpperAscii(operation) + " /?\" for usage.");
}

// Windows' own wording for the codes the store gives.
std::string Describe(long code) {
  switch (code) {
    case kErrorFileNotFound:
      return "The system was unable to find the specified registry key or value.";
    case 3: return "The system cannot find the path specified.";
    case kErrorAccessDenied: return "Access is denied.";
    case kErrorNotEnoughMemory:
      return "Not enough memory resources are available to process this command.";
    case kErrorInvalidParameter: return "The parameter is incorrect.";
    case 112: return "There is not enough space on the disk.";
    case kErrorBadPathname: return "The specified path is invalid.";
    case 170: return "The requested resource is in use.";
    case kErrorBadDb: return "The configuration registry database is corrupt.";
    case 1016: return "An I/O operation initiated by the registry failed unrecoverably.";
    case kErrorKeyDeleted:
      return "Illegal operation attempted on a registry key that has been marked for deletion.";
    default: return "The registry operation failed with error " + std::to_string(code) + ".";
  }
}

int Failed(long code) {
  return Error(Describe(code));
}

// Asks on the terminal, never on standard input or output, so that piped use cannot be answered
// by accident. No terminal, or no answer, is a no.
bool Confirm(const std::string& question) {
  const int tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (tty < 0) return false;
  bool yes = false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::string prompt = question + " (Yes/No)? ";
    if (write(tty, prompt.data(), prompt.size()) < 0) break;
    std::string answer;
    char c = 0;
    ssize_t n = 0;
    while ((n = read(tty, &c, 1)) == 1 && c != '\n') answer += c;
    const std::string word = LowerAscii(answer.substr(0, answer.find_last_not_of(" \r\t") + 1));
    if (word == "y" || word == "yes") {
      yes = true;
      break;
    }
    if (word == "n" || word == "no" || n != 1) break;
  }
  close(tty);
  return yes;
}

int Cancelled() {
  return Error("The operation was canceled by the user, or no terminal was there to ask.");
}

struct Switches {
  std::vector<std::string> positional;
  bool has_v = false, ve = false, va = false, s = false, f = false, y = false, has_t = false,
       has_d = false;
  std::string v, t, d;
  bool bad = false;
};

bool IsSwitch(const std::string& arg, const char* name) {
  return arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-') && LowerAscii(arg.substr(1)) == name;
}

Switches ParseSwitches(int argc, char** argv, int first) {
  Switches s;
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    auto take = [&](bool* flag, std::string* value) {
      if (*flag || i + 1 >= argc) {
        s.bad = true;
        return;
      }
      *flag = true;
      *value = argv[++i];
    };
    auto once = [&](bool* flag) {
      if (*flag) s.bad = true;
      *flag = true;
    };
    if (IsSwitch(arg, "v"))
      take(&s.has_v, &s.v);
    else if (IsSwitch(arg, "t"))
      take(&s.has_t, &s.t);
    else if (IsSwitch(arg, "d"))
      take(&s.has_d, &s.d);
    else if (IsSwitch(arg, "ve"))
      once(&s.ve);
    else if (IsSwitch(arg, "va"))
      once(&s.va);
    else if (IsSwitch(arg, "s"))
      once(&s.s);
    else if (IsSwitch(arg, "f"))
      once(&s.f);
    else if (IsSwitch(arg, "y"))
      once(&s.y);
    else
      s.positional.push_back(arg);  // a file name may well begin with "/"
  }
  return s;
}

class Tool {
 public:
  Tool() : store_(PrefixFolder()) {}

  // The key a command names, as parsed by ParseKeyName; the key itself may not exist.
  long Find(const KeyName& key, bool create, KeyId* id) {
    return store_.OpenParts(key.root, key.parts, create, id);
  }

  int Query(const Switches& s) {
    if (s.positional.size() != 1 || s.bad || s.has_t || s.has_d || s.va || s.f || s.y ||
        (s.has_v && s.ve)) {
      return Syntax("query");
    }
    KeyName key;
    if (!ParseKeyName(s.positional[0], &key)) return Error("Invalid key name.");
    KeyId id = 0;
    if (const long rc = Find(key, false, &id)) return Failed(rc);

    if (s.has_v || s.ve) {
      const std::string name = s.has_v ? s.v : "";
      if (s.s) {
        int matches = 0;
        const long rc = SearchValue(id, key.display, name, &matches);
        if (rc != 0) return Failed(rc);
        Out("\nSearch complete. Number of matches found: " + std::to_string(matches) + "\n");
        return matches > 0 ? 0 : 1;
      }
      RegistryStore::Value value;
      const long rc = store_.GetValue(id, name, &value);
      if (rc == kErrorFileNotFound && s.ve) {
        Out("\n" + key.display + "\n    (Default)    REG_SZ    (value not set)\n\n");
        return 0;
      }
      if (rc != 0) return Failed(rc);
      Out("\n" + key.display + "\n" + QueryLine(value) + "\n");
      return 0;
    }
    Out("\n");
    const long rc = QueryKey(id, key.display, s.s, true);
    return rc != 0 ? Failed(rc) : 0;
  }

  int Add(const Switches& s) {
    if (s.positional.size() != 1 || s.bad || s.va || s.s || s.y || (s.has_v && s.ve)) {
      return Syntax("add");
    }
    KeyName key;
    if (!ParseKeyName(s.positional[0], &key)) return Error("Invalid key name.");
    const std::string type_name = s.has_t ? UpperAscii(s.t) : "REG_SZ";
    std::uint32_t type = 0;
    if (!TypeFromName(type_name, &type)) {
      return Error("Unsupported registry data type [" + s.t + "]");
    }
    std::string data;
    if (const char* problem = EncodeData(type, s.d, s.has_d, &data)) return Error(problem);

    const bool sets_value = s.has_v || s.ve || s.has_d;
    const std::string name = s.has_v ? s.v : "";
    if (name.size() > RegistryStore::kMaxValueName) return Failed(kErrorInvalidParameter);
    KeyId id = 0;
    if (sets_value && !s.f) {
      RegistryStore::Value existing;
      if (Find(key, false, &id) == 0 && store_.GetValue(id, name, &existing) == 0 &&
          !Confirm("Value " + (name.empty() ? std::string("(Default)") : name) +
                   " exists, overwrite")) {
        return Cancelled();
      }
    }
    const long rc = store_.Atomically([&]() -> long {
      if (const long rc = Find(key, true, &id)) return rc;
      return sets_value ? store_.PutValue(id, name, type, data) : 0;
    });
    if (rc != 0) return Failed(rc);
    Out("The operation completed successfully.\n");
    return 0;
  }

  int Delete(const Switches& s) {
    const int choices = s.has_v + s.ve + s.va;
    if (s.positional.size() != 1 || s.bad || s.has_t || s.has_d || s.s || s.y || choices > 1) {
      return Syntax("delete");
    }
    KeyName key;
    if (!ParseKeyName(s.positional[0], &key)) return Error("Invalid key name.");
    KeyId id = 0;
    if (const long rc = Find(key, false, &id)) return Failed(rc);
    long rc = 0;
    if (s.has_v || s.ve) {
      const std::string name = s.has_v ? s.v : "";
      RegistryStore::Value value;
      if ((rc = store_.GetValue(id, name, &value)) != 0) return Failed(rc);
      if (!s.f && !Confirm("Delete the registry value " +
                           (name.empty() ? std::string("(Default)") : name))) {
        return Cancelled();
      }
      rc = store_.DeleteValue(id, name);
    } else if (s.va) {
      if (!s.f && !Confirm("Delete all values under the registry key " + key.display)) {
        return Cancelled();
      }
      rc = store_.Atomically([&]() -> long {
        std::vector<RegistryStore::Value> values;
        if (const long rc = store_.ListValues(id, &values)) return rc;
        for (const auto& value : values) {
          if (const long rc = store_.DeleteValue(id, value.name)) return rc;
        }
        return 0;
      });
    } else {
      if (key.parts.size() == key.root_parts) return Error("Invalid key name.");
      if (!s.f && !Confirm("Permanently delete the registry key " + key.display)) {
        return Cancelled();
      }
      rc = store_.DeleteKey(id);
    }
    if (rc != 0) return Failed(rc);
    Out("The operation completed successfully.\n");
    return 0;
  }

  int Export(const Switches& s) {
    if (s.positional.size() != 2 || s.bad || s.has_v || s.ve || s.va || s.has_t || s.has_d || s.s ||
        s.f) {
      return Syntax("export");
    }
    KeyName key;
    if (!ParseKeyName(s.positional[0], &key)) return Error("Invalid key name.");
    KeyId id = 0;
    if (const long rc = Find(key, false, &id)) return Failed(rc);
    const std::string& file = s.positional[1];
    if (!s.y && access(file.c_str(), F_OK) == 0 &&
        !Confirm("File " + file + " already exists. Overwrite")) {
      return Cancelled();
    }
    std::string text = "REGEDIT4\r\n";
    if (const long rc = ExportKey(id, key.display, &text)) return Failed(rc);
    text += "\r\n";
    FILE* out = fopen(file.c_str(), "wb");
    if (out == nullptr) return Error("Unable to write the file " + file + ": " + strerror(errno));
    const bool written = fwrite(text.data(), 1, text.size(), out) == text.size();
    if (fclose(out) != 0 || !written) {
      return Error("Unable to write the file " + file + ": " + strerror(errno));
    }
    Out("The operation completed successfully.\n");
    return 0;
  }

  int Import(const Switches& s) {
    if (s.positional.size() != 1 || s.bad || s.has_v || s.ve || s.va || s.has_t || s.has_d || s.s ||
        s.f || s.y) {
      return Syntax("import");
    }
    std::ifstream in(s.positional[0], std::ios::binary);
    if (!in) {
      return Error("Error opening the file. There may be a disk or file system error.");
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<ImportStep> steps;
    std::string problem;
    if (!ParseRegedit4(text, &steps, &problem)) {
      return Error("The file " + s.positional[0] + " is not a valid registry script: " + problem);
    }
    // One transaction: a file is imported whole or not at all.
    const long rc = store_.Atomically([&]() -> long {
      KeyId id = 0;
      for (const ImportStep& step : steps) {
        long rc = 0;
        switch (step.kind) {
          case ImportStep::kKey: rc = Find(step.key, true, &id); break;
          case ImportStep::kDeleteKey: {
            KeyId doomed = 0;
            id = 0;
            rc = Find(step.key, false, &doomed);
            if (rc == kErrorFileNotFound)
              rc = 0;
            else if (rc == 0 && step.key.parts.size() > step.key.root_parts)
              rc = store_.DeleteKey(doomed);
            break;
          }
          case ImportStep::kValue:
            if (id == 0) break;  // values after a deleted key are ignored, as regedit does
            rc = store_.PutValue(id, step.name, step.type, step.data);
            break;
          case ImportStep::kDeleteValue:
            if (id == 0) break;
            rc = store_.DeleteValue(id, step.name);
            if (rc == kErrorFileNotFound) rc = 0;
            break;
        }
        if (rc != 0) return rc;
      }
      return 0;
    });
    if (rc != 0) return Failed(rc);
    Out("The operation completed successfully.\n");
    return 0;
  }

 private:
  long QueryKey(KeyId id, const std::string& path, bool recurse, bool top) {
    std::vector<RegistryStore::Value> values;
    if (const long rc = store_.ListValues(id, &values)) return rc;
    if (!top || !values.empty()) {
      if (top) Out(path + "\n");
      for (const auto& value : values) Out(QueryLine(value));
      Out("\n");
    }
    std::vector<std::string> subkeys;
    if (const long rc = store_.ListSubkeys(id, &subkeys)) return rc;
    for (const std::string& name : subkeys) {
      const std::string child_path = path + "\\" + name;
      if (!recurse) {
        Out(child_path + "\n");
        continue;
      }
      KeyId child = 0;
      if (store_.OpenParts(id, {name}, false, &child) != 0) continue;  // deleted meanwhile
      Out(child_path + "\n");
      if (const long rc = QueryKey(child, child_path, true, false)) return rc;
    }
    return 0;
  }

  long SearchValue(KeyId id, const std::string& path, const std::string& name, int* matches) {
    RegistryStore::Value value;
    const long rc = store_.GetValue(id, name, &value);
    if (rc == 0) {
      ++*matches;
      Out("\n" + path + "\n" + QueryLine(value));
    } else if (rc != kErrorFileNotFound) {
      return rc;
    }
    std::vector<std::string> subkeys;
    if (const long rc = store_.ListSubkeys(id, &subkeys)) return rc;
    for (const std::string& sub : subkeys) {
      KeyId child = 0;
      if (store_.OpenParts(id, {sub}, false, &child) != 0) continue;
      if (const long rc = SearchValue(child, path + "\\" + sub, name, matches)) return rc;
    }
    return 0;
  }

  long ExportKey(KeyId id, const std::string& path, std::string* text) {
    std::vector<RegistryStore::Value> values;
    if (const long rc = store_.ListValues(id, &values)) return rc;
    *text += "\r\n[" + path + "]\r\n";
    for (const auto& value : values) *text += ExportValue(value);
    std::vector<std::string> subkeys;
    if (const long rc = store_.ListSubkeys(id, &subkeys)) return rc;
    for (const std::string& name : subkeys) {
      KeyId child = 0;
      if (store_.OpenParts(id, {name}, false, &child) != 0) continue;
      if (const long rc = ExportKey(child, path + "\\" + name, text)) return rc;
    }
    return 0;
  }

  RegistryStore store_;
};

int Usage() {
  return Error("Invalid syntax. Type \"REG /?\" for usage.");
}

}  // namespace
}  // namespace discsetup

int main(int argc, char** argv) {
  using namespace discsetup;
  if (argc < 2) return Usage();
  const std::string operation = LowerAscii(argv[1]);
  const Switches switches = ParseSwitches(argc, argv, 2);
  Tool tool;
  if (operation == "query") return tool.Query(switches);
  if (operation == "add") return tool.Add(switches);
  if (operation == "delete") return tool.Delete(switches);
  if (operation == "export") return tool.Export(switches);
  if (operation == "import") return tool.Import(switches);
  return Usage();
}
