// Program start on POSIX, with the results Wine gives for the same calls. Nothing here goes
// through a shell: every program is started by posix_spawn with an argument vector, so no byte of
// a command line, file name or parameter is ever interpreted.
#include "platform/posix/program_start_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/dos_path.h"
#include "platform/platform.h"
#include "platform/posix/dos_path_posix.h"
#include "platform/posix/prefix.h"
#include "platform/posix/search_path.h"
#include "platform/show_mode.h"
#include "platform/windows_command_line.h"

extern char** environ;

namespace discsetup {
namespace {

constexpr int kSwShowMinimized = 2;
constexpr int kSwMinimize = 6;

enum class FileKind { kMissing, kFolder, kNative, kWindows, kOther };

FileKind Classify(const std::string& path) {
  struct stat info;
  if (path.empty() || stat(path.c_str(), &info) != 0) return FileKind::kMissing;
  if (S_ISDIR(info.st_mode)) return FileKind::kFolder;
  if (!S_ISREG(info.st_mode)) return FileKind::kOther;
  char head[4] = {};
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileKind::kOther;
  const ssize_t n = read(fd, head, sizeof head);
  close(fd);
  if (n >= 2 && head[0] == 'M' && head[1] == 'Z') return FileKind::kWindows;
  const bool native = (n == 4 && std::memcmp(head,
                                             "\x7f"
                                             "ELF",
                                             4) == 0) ||
                      (n >= 2 && head[0] == '#' && head[1] == '!');
  if (native && access(path.c_str(), X_OK) == 0) return FileKind::kNative;
  return FileKind::kOther;
}

bool IsFolder(const std::string& path) {
  return Classify(path) == FileKind::kFolder;
}

bool Exists(const std::string& path) {
  struct stat info;
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

// The last component of a DOS path, and whether it has an extension as Windows sees one.
std::string LastComponent(const std::string& dos_path) {
  const std::size_t slash = dos_path.find_last_of("\\/:");
  return slash == std::string::npos ? dos_path : dos_path.substr(slash + 1);
}

std::string Extension(const std::string& dos_path) {
  const std::string name = LastComponent(dos_path);
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : LowerAscii(name.substr(dot));
}

// What the Windows shell runs itself rather than through an association.
bool HasProgramExtension(const std::string& dos_path) {
  const std::string extension = Extension(dos_path);
  return extension == ".exe" || extension == ".com" || extension == ".bat" || extension == ".cmd" ||
         extension == ".pif";
}

std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// Owns the attributes that give a started program a clean signal state: our handlers and blocked
// signals are no business of it.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    posix_spawnattr_init(&attributes_);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes_, &signals);
    sigfillset(&signals);
    posix_spawnattr_setsigdefault(&attributes_, &signals);
    posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes_); }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

// Waits for one child of our own; false when its status is lost (SIGCHLD ignored by the caller).
bool WaitFor(pid_t pid, int* status) {
  while (waitpid(pid, status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Starts `program` with `argv` in `folder` and returns at once: 0, or the errno of the failure.
// A short-lived intermediate child does the spawn and exits, so the program is handed to init
// (or the nearest subreaper) and no zombie is left, not even in a caller that lives on. Everything
// the intermediate needs is prepared before the fork, since a fork of a threaded caller may only
// do little.
int SpawnDetached(const std::string& program, const std::vector<std::string>& argv,
                  const std::string& folder) {
  std::vector<char*> pointers = ArgumentPointers(argv);
  SpawnAttributes attributes;
  const pid_t child = fork();
  if (child < 0) return errno;
  if (child == 0) {
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(errno);
    pid_t started;
    const int rc =
        posix_spawn(&started, program.c_str(), nullptr, attributes.get(), pointers.data(), environ);
    _exit(rc);
  }
  int status = 0;
  if (!WaitFor(child, &status)) return 0;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return ECHILD;
}

// Runs a short helper to its end and gives its standard output; empty when it fails.
std::string OutputOf(const std::string& program, const std::vector<std::string>& argv) {
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return "";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::vector<char*> pointers = ArgumentPointers(argv);
  SpawnAttributes attributes;
  pid_t pid;
  const int rc =
      posix_spawn(&pid, program.c_str(), &actions, attributes.get(), pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  std::string output;
  if (rc == 0) {
    char buffer[512];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) != 0) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) break;
      output.append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(pipe_fds[0]);
  int status = 0;
  if (rc != 0 || !WaitFor(pid, &status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "";
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  return output;
}

long StartResult(int error) {
  if (error == 0) return kStartSuccess;
  if (error == ENOENT || error == ENOTDIR) return kStartFileNotFound;
  return kStartBadFormat;
}

// An open key that closes itself.
class OpenedKey {
 public:
  OpenedKey(Registry& registry, const std::string& path) : registry_(registry) {
    if (registry.OpenKey(kClassesRoot, path.c_str(), kKeyAllAccess, &key_) != kErrorSuccess)
      key_ = 0;
  }
  ~OpenedKey() {
    if (key_ != 0) registry_.CloseKey(key_);
  }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;

  // The default value as text, up to its first NUL; empty when missing or not a text.
  std::string DefaultText() {
    if (key_ == 0) return "";
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    if (registry_.QueryValue(key_, "", &type, nullptr, &size) != kErrorSuccess) return "";
    if (type != kRegSz && type != kRegExpandSz) return "";
    std::string data(size, '\0');
    if (size > 0 && registry_.QueryValue(key_, "", &type, reinterpret_cast<std::uint8_t*>(&data[0]),
                                         &size) != kErrorSuccess) {
      return "";
    }
    data.resize(size);
    return data.substr(0, data.find('\0'));
  }

 private:
  Registry& registry_;
  HKey key_ = 0;
};

class PosixProgramStart final : public ProgramStart {
 public:
  PosixProgramStart(Registry& registry, PosixStartSettings settings)
      : registry_(registry), settings_(std::move(settings)) {}

  long FindExecutableFor(const char* file, const char* directory, char* result_path) override {
    *result_path = '\0';
    if (file == nullptr || *file == '\0' || std::strchr(file, '"') != nullptr) {
      return kStartFileNotFound;
    }
    const std::vector<Drive> drives = Drives();
    const std::string base = BaseFolder(directory, drives);
    if (base.empty()) return kStartFileNotFound;
    const std::string unix_file = MapDosPath(file, drives, base);
    const FileKind kind = Classify(unix_file);
    if (kind == FileKind::kMissing) return kStartFileNotFound;
    if (kind == FileKind::kFolder) return kStartNoAssociation;
    std::string found;
    if (HasProgramExtension(file) || kind == FileKind::kNative) {
      found = FullDosPath(file, UnixToDosPath(base, drives));
      if (found.empty()) found = file;
    } else {
      found = CommandProgram(AssociationCommand(file, "open"));
      if (found.empty()) return kStartNoAssociation;
    }
    const std::size_t length = std::min<std::size_t>(found.size(), kMaxPath - 1);
    std::memcpy(result_path, found.data(), length);
    result_path[length] = '\0';
    return kStartSuccess;
  }

  long ShellExecuteVerb(std::uintptr_t, const char* verb, const char* file, const char* parameters,
                        const char* directory, int show) override {
    if (file == nullptr || *file == '\0') return kStartBadFormat;
    if (std::strchr(file, '"') != nullptr) return kStartFileNotFound;
    const std::vector<Drive> drives = Drives();
    std::string folder = CurrentFolder();
    if (directory != nullptr && *directory != '\0') {
      folder = MapDosPath(directory, drives);
      if (!IsFolder(folder)) return kStartFileNotFound;
    }
    if (folder.empty()) return kStartFileNotFound;
    const std::string unix_file = MapDosPath(file, drives, folder);
    const FileKind kind = Classify(unix_file);
    if (kind == FileKind::kMissing) return kStartFileNotFound;
    const std::string parameter_text = parameters != nullptr ? parameters : "";
    if (kind != FileKind::kFolder && (HasProgramExtension(file) || kind == FileKind::kNative)) {
      return Start(unix_file, SplitWindowsArguments(parameter_text), folder, show);
    }
    const std::string command = AssociationCommand(file, verb);
    if (!command.empty()) {
      return RunLine(ExpandAssociationCommand(command, file, parameter_text), folder, show, drives);
    }
    const bool default_verb = verb == nullptr || LowerAscii(verb) == "open";
    if (default_verb && OpenWithDesktop(unix_file, folder)) return kStartSuccess;
    return kStartNoAssociation;
  }

  long RunCommandLine(const char* command_line, int show) override {
    if (command_line == nullptr) return kStartFileNotFound;
    const std::string folder = CurrentFolder();
    if (folder.empty()) return kStartFileNotFound;
    return RunLine(command_line, folder, show, Drives());
  }

 private:
  std::vector<Drive> Drives() const {
    return ReadDrives(settings_.prefix.empty() ? PrefixFolder() : settings_.prefix);
  }

  // The Unix folder a relative file is looked up in: `directory` when given, else the current one.
  std::string BaseFolder(const char* directory, const std::vector<Drive>& drives) const {
    if (directory == nullptr || *directory == '\0') return CurrentFolder();
    return MapDosPath(directory, drives);
  }

  // An executable named `name` in the search path; empty when there is none.
  std::string FindInSearchPath(const std::string& name) const {
    return discsetup::FindInSearchPath(name, settings_.search_path);
  }

  // The command for `verb` (null: the class's default verb, else open) of the file's type: the
  // extension key names the class, whose shell\<verb>\command holds it. Empty when there is none.
  std::string AssociationCommand(const std::string& file, const char* verb) const {
    const std::string extension = Extension(file);
    if (extension.empty()) return "";
    const std::string class_name = OpenedKey(registry_, extension).DefaultText();
    if (class_name.empty()) return "";
    std::string verb_name;
    if (verb != nullptr) {
      verb_name = verb;
    } else {
      verb_name = OpenedKey(registry_, class_name + "\\shell").DefaultText();
      if (verb_name.empty()) verb_name = "open";
    }
    std::string command =
        OpenedKey(registry_, class_name + "\\shell\\" + verb_name + "\\command").DefaultText();
    if (command.empty() && verb == nullptr && LowerAscii(verb_name) != "open") {
      command = OpenedKey(registry_, class_name + "\\shell\\open\\command").DefaultText();
    }
    return command;
  }

  // The Unix path of the program a reading names: as written, else with ".exe" added when it has
  // no extension, as Windows does; a bare name is also looked for in the search path. Empty when
  // none of these is a file.
  std::string ProgramFile(const std::string& dos_program, const std::vector<Drive>& drives) const {
    std::vector<std::string> names = {dos_program};
    if (Extension(dos_program).empty()) names.push_back(dos_program + ".exe");
    for (const std::string& name : names) {
      std::string unix_path = MapDosPath(name, drives);
      if (Exists(unix_path) && !IsFolder(unix_path)) return unix_path;
    }
    if (dos_program.find_first_of("\\/:") != std::string::npos) return "";
    for (const std::string& name : names) {
      std::string found = FindInSearchPath(name);
      if (!found.empty()) return found;
    }
    return "";
  }

  long RunLine(const std::string& command_line, const std::string& folder, int show,
               const std::vector<Drive>& drives) const {
    for (const ProgramReading& reading : ProgramReadings(command_line)) {
      const std::string program = ProgramFile(reading.program, drives);
      if (!program.empty()) {
        return Start(program, SplitWindowsArguments(reading.arguments), folder, show);
      }
    }
    return kStartFileNotFound;
  }

  long Start(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& folder, int show) const {
    std::vector<std::string> argv;
    switch (Classify(program)) {
      case FileKind::kMissing:
      case FileKind::kFolder: return kStartFileNotFound;
      case FileKind::kOther: return kStartBadFormat;
      case FileKind::kNative: argv.push_back(program); break;
      case FileKind::kWindows: {
        const std::string wine = FindInSearchPath("wine");
        if (wine.empty()) return kStartBadFormat;
        argv.push_back(wine);
        // Wine takes a window state only through its start program.
        if (show == kSwShowMaximized) {
          argv.insert(argv.end(), {"start", "/unix", "/max"});
        } else if (show == kSwShowMinimized || show == kSwMinimize || show == kSwShowMinNoActive) {
          argv.insert(argv.end(), {"start", "/unix", "/min"});
        }
        argv.push_back(program);
        break;
      }
    }
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return StartResult(SpawnDetached(argv.front(), argv, folder));
  }

  bool OpenWithDesktop(const std::string& unix_file, const std::string& folder) const {
    const std::string mime_tool = FindInSearchPath("xdg-mime");
    const std::string open_tool = FindInSearchPath("xdg-open");
    if (mime_tool.empty() || open_tool.empty()) return false;
    const std::string type = OutputOf(mime_tool, {mime_tool, "query", "filetype", unix_file});
    if (type.empty()) return false;
    if (OutputOf(mime_tool, {mime_tool, "query", "default", type}).empty()) return false;
    return SpawnDetached(open_tool, {open_tool, unix_file}, folder) == 0;
  }

  Registry& registry_;
  const PosixStartSettings settings_;
};

}  // namespace

std::unique_ptr<ProgramStart> MakePosixProgramStart(Registry& registry,
                                                    PosixStartSettings settings) {
  return std::unique_ptr<ProgramStart>(new PosixProgramStart(registry, std::move(settings)));
}

ProgramStart& SystemProgramStart() {
  static const std::unique_ptr<ProgramStart> start =
      MakePosixProgramStart(SystemRegistry(), PosixStartSettings{});
  return *start;
}

}  // namespace discsetup
