#include "platform/failure.h"

#include <cinttypes>
#include <cstdio>
#include <new>

namespace discsetup {
namespace {

std::string Hex8(std::uintptr_t offset) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%08" PRIXPTR, offset);
  return digits;
}

// Installed as the new-handler so that the report names the code that asked for the memory.
[[noreturn]] __attribute__((noinline)) void RaiseOutOfMemory() {
  throw EOutOfMemory("Out of memory", __builtin_return_address(0));
}

class NewHandlerScope {
 public:
  NewHandlerScope() : previous_(std::set_new_handler(RaiseOutOfMemory)) {}
  ~NewHandlerScope() { std::set_new_handler(previous_); }

 private:
  std::new_handler previous_;
};

}  // namespace

__attribute__((noinline)) void RaiseRegistryException(const std::string& message) {
  throw ERegistryException(message, __builtin_return_address(0));
}

__attribute__((noinline)) void RaiseAbort() {
  throw EAbort("Operation aborted", __builtin_return_address(0));
}

std::string FailureReport(const std::string& class_name, const std::string& module,
                          std::uintptr_t offset, const std::string& message) {
  std::string text =
      "Exception " + class_name + " in module " + module + " at " + Hex8(offset) + ".\n" + message;
  if (!message.empty() && message.back() != '.') text += '.';
  if (text.size() > 1024) text.resize(1024);
  return text + "\r\n";
}

std::string RuntimeErrorReport(int number, std::uintptr_t offset) {
  char line[64];
  std::snprintf(line, sizeof line, "Runtime error %3d at ", number);
  return line + Hex8(offset) + "\r\n";
}

int RunReportingFailures(Process& process, const std::function<void()>& body) {
  NewHandlerScope out_of_memory_raises;
  try {
    body();
    return 0;
  } catch (const Exception& failure) {
    process.WriteStdout(FailureReport(failure.ClassName(), process.ModuleName(),
                                      process.ModuleOffset(failure.Address()), failure.what()));
  } catch (const std::bad_alloc&) {
    process.WriteStdout(FailureReport("EOutOfMemory", process.ModuleName(),
                                      process.ModuleOffset(__builtin_return_address(0)),
                                      "Out of memory"));
  }
  return 1;
}

int RunReportingRuntimeErrors(Process& process, const std::function<void()>& body) {
  NewHandlerScope out_of_memory_raises;
  try {
    body();
    return 0;
  } catch (const EOutOfMemory& failure) {
    process.WriteStdout(RuntimeErrorReport(203, process.ModuleOffset(failure.Address())));
  } catch (const std::bad_alloc&) {
    process.WriteStdout(RuntimeErrorReport(203, process.ModuleOffset(__builtin_return_address(0))));
  }
  return 203;
}

}  // namespace discsetup
