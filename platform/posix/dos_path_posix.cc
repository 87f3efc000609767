#include "platform/posix/dos_path_posix.h"

#include <dirent.h>
#include <errno.h>
#include <unistd.h>

namespace discsetup {

bool ReadFolderNames(const std::string& folder, std::vector<std::string>* names) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return false;
  while (const dirent* entry = readdir(dir)) names->emplace_back(entry->d_name);
  closedir(dir);
  return true;
}

std::string CurrentFolder() {
  std::string buffer(256, '\0');
  while (getcwd(&buffer[0], buffer.size()) == nullptr) {
    if (errno != ERANGE) return "";
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return buffer;
}

std::string MapDosPath(const std::string& dos_path, const std::vector<Drive>& drives,
                       const std::string& base_folder) {
  return DosToUnixPath(dos_path, base_folder.empty() ? CurrentFolder() : base_folder, drives,
                       ReadFolderNames);
}

}  // namespace discsetup
