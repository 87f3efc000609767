#include "platform/dos_path.h"

#include "platform/ascii.h"

namespace discsetup {
namespace {

// The part of `path` below `folder`, or false when `folder` is not an ancestor of it.
bool RelativeTo(const std::string& path, const std::string& folder, std::string* rest) {
  if (folder == "/") {
    if (path.empty() || path[0] != '/') return false;
    *rest = path.substr(1);
    return true;
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

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && IsLetter(path[0]) && path[1] == ':';
}

// Appends the components of `path` to `parts`, resolving "." and ".." as Windows does.
void AddComponents(const std::string& path, std::vector<std::string>* parts) {
  std::string part;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) {
      part += path[i];
      continue;
    }
    if (part == "..") {
      if (!parts->empty()) parts->pop_back();
    } else if (!part.empty() && part != ".") {
      parts->push_back(part);
    }
    part.clear();
  }
}

std::string JoinUnix(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

// The name in `folder` that stands for `name`: itself when present, else a match without ASCII
// case; empty when there is none or the folder cannot be read.
std::string FindName(const std::string& folder, const std::string& name,
                     const FolderReader& read_folder) {
  std::vector<std::string> names;
  if (!read_folder(folder, &names)) return "";
  const std::string wanted = LowerAscii(name);
  std::string found;
  for (const std::string& candidate : names) {
    if (candidate == name) return candidate;
    if (LowerAscii(candidate) == wanted && (found.empty() || candidate < found)) found = candidate;
  }
  return found;
}

std::string MapComponents(std::string unix_path, const std::vector<std::string>& parts,
                          const FolderReader& read_folder) {
  bool searching = true;
  for (const std::string& part : parts) {
    std::string name = part;
    if (searching) {
      const std::string found = FindName(unix_path, part, read_folder);
      if (found.empty()) {
        searching = false;
      } else {
        name = found;
      }
    }
    unix_path = JoinUnix(unix_path, name);
  }
  return unix_path;
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

std::string FullDosPath(const std::string& dos_path, const std::string& current_folder) {
  if (dos_path.size() >= 2 && IsSeparator(dos_path[0]) && IsSeparator(dos_path[1])) return "";
  char drive;
  std::vector<std::string> parts;
  std::string rest;
  if (HasDrive(dos_path)) {
    drive = dos_path[0];
    rest = dos_path.substr(2);
  } else {
    if (!HasDrive(current_folder)) return "";
    drive = current_folder[0];
    if (dos_path.empty() || !IsSeparator(dos_path[0]))
      AddComponents(current_folder.substr(2), &parts);
    rest = dos_path;
  }
  AddComponents(rest, &parts);
  std::string full = UpperAscii(std::string(1, drive)) + ":";
  for (const std::string& part : parts) full += "\\" + part;
  return parts.empty() ? full + "\\" : full;
}

std::string DosToUnixPath(const std::string& dos_path, const std::string& current_folder,
                          const std::vector<Drive>& drives, const FolderReader& read_folder) {
  const std::string current_dos = UnixToDosPath(current_folder, drives);
  const std::string full = FullDosPath(dos_path, current_dos);
  if (full.empty()) {
    // Only a drive-less path can get here with a usable meaning: the current folder is on no drive.
    if (HasDrive(dos_path) || current_folder.empty()) return "";
    if (dos_path.size() >= 2 && IsSeparator(dos_path[0]) && IsSeparator(dos_path[1])) return "";
    std::vector<std::string> parts;
    const std::string base = !dos_path.empty() && IsSeparator(dos_path[0]) ? "/" : current_folder;
    AddComponents(dos_path, &parts);
    return MapComponents(base, parts, read_folder);
  }
  const Drive* drive = nullptr;
  for (const Drive& candidate : drives) {
    if (candidate.letter == full[0]) drive = &candidate;
  }
  if (drive == nullptr) return "";
  std::vector<std::string> parts;
  AddComponents(full.substr(2), &parts);
  return MapComponents(drive->folder, parts, read_folder);
}

}  // namespace discsetup
