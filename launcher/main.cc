#include "launcher/launcher.h"
#include "platform/failure.h"
#include "platform/platform.h"

int main() {
  discsetup::Platform& platform = discsetup::SystemPlatform();
  int status = 0;
  const int failure = discsetup::RunReportingRuntimeErrors(platform.process, [&] {
    status =
        discsetup::RunLauncher(platform.process, platform.program_start, platform.message_boxes);
  });
  return failure != 0 ? failure : status;
}
