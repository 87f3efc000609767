// DOS paths against the real file system: the folder reader and current folder that
// DosToUnixPath needs.
#pragma once

#include <string>
#include <vector>

#include "platform/dos_path.h"

namespace discsetup {

// A FolderReader over the real file system.
bool ReadFolderNames(const std::string& folder, std::vector<std::string>* names);

// The process's current folder as a real path; empty when it cannot be read (removed).
std::string CurrentFolder();

// The Unix path of `dos_path` for this process (DosToUnixPath against the real file system);
// drive-less paths are relative to `base_folder`, or the current folder when that is empty.
std::string MapDosPath(const std::string& dos_path, const std::vector<Drive>& drives,
                       const std::string& base_folder = "");

}  // namespace discsetup
