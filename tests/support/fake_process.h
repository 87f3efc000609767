// A process whose command line and own path the test chooses, and whose output it keeps.
#pragma once

#include <cstdint>
#include <string>

#include "platform/process.h"

namespace discsetup {

class FakeProcess final : public Process {
 public:
  FakeProcess(std::string command_line, std::string own_path)
      : command_line_(std::move(command_line)), own_path_(std::move(own_path)) {}

  std::string CommandLine() override { return command_line_; }
  std::string OwnPath() override { return own_path_; }
  bool IsLeadByte(unsigned char byte) override {
    return lead_bytes.find(static_cast<char>(byte)) != std::string::npos;
  }
  std::string ModuleName() override { return "Tolvi32.exe"; }
  std::uintptr_t ModuleOffset(const void*) override { return 0x1234; }
  void WriteStdout(const std::string& bytes) override { stdout_text += bytes; }
  void WriteStderr(const std::string& bytes) override { stderr_text += bytes; }

  std::string lead_bytes;
  std::string stdout_text;
  std::string stderr_text;

 private:
  std::string command_line_;
  std::string own_path_;
};

}  // namespace discsetup
