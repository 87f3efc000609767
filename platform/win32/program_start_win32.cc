// The program-start seam over the real shell and kernel.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// shellapi.h needs the types of windows.h before it.
#include <shellapi.h>

#include "platform/platform.h"

namespace discsetup {
namespace {

class Win32ProgramStart final : public ProgramStart {
 public:
  long FindExecutableFor(const char* file, const char* directory, char* result_path) override {
    return static_cast<long>(
        reinterpret_cast<INT_PTR>(FindExecutableA(file, directory, result_path)));
  }

  long ShellExecuteVerb(std::uintptr_t owner, const char* verb, const char* file,
                        const char* parameters, const char* directory, int show) override {
    return static_cast<long>(reinterpret_cast<INT_PTR>(
        ShellExecuteA(reinterpret_cast<HWND>(owner), verb, file, parameters, directory, show)));
  }

  long RunCommandLine(const char* command_line, int show) override {
    return static_cast<long>(WinExec(command_line, static_cast<UINT>(show)));
  }
};

}  // namespace

ProgramStart& SystemProgramStart() {
  static Win32ProgramStart program_start;
  return program_start;
}

}  // namespace discsetup
