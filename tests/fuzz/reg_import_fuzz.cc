// REGEDIT4 files of any bytes: each is read or refused with a reason, never more. A file that is
// read is imported into a registry held in memory, exported as the reg tool exports, and that
// export must read back into exactly the same registry: into an empty one, and into the one it
// came from without changing anything.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/posix/registry_store.h"
#include "tools/reg_text.h"

namespace {

using discsetup::ImportStep;
using discsetup::RegistryStore;

void Require(bool condition) {
  if (!condition) std::abort();
}

std::string Fold(const std::string& name) {
  return discsetup::UpperAscii(name);
}

// Children and values by folded name: byte order of the folded names is the order the tool lists
// them in, and the first spelling stays.
struct Key {
  std::string name;
  std::map<std::string, std::unique_ptr<Key>> children;
  std::map<std::string, RegistryStore::Value> values;
};

struct Registry {
  Key machine{"HKEY_LOCAL_MACHINE", {}, {}};
  Key user{"HKEY_CURRENT_USER", {}, {}};

  Key* Root(RegistryStore::KeyId id) {
    return id == RegistryStore::kMachineRoot ? &machine
           : id == RegistryStore::kUserRoot  ? &user
                                             : nullptr;
  }

  // The key at `parts` below the root, made when `create`; its parent goes to *parent.
  Key* Find(const discsetup::KeyName& name, bool create, Key** parent = nullptr) {
    Key* key = Root(name.root);
    Require(key != nullptr);
    for (const std::string& part : name.parts) {
      Require(!part.empty() && part.size() <= RegistryStore::kMaxKeyName);
      auto found = key->children.find(Fold(part));
      if (found == key->children.end()) {
        if (!create) return nullptr;
        std::unique_ptr<Key> child(new Key{part, {}, {}});
        found = key->children.emplace(Fold(part), std::move(child)).first;
      }
      if (parent != nullptr) *parent = key;
      key = found->second.get();
    }
    return key;
  }

  // As the tool imports: values after a deleted key go nowhere, a root is never deleted.
  void Import(const std::vector<ImportStep>& steps) {
    Key* current = nullptr;
    for (const ImportStep& step : steps) {
      switch (step.kind) {
        case ImportStep::kKey: current = Find(step.key, true); break;
        case ImportStep::kDeleteKey: {
          current = nullptr;
          Key* parent = nullptr;
          Key* doomed = Find(step.key, false, &parent);
          if (doomed != nullptr && step.key.parts.size() > step.key.root_parts) {
            parent->children.erase(Fold(doomed->name));
          }
          break;
        }
        case ImportStep::kValue: {
          if (current == nullptr) break;
          Require(step.name.size() <= RegistryStore::kMaxValueName);
          auto& value = current->values[Fold(step.name)];
          if (value.name.empty()) value.name = step.name;
          value.type = step.type;
          value.data = step.data;
          break;
        }
        case ImportStep::kDeleteValue:
          if (current != nullptr) current->values.erase(Fold(step.name));
          break;
      }
    }
  }

  static void ExportKey(const Key& key, const std::string& path, std::string* text) {
    *text += "\r\n[" + path + "]\r\n";
    for (const auto& value : key.values) {
      *text += discsetup::ExportValue(value.second);
      discsetup::QueryLine(value.second);
    }
    for (const auto& child : key.children) {
      ExportKey(*child.second, path + "\\" + child.second->name, text);
    }
  }

  std::string Export() const {
    std::string text = "REGEDIT4\r\n";
    ExportKey(machine, machine.name, &text);
    ExportKey(user, user.name, &text);
    return text + "\r\n";
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<ImportStep> steps;
  std::string problem;
  if (!discsetup::ParseRegedit4(text, &steps, &problem)) {
    Require(!problem.empty());
    return 0;
  }

  Registry imported;
  imported.Import(steps);
  const std::string exported = imported.Export();

  std::vector<ImportStep> again;
  if (!discsetup::ParseRegedit4(exported, &again, &problem)) std::abort();
  for (const ImportStep& step : again) {
    Require(step.kind == ImportStep::kKey || step.kind == ImportStep::kValue);
  }
  Registry fresh;
  fresh.Import(again);
  Require(fresh.Export() == exported);
  imported.Import(again);
  Require(imported.Export() == exported);
  return 0;
}
