// The program-start seam: the shell's and the kernel's three ways of starting a program, with
// Windows' arguments and results. A result above 32 means success; 2 a missing file or folder,
// 11 a file that is not a program, 31 a file without an association.
#pragma once

#include <cstdint>

namespace discsetup {

constexpr long kStartSuccess = 33;
constexpr long kStartFileNotFound = 2;
constexpr long kStartBadFormat = 11;
constexpr long kStartNoAssociation = 31;

constexpr int kMaxPath = 260;

class ProgramStart {
 public:
  virtual ~ProgramStart() = default;

  // FindExecutableA: writes the path of the program associated with `file` (NUL-terminated, at most
  // kMaxPath bytes) into `result_path`. A relative file is looked up in `directory`, else in the
  // current folder.
  virtual long FindExecutableFor(const char* file, const char* directory, char* result_path) = 0;

  // ShellExecuteA: carries out `verb` (null: the file type's default action) on `file`, with
  // `parameters` and `directory` as working folder, each possibly null. Returns at once.
  virtual long ShellExecuteVerb(std::uintptr_t owner, const char* verb, const char* file,
                                const char* parameters, const char* directory, int show) = 0;

  // WinExec: starts the program that `command_line` names, with the rest of the line as its
  // arguments. Returns at once.
  virtual long RunCommandLine(const char* command_line, int show) = 0;
};

}  // namespace discsetup
