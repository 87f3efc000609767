#include "platform/posix/prefix.h"

#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <cctype>

namespace discsetup {

std::string PrefixFolder() {
  const char* prefix = getenv("DISCSETUP_PREFIX");
  if (prefix != nullptr && *prefix != '\0') return prefix;
  const char* data_home = getenv("XDG_DATA_HOME");
  if (data_home != nullptr && *data_home != '\0') return std::string(data_home) + "/discsetup";
  const char* home = getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/share/discsetup";
}

bool MakePrefixFolder(const std::string& prefix, std::string* error) {
  std::string path;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = prefix.find('/', pos + 1);
    path = prefix.substr(0, pos);
    if (path.empty()) continue;
    struct stat info;
    if (stat(path.c_str(), &info) == 0) {
      if (!S_ISDIR(info.st_mode)) {
        *error = path + ": not a folder";
        return false;
      }
      continue;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
      *error = path + ": " + strerror(errno);
      return false;
    }
  }
  return true;
}

std::vector<Drive> ReadDrives(const std::string& prefix) {
  std::vector<Drive> drives;
  bool z_named = false;
  const std::string folder = prefix + "/dosdevices";
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const char* name = entry->d_name;
      if (!std::isalpha(static_cast<unsigned char>(name[0])) || name[1] != ':' || name[2] != '\0') {
        continue;
      }
      char real[PATH_MAX];
      if (realpath((folder + "/" + name).c_str(), real) == nullptr) continue;
      const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
      drives.push_back(Drive{letter, real});
      if (letter == 'Z') z_named = true;
    }
    closedir(dir);
  }
  if (!z_named) drives.push_back(Drive{'Z', "/"});
  return drives;
}

}  // namespace discsetup
