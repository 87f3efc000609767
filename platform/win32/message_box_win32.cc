// The message-box seam over the real message box.
#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/platform.h"

namespace discsetup {
namespace {

class Win32MessageBoxes final : public MessageBoxes {
 public:
  int Show(std::uintptr_t owner, const char* text, const char* caption, unsigned style) override {
    return MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, style);
  }
};

}  // namespace

MessageBoxes& SystemMessageBoxes() {
  static Win32MessageBoxes boxes;
  return boxes;
}

}  // namespace discsetup
