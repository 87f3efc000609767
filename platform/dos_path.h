// DOS paths as a Wine prefix presents Unix paths: drive letters mapped to folders.
#pragma once

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

}  // namespace discsetup
