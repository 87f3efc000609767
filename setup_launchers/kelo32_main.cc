#include "platform/failure.h"
#include "platform/platform.h"
#include "setup_launchers/setup_launchers.h"

int main() {
  discsetup::Platform& platform = discsetup::SystemPlatform();
  return discsetup::RunReportingFailures(platform.process, [&platform] {
    discsetup::RunDialUpToolSetup(platform.process, platform.program_start);
  });
}
