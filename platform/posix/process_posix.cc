// Process facts on POSIX, presented as Wine presents them to a Windows program: a Windows-style
// command line built from argv, and the own path in DOS form.
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/dos_path.h"
#include "platform/platform.h"
#include "platform/posix/prefix.h"
#include "platform/posix/write_all.h"
#include "platform/windows_command_line.h"

// Set by the linker at the first byte of the program's image.
extern "C" const char __executable_start;  // NOLINT(bugprone-reserved-identifier)

namespace discsetup {
namespace {

std::string RealExecutablePath() {
  char real[PATH_MAX];
  if (realpath("/proc/self/exe", real) == nullptr) return "";
  return real;
}

class PosixProcess final : public Process {
 public:
  std::string CommandLine() override {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> arguments;
    std::size_t start = 0;
    while (start < raw.size()) {
      const std::size_t end = raw.find('\0', start);
      arguments.push_back(raw.substr(start, end - start));
      if (end == std::string::npos) break;
      start = end + 1;
    }
    if (arguments.empty()) arguments.emplace_back();
    arguments[0] = OwnPath();
    return WineCommandLine(arguments);
  }

  std::string OwnPath() override {
    if (own_path_.empty())
      own_path_ = UnixToDosPath(RealExecutablePath(), ReadDrives(PrefixFolder()));
    return own_path_;
  }

  bool IsLeadByte(unsigned char) override { return false; }  // no double-byte code page here

  std::string ModuleName() override {
    const std::string path = RealExecutablePath();
    return path.substr(path.rfind('/') + 1);
  }

  std::uintptr_t ModuleOffset(const void* code_address) override {
    // The linker marks where the program's image begins, static or position-independent.
    return reinterpret_cast<std::uintptr_t>(code_address) -
           reinterpret_cast<std::uintptr_t>(&__executable_start);
  }

  void WriteStdout(const std::string& bytes) override { WriteAll(STDOUT_FILENO, bytes); }
  void WriteStderr(const std::string& bytes) override { WriteAll(STDERR_FILENO, bytes); }

 private:
  std::string own_path_;
};

}  // namespace

Process& SystemProcess() {
  static PosixProcess process;
  return process;
}

}  // namespace discsetup
