// DOS and Unix paths over random drives and a random file tree. A Unix path under a drive must come
// back from its DOS form exactly; with its letters' case scrambled it must land on the names the
// tree holds; a folder that cannot be read leaves the rest as written. Whatever the input, a full
// DOS path is well formed and stable, the Unix side never climbs above the drive's folder and never
// gets a "\" of its own, and the DOS side never holds a "/".
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/dos_path.h"

namespace {

using discsetup::Drive;
using discsetup::FolderReader;

void Require(bool condition) {
  if (!condition) std::abort();
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  }
  return text;
}

char FlipCase(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 0x20);
  if (c >= 'A' && c <= 'Z') return static_cast<char>(c + 0x20);
  return c;
}

// Letters of both cases, bytes above 0x7F that must not be folded, and the characters that make
// DOS names look special ("." and blanks).
std::string Component(FuzzedDataProvider& input) {
  static const char kAlphabet[] = "aAbBzZ.. -_~1\xC4\xE4";
  std::string name;
  const int length = input.ConsumeIntegralInRange(1, 6);
  for (int i = 0; i < length; ++i) {
    name += kAlphabet[input.ConsumeIntegralInRange<std::size_t>(0, sizeof kAlphabet - 2)];
  }
  if (name == "." || name == "..") name = "x" + name;
  return name;
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool IsAncestor(const std::string& folder, const std::string& path) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  return path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

std::vector<std::string> SplitOn(const std::string& text, const std::string& separators) {
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && separators.find(text[i]) == std::string::npos) {
      part += text[i];
    } else {
      parts.push_back(part);
      part.clear();
    }
  }
  return parts;
}

bool IsFullDosPath(const std::string& path) {
  if (path.size() < 3 || path[0] < 'A' || path[0] > 'Z' || path[1] != ':' || path[2] != '\\') {
    return false;
  }
  if (path.find('/') != std::string::npos) return false;
  if (path.size() == 3) return true;
  for (const std::string& part : SplitOn(path.substr(3), "\\")) {
    if (part.empty() || part == "." || part == "..") return false;
  }
  return true;
}

// The part of a mapped Unix path below the folder it started from: names only, no climbing.
void RequireCleanBelow(const std::string& base, const std::string& path) {
  Require(IsAncestor(base, path));
  if (path.size() == base.size()) return;
  const std::string rest = path.substr(base == "/" ? 1 : base.size() + 1);
  for (const std::string& part : SplitOn(rest, "/")) {
    Require(!part.empty() && part != "." && part != "..");
    Require(part.find('\\') == std::string::npos);
  }
}

