// Tracing wrappers: each forwards to the real seam and then writes one line per call,
// "Name(arg, ...) = result", so that runs on both platforms can be compared call by call.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "platform/message_box.h"
#include "platform/program_start.h"
#include "platform/registry.h"

namespace discsetup {

using TraceSink = std::function<void(const std::string& line)>;

// A text in double quotes with C escapes: \\, \" and \xNN for every byte outside 0x20-0x7E; NULL
// for a null pointer.
std::string TraceText(const char* text);
std::string TraceBytes(const std::string& bytes);

class TracingRegistry final : public Registry {
 public:
  TracingRegistry(Registry& inner, TraceSink sink) : inner_(inner), sink_(std::move(sink)) {}

  long CreateKey(HKey parent, const char* subkey, std::uint32_t options, std::uint32_t access,
                 HKey* result) override;
  long OpenKey(HKey parent, const char* subkey, std::uint32_t access, HKey* result) override;
  long SetValue(HKey key, const char* name, std::uint32_t type, const std::uint8_t* data,
                std::uint32_t size) override;
  long QueryValue(HKey key, const char* name, std::uint32_t* type, std::uint8_t* data,
                  std::uint32_t* size) override;
  long CloseKey(HKey key) override;

 private:
  // Roots by name, the program's keys as hkey1, hkey2, ...: the lowest number not in use, so a
  // run's trace does not depend on the values the system hands out.
  std::string KeyName(HKey key) const;
  void Opened(HKey key);

  Registry& inner_;
  TraceSink sink_;
  std::map<HKey, int> numbers_;
};

class TracingProgramStart final : public ProgramStart {
 public:
  TracingProgramStart(ProgramStart& inner, TraceSink sink)
      : inner_(inner), sink_(std::move(sink)) {}

  long FindExecutableFor(const char* file, const char* directory, char* result_path) override;
  long ShellExecuteVerb(std::uintptr_t owner, const char* verb, const char* file,
                        const char* parameters, const char* directory, int show) override;
  long RunCommandLine(const char* command_line, int show) override;

 private:
  ProgramStart& inner_;
  TraceSink sink_;
};

class TracingMessageBoxes final : public MessageBoxes {
 public:
  TracingMessageBoxes(MessageBoxes& inner, TraceSink sink)
      : inner_(inner), sink_(std::move(sink)) {}

  int Show(std::uintptr_t owner, const char* text, const char* caption, unsigned style) override;

 private:
  MessageBoxes& inner_;
  TraceSink sink_;
};

}  // namespace discsetup
