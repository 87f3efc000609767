#include "platform/platform.h"

#include <cstdlib>
#include <cstring>

#include "platform/trace.h"

namespace discsetup {

Platform& SystemPlatform() {
  const char* trace = std::getenv("DISCSETUP_TRACE");
  if (trace == nullptr || std::strcmp(trace, "1") != 0) {
    static Platform plain{SystemProcess(), SystemRegistry(), SystemProgramStart(),
                          SystemMessageBoxes()};
    return plain;
  }
  Process& process = SystemProcess();
  const TraceSink sink = [&process](const std::string& line) { process.WriteStderr(line + "\n"); };
  static TracingRegistry registry(SystemRegistry(), sink);
  static TracingProgramStart program_start(SystemProgramStart(), sink);
  static TracingMessageBoxes message_boxes(SystemMessageBoxes(), sink);
  static Platform traced{process, registry, program_start, message_boxes};
  return traced;
}

}  // namespace discsetup
