// Process facts on Windows: the system's own command line, module path and console handles.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace discsetup {
namespace {

void WriteAll(DWORD which, const std::string& bytes) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                   nullptr) ||
        written == 0) {
      return;
    }
    done += written;
  }
  FlushFileBuffers(handle);
}

class Win32Process final : public Process {
 public:
  std::string CommandLine() override { return GetCommandLineA(); }

  std::string OwnPath() override {
    // Paths may be longer than MAX_PATH: grow the buffer until the name fits.
    std::string path(MAX_PATH, '\0');
    for (;;) {
      const DWORD n = GetModuleFileNameA(nullptr, &path[0], static_cast<DWORD>(path.size()));
      if (n < path.size()) {
        path.resize(n);
        return path;
      }
      path.resize(path.size() * 2);
    }
  }

  bool IsLeadByte(unsigned char byte) override { return IsDBCSLeadByte(byte) != FALSE; }

  std::string ModuleName() override {
    const std::string path = OwnPath();
    const std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
  }

  std::uintptr_t ModuleOffset(const void* code_address) override {
    return reinterpret_cast<std::uintptr_t>(code_address) -
           reinterpret_cast<std::uintptr_t>(GetModuleHandleA(nullptr));
  }

  void WriteStdout(const std::string& bytes) override { WriteAll(STD_OUTPUT_HANDLE, bytes); }
  void WriteStderr(const std::string& bytes) override { WriteAll(STD_ERROR_HANDLE, bytes); }
};

}  // namespace

Process& SystemProcess() {
  static Win32Process process;
  return process;
}

}  // namespace discsetup
