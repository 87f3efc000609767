#include "registrar/registrar.h"

#include "platform/args.h"
#include "platform/ascii.h"
#include "platform/failure.h"
#include "registrar/registry_accessor.h"

namespace discsetup {
namespace {

const char kUsageLine[] = "Tolvi32.exe tiedostotarkennin rekisteriavain kuvaus\r\n";
const char kInstallerName[] = "Kokoaa32.exe";
const char kViewerName[] = "kokoaa32.exe";
const char kSuffixKey[] = "Software\\Netscape\\Netscape Navigator\\Suffixes";
const char kViewerKey[] = "Software\\Netscape\\Netscape Navigator\\Viewers";
const char kMimeType[] = "text/x-qtq";
const int kLastViewerSlot = 1024;

// 0x10000 little-endian: the shell's flag that the open action is safe for downloaded files.
const std::string kEditFlags("\x00\x00\x01\x00", 4);

std::string ProgramDirectoryOf(Process& process, const std::string& path) {
  return ProgramDirectory(path,
                          [&process](unsigned char byte) { return process.IsLeadByte(byte); });
}

}  // namespace

void RunRegistrar(Process& process, Registry& registry) {
  const std::string command_line = process.CommandLine();
  const std::string extension = CommandLineArgument(command_line, 1);
  if (extension == "/?") {
    // Registering an extension named "/?" would help no one: the usage line is the whole run.
    process.WriteStdout(kUsageLine);
    return;
  }
  const std::string class_key = CommandLineArgument(command_line, 2);
  const std::string description = CommandLineArgument(command_line, 3);
  const std::string installer_path =
      ProgramDirectoryOf(process, process.OwnPath()) + kInstallerName;

  AssociationStep(process, registry, extension, class_key, description, installer_path);
  EditFlagStep(registry, class_key);
}

void AssociationStep(Process& process, Registry& registry, const std::string& extension,
                     const std::string& class_key, const std::string& description,
                     const std::string& program_path) {
  if (extension.empty()) return;
  {
    RegistryAccessor accessor(registry);
    const std::string extension_key = "." + extension;
    accessor.SelectRoot(kClassesRoot);
    const std::string class_name = class_key.empty() ? extension_key.substr(1) + "_key" : class_key;
    accessor.WriteText(extension_key, "", class_name);
    accessor.WriteText(class_name, "", description);
    accessor.WriteText(class_name + "\\shell\\open\\command", "", program_path + " %1");
  }
  if (UpperAscii(CommandLineArgument(process.CommandLine(), 1)) == "QTQ") {
    BrowserViewerRegistration(process, registry);
  }
}

void BrowserViewerRegistration(Process& process, Registry& registry) {
  RegistryAccessor accessor(registry);
  accessor.SelectRoot(kCurrentUser);
  if (!accessor.ReadText(kSuffixKey, kMimeType).empty()) return;

  int slot = 0;
  for (;; ++slot) {
    if (slot > kLastViewerSlot) RaiseAbort();
    if (accessor.ReadText(kViewerKey, "TYPE" + std::to_string(slot)).empty()) break;
  }
  accessor.WriteText(kViewerKey, "TYPE" + std::to_string(slot), kMimeType);
  const std::string viewer_path =
      ProgramDirectoryOf(process, LowerAscii(process.OwnPath())) + kViewerName;
  accessor.WriteText(kViewerKey, kMimeType, viewer_path);
  accessor.WriteText(kSuffixKey, kMimeType, "qtq");
}

void EditFlagStep(Registry& registry, const std::string& class_key) {
  if (class_key.empty()) return;
  RegistryAccessor accessor(registry);
  accessor.SelectRoot(kLocalMachine);
  if (!accessor.OpenExistingKey("SOFTWARE\\Classes\\" + class_key)) return;
  accessor.WriteBinary("EditFlags", kEditFlags);
}

}  // namespace discsetup
