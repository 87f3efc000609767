// Finding a program by name, as a shell would, without a shell.
#pragma once

#include <string>

namespace discsetup {

// The executable regular file `name` in the first folder of `search_path` (colon-separated, an
// empty entry meaning the current folder) that holds one; `search_path` empty means $PATH. Empty
// when there is none.
std::string FindInSearchPath(const std::string& name, const std::string& search_path);

}  // namespace discsetup
