// A length-prefixed text of at most 255 bytes, the form in which the launchers build every path and
// command line they hand to the system.
#pragma once

#include <cstddef>
#include <string>

namespace discsetup {

class ShortString {
 public:
  static constexpr std::size_t kCapacity = 255;

  ShortString() = default;
  explicit ShortString(const std::string& text) { Assign(text); }

  // Keeps the first 255 bytes of `text`.
  void Assign(const std::string& text);

  // Appends as much of `piece` as fits in 255 bytes; what does not fit is dropped from its end.
  void Append(const std::string& piece);

  void Truncate(std::size_t length) {
    if (length < text_.size()) text_.resize(length);
  }

  const std::string& Text() const { return text_; }
  std::size_t Length() const { return text_.size(); }

 private:
  std::string text_;
};

// The bytes the system receives for `whole`, a text built in a short string: the short string's
// bytes with a terminating NUL. A text that does not fit with its NUL (more than 254 bytes) is
// handed over whole rather than cut: a cut path would open the wrong file.
std::string SystemText(const std::string& whole);

}  // namespace discsetup