const Drive* DriveOf(const std::vector<Drive>& drives, char letter) {
  for (const Drive& drive : drives) {
    if (drive.letter == letter) return &drive;
  }
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);

  std::vector<Drive> drives;
  const int drive_count = input.ConsumeIntegralInRange(0, 4);
  for (int i = 0; i < drive_count; ++i) {
    const char letter = static_cast<char>('A' + input.ConsumeIntegralInRange(0, 25));
    std::string folder = "/";
    const int depth = input.ConsumeIntegralInRange(0, 3);
    for (int d = 0; d < depth; ++d) folder = Join(folder, Component(input));
    if (DriveOf(drives, letter) == nullptr) drives.push_back(Drive{letter, folder});
  }

  // The tree: every folder's names, with decoys that differ only in case or not at all.
  std::map<std::string, std::vector<std::string>> folders;
  const FolderReader reader = [&folders](const std::string& folder,
                                         std::vector<std::string>* names) {
    const auto found = folders.find(folder);
    if (found == folders.end()) return false;
    *names = found->second;
    return true;
  };
  const FolderReader unreadable = [](const std::string&, std::vector<std::string>*) {
    return false;
  };

  if (!drives.empty()) {
    const Drive& drive = drives[input.ConsumeIntegralInRange<std::size_t>(0, drives.size() - 1)];
    std::string path = drive.folder;
    std::vector<std::string> components;
    const int depth = input.ConsumeIntegralInRange(0, 5);
    for (int d = 0; d < depth; ++d) {
      const std::string name = Component(input);
      std::vector<std::string>& names = folders[path];
      const int decoys = input.ConsumeIntegralInRange(0, 3);
      for (int k = 0; k < decoys; ++k) {
        std::string decoy = input.ConsumeBool() ? name : Component(input);
        const std::uint8_t flips = input.ConsumeIntegral<std::uint8_t>();
        for (std::size_t c = 0; c < decoy.size() && c < 8; ++c) {
          if (flips & (1u << c)) decoy[c] = FlipCase(decoy[c]);
        }
        names.push_back(decoy);
      }
      names.insert(names.begin() + input.ConsumeIntegralInRange<std::size_t>(0, names.size()),
                   name);
      components.push_back(name);
      path = Join(path, name);
    }

    const std::string dos = discsetup::UnixToDosPath(path, drives);
    Require(IsFullDosPath(dos));
    const Drive* chosen = DriveOf(drives, dos[0]);
    Require(chosen != nullptr && IsAncestor(chosen->folder, path));
    for (const Drive& other : drives) {
      Require(!IsAncestor(other.folder, path) || other.folder.size() <= chosen->folder.size());
    }

    const std::string current = input.ConsumeBool() ? path : input.ConsumeRandomLengthString(32);
    Require(discsetup::DosToUnixPath(dos, current, drives, reader) == path);

    // The same path in scrambled case: each component is whatever the tree holds for it, the
    // exact spelling first, else the lowest in byte order; past a miss it stays as written.
    std::string scrambled = dos;
    const std::uint64_t flips = input.ConsumeIntegral<std::uint64_t>();
    for (std::size_t c = 0; c < scrambled.size(); ++c) {
      if (flips & (std::uint64_t{1} << (c % 64))) scrambled[c] = FlipCase(scrambled[c]);
    }
    const std::vector<std::string> written =
        scrambled.size() == 3 ? std::vector<std::string>() : SplitOn(scrambled.substr(3), "\\");
    std::string expected = chosen->folder, as_written = chosen->folder;
    bool searching = true;
    for (const std::string& part : written) {
      std::string name = part;
      std::vector<std::string> names;
      if (searching && reader(expected, &names)) {
        std::string best;
        bool exact = false;
        for (const std::string& candidate : names) {
          if (candidate == part) exact = true;
          if (Lower(candidate) == Lower(part) && (best.empty() || candidate < best)) {
            best = candidate;
          }
        }
        if (exact) best = part;
        if (best.empty())
          searching = false;
        else
          name = best;
      } else {
        searching = false;
      }
      expected = Join(expected, name);
      as_written = Join(as_written, part);
    }
    Require(discsetup::DosToUnixPath(scrambled, current, drives, reader) == expected);
    Require(discsetup::DosToUnixPath(scrambled, current, drives, unreadable) == as_written);
    Require(discsetup::FullDosPath(scrambled, "") ==
            std::string(1, chosen->letter) + scrambled.substr(1));
  }

  // Anything at all.
  const std::string current_dos = input.ConsumeRandomLengthString(64);
  const std::string current_unix = input.ConsumeRandomLengthString(64);
  const std::string any = input.ConsumeRemainingBytesAsString();

  const std::string full = discsetup::FullDosPath(any, current_dos);
  const bool unc =
      any.size() >= 2 && (any[0] == '\\' || any[0] == '/') && (any[1] == '\\' || any[1] == '/');
  const bool has_drive = any.size() >= 2 && any[1] == ':' &&
                         ((any[0] >= 'a' && any[0] <= 'z') || (any[0] >= 'A' && any[0] <= 'Z'));
  if (unc) {
    Require(full.empty());
  } else if (has_drive) {
    Require(IsFullDosPath(full) && full == discsetup::FullDosPath(any, ""));
  }
  if (!full.empty()) {
    Require(IsFullDosPath(full));
    Require(discsetup::FullDosPath(full, current_dos) == full);
    Require(discsetup::FullDosPath(full, "") == full);
  }
  // A relative path that never says ".." stays inside the current folder.
  const std::string base = discsetup::FullDosPath(current_dos, "");
  if (!unc && !has_drive && !base.empty() && (any.empty() || (any[0] != '\\' && any[0] != '/'))) {
    bool climbs = false;
    for (const std::string& part : SplitOn(any, "\\/")) climbs = climbs || part == "..";
    if (!climbs) {
      Require(full.compare(0, base.size(), base) == 0 || full + "\\" == base);
    }
  }

  const std::string unix_path = discsetup::DosToUnixPath(any, current_unix, drives, reader);
  const std::string current_on = discsetup::UnixToDosPath(current_unix, drives);
  if (unc) {
    Require(unix_path.empty());
  } else if (has_drive || !current_on.empty()) {
    const char letter = has_drive ? static_cast<char>(any[0] & ~0x20) : current_on[0];
    const Drive* drive = DriveOf(drives, letter);
    if (drive == nullptr) {
      Require(unix_path.empty());
    } else {
      RequireCleanBelow(drive->folder, unix_path);
    }
  } else if (!current_unix.empty()) {
    RequireCleanBelow(!any.empty() && (any[0] == '\\' || any[0] == '/') ? "/" : current_unix,
                      unix_path);
  } else {
    Require(unix_path.empty());
  }

  const std::string dos_any = discsetup::UnixToDosPath(any, drives);
  if (!dos_any.empty()) {
    Require(dos_any.find('/') == std::string::npos && dos_any.compare(1, 2, ":\\") == 0);
    Require(IsAncestor(DriveOf(drives, dos_any[0])->folder, any));
  }
  return 0;
}
