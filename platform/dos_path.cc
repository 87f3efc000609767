#include "platform/dos_path.h"

namespace discsetup {
namespace {

// The part of `path` below `folder`, or false when `folder` is not an ancestor of it.
bool RelativeTo(const std::string& path, const std::string& folder, std::string* rest) {
  if (folder == "/") {
    *rest = path.substr(1);
    return !path.empty() && path[0] == '/';
  }
  if (path.compare(0, folder.size(), folder) != 0) return false;
  if (path.size() == folder.size()) {
    rest->clear();
    return true;
  }
  if (path[folder.size()] != '/') return false;
  *rest = path.substr(folder.size() + 1);
  return true;
}

}  // namespace

std::string UnixToDosPath(const std::string& path, const std::vector<Drive>& drives) {
  const Drive* best = nullptr;
  std::string best_rest;
  for (const Drive& drive : drives) {
    std::string rest;
    if (!RelativeTo(path, drive.folder, &rest)) continue;
    if (best == nullptr || drive.folder.size() > best->folder.size()) {
      best = &drive;
      best_rest = rest;
    }
  }
  if (best == nullptr) return "";
  std::string dos = std::string(1, best->letter) + ":\\";
  for (const char c : best_rest) dos += c == '/' ? '\\' : c;
  return dos;
}

}  // namespace discsetup
