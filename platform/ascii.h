// Letter case of the ASCII letters only: every byte outside a-z and A-Z is left as it is, code page
// letters above 0x7F included.
#pragma once

#include <string>

namespace discsetup {

inline std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
  }
  return text;
}

inline std::string LowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
  }
  return text;
}

}  // namespace discsetup
