// Placeholder until the SQLite store lands.
#include "platform/platform.h"
namespace discsetup {
namespace {
class StubRegistry final : public Registry {
 public:
  long CreateKey(HKey, const char*, std::uint32_t, std::uint32_t, HKey*) override { return kErrorBadDb; }
  long OpenKey(HKey, const char*, std::uint32_t, HKey*) override { return kErrorBadDb; }
  long SetValue(HKey, const char*, std::uint32_t, const std::uint8_t*, std::uint32_t) override { return kErrorBadDb; }
  long QueryValue(HKey, const char*, std::uint32_t*, std::uint8_t*, std::uint32_t*) override { return kErrorBadDb; }
  long CloseKey(HKey) override { return kErrorInvalidHandle; }
};
}  // namespace
Registry& SystemRegistry() { static StubRegistry r; return r; }
}  // namespace discsetup
