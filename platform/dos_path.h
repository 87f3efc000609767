// DOS paths as a Wine prefix presents Unix paths: drive letters mapped to folders.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace discsetup {

struct Drive {
  char letter;         // upper case
  std::string folder;  // absolute real path, no trailing "/" except for "/" itself
};

// The DOS form of an absolute real Unix path: the drive whose folder is the deepest ancestor of
// `path` wins, the rest follows with "\" for "/". Empty when no drive holds the path.
std::string UnixToDosPath(const std::string& path, const std::vector<Drive>& drives);

// The full form of a DOS path, "X:\a\b", as Windows makes it before it opens a file: a path
// without a drive is relative to `current_folder` (itself a full DOS path), one with a leading
// "\" starts at the root of that folder's drive, and "X:name" is relative to the root of X:.
// "/" separates like "\", empty and "." components drop out, ".." takes one back but never above
// the root, and the drive letter becomes upper case. Empty for a UNC path ("\\server\share"), and
// for a path without a drive when `current_folder` is empty.
std::string FullDosPath(const std::string& dos_path, const std::string& current_folder);

// The names in a Unix folder ("." and ".." need not be among them); false when it cannot be read.
using FolderReader =
    std::function<bool(const std::string& folder, std::vector<std::string>* names)>;

// The Unix path of a DOS path, for a process whose current folder is the Unix folder
// `current_folder`: the full DOS form (FullDosPath) maps through the drive of its letter. Each
// component that is not found as written is looked up without regard to the case of ASCII letters
// in its folder (read by `read_folder`); the exact spelling wins over others, and among others the
// lowest in byte order. Components below one that is not found at all stay as written. Empty when
// the drive is unknown or the path is a UNC path. A drive-less path when no drive holds the
// current folder is taken relative to the current folder itself.
std::string DosToUnixPath(const std::string& dos_path, const std::string& current_folder,
                          const std::vector<Drive>& drives, const FolderReader& read_folder);

}  // namespace discsetup
