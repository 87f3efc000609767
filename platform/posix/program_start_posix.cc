// Placeholder until program start lands.
#include "platform/platform.h"
namespace discsetup {
namespace {
class StubProgramStart final : public ProgramStart {
 public:
  long FindExecutableFor(const char*, const char*, char* result) override { *result = 0; return kStartNoAssociation; }
  long ShellExecuteVerb(std::uintptr_t, const char*, const char*, const char*, const char*, int) override { return kStartNoAssociation; }
  long RunCommandLine(const char*, int) override { return kStartFileNotFound; }
};
}  // namespace
ProgramStart& SystemProgramStart() { static StubProgramStart s; return s; }
}  // namespace discsetup
