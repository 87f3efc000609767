// The process seam: what a program knows of itself and where its report goes.
#pragma once

#include <cstdint>
#include <string>

namespace discsetup {

class Process {
 public:
  virtual ~Process() = default;

  // The raw command line, as GetCommandLineA gives it: the program name as typed, then the
  // arguments.
  virtual std::string CommandLine() = 0;

  // The program's own full path as the system reports it (argument 0), in DOS form.
  virtual std::string OwnPath() = 0;

  // True when `byte` leads a double-byte character in the system's code page.
  virtual bool IsLeadByte(unsigned char byte) = 0;

  // The file name of the program's module, for failure reports.
  virtual std::string ModuleName() = 0;

  // The offset of a code address from the program module's load address.
  virtual std::uintptr_t ModuleOffset(const void* code_address) = 0;

  // Write the bytes unchanged (no line-end translation) and flush.
  virtual void WriteStdout(const std::string& bytes) = 0;
  virtual void WriteStderr(const std::string& bytes) = 0;
};

}  // namespace discsetup
