#include "platform/posix/search_path.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace discsetup {

std::string FindInSearchPath(const std::string& name, const std::string& search_path) {
  std::string path = search_path;
  if (path.empty()) {
    const char* value = getenv("PATH");
    path = value != nullptr ? value : "";
  }
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    std::string candidate = (end == start ? "." : path.substr(start, end - start)) + "/" + name;
    struct stat info;
    if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
    start = end + 1;
  }
  return "";
}

}  // namespace discsetup
