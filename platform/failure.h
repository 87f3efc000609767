// Failures and the reports the run-time library writes when one ends a program.
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/process.h"

namespace discsetup {

class Exception : public std::runtime_error {
 public:
  Exception(const std::string& message, const void* address)
      : std::runtime_error(message), address_(address) {}
  virtual const char* ClassName() const { return "Exception"; }
  // Where the failure was raised, for the report.
  const void* Address() const { return address_; }

 private:
  const void* address_;
};

#define DISCSETUP_FAILURE_CLASS(Name)                        \
  class Name : public Exception {                            \
   public:                                                   \
    using Exception::Exception;                              \
    const char* ClassName() const override { return #Name; } \
  }

DISCSETUP_FAILURE_CLASS(EAbort);
DISCSETUP_FAILURE_CLASS(ERegistryException);
DISCSETUP_FAILURE_CLASS(EOutOfMemory);

#undef DISCSETUP_FAILURE_CLASS

// Raise a failure whose report names the caller's code as the failing address.
[[noreturn]] void RaiseRegistryException(const std::string& message);
[[noreturn]] void RaiseAbort();

// "Exception <class> in module <module> at <offset>.\n<message>.\r\n", the text before the line end
// cut at 1024 bytes.
std::string FailureReport(const std::string& class_name, const std::string& module,
                          std::uintptr_t offset, const std::string& message);

// "Runtime error <number> at <offset>\r\n".
std::string RuntimeErrorReport(int number, std::uintptr_t offset);

// Runs `body`; a failure it raises (running out of memory included) is written to standard output
// as a failure report and gives exit status 1; otherwise the status is 0.
int RunReportingFailures(Process& process, const std::function<void()>& body);

// As RunReportingFailures for a program whose run-time library has no failure classes: running out
// of memory gives the runtime error report and exit status 203.
int RunReportingRuntimeErrors(Process& process, const std::function<void()>& body);

}  // namespace discsetup
