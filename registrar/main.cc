#include "platform/failure.h"
#include "platform/platform.h"
#include "registrar/registrar.h"

int main() {
  discsetup::Platform& platform = discsetup::SystemPlatform();
  return discsetup::RunReportingFailures(platform.process, [&platform] {
    discsetup::RunRegistrar(platform.process, platform.registry);
  });
}
