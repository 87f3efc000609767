// Tolvi32: registers a file extension so that opening such a file starts the disc's installer
// Kokoaa32 beside it, registers the disc's own document type as a browser viewer, and marks the
// class key safe to open after download.
#pragma once

#include <string>

#include "platform/process.h"
#include "platform/registry.h"

namespace discsetup {

// The whole run after start-up: usage line, association step, edit-flag step. Raises the
// registry failures; the caller reports them.
void RunRegistrar(Process& process, Registry& registry);

// Writes, under HKEY_CLASSES_ROOT, the extension key, the class key's description and its open
// command "<program_path> %1"; then, for the extension "qtq" in any case, the browser viewer
// registration. Does nothing for an empty extension.
void AssociationStep(Process& process, Registry& registry, const std::string& extension,
                     const std::string& class_key, const std::string& description,
                     const std::string& program_path);

// Registers Kokoaa32 as the external viewer of "text/x-qtq" in the first free slot of the
// browser's per-user settings, unless the type already has a suffix there. Raises EAbort when all
// 1025 slots are taken.
void BrowserViewerRegistration(Process& process, Registry& registry);

// Marks the existing class key HKEY_LOCAL_MACHINE\SOFTWARE\Classes\<class_key> as safe to open
// after download. Does nothing for an empty argument or a key that cannot be opened.
void EditFlagStep(Registry& registry, const std::string& class_key);

}  // namespace discsetup
