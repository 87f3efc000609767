// Placeholder until the message box lands.
#include "platform/platform.h"
namespace discsetup {
namespace {
class StubMessageBoxes final : public MessageBoxes {
 public:
  int Show(std::uintptr_t, const char*, const char*, unsigned) override { return 0; }
};
}  // namespace
MessageBoxes& SystemMessageBoxes() { static StubMessageBoxes b; return b; }
}  // namespace discsetup
