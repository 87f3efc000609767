#include "platform/short_string.h"

#include <algorithm>

namespace discsetup {

void ShortString::Assign(const std::string& text) {
  text_ = text.substr(0, kCapacity);
}

void ShortString::Append(const std::string& piece) {
  text_.append(piece, 0, std::min(piece.size(), kCapacity - text_.size()));
}

std::string SystemText(const std::string& whole) {
  ShortString text(whole);
  text.Append(std::string(1, '\0'));
  if (text.Length() == whole.size() + 1) return text.Text();
  return whole + '\0';
}

}  // namespace discsetup
