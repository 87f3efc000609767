// The message-box seam: a blocking question or notice.
#pragma once

#include <cstdint>

namespace discsetup {

constexpr unsigned kMbOk = 0;
constexpr unsigned kMbYesNo = 4;
constexpr unsigned kMbIconQuestion = 32;
constexpr unsigned kMbIconInformation = 64;

constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;

  // MessageBoxA: shows the box and returns the button chosen, or 0 at once when no box can be
  // shown.
  virtual int Show(std::uintptr_t owner, const char* text, const char* caption, unsigned style) = 0;
};

}  // namespace discsetup
