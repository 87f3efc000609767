// The message box on POSIX: a zenity dialog on a display, else a prompt on the terminal.
// SystemMessageBoxes() is the one over the real environment; tests make their own.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/message_box.h"

namespace discsetup {

struct PosixMessageBoxSettings {
  // Folders, as in PATH, where `zenity` is looked for; empty: $PATH at each call.
  std::string search_path;
  // The terminal the prompt is asked on.
  std::string terminal = "/dev/tty";
  // Whether a display can be used; null: DISPLAY or WAYLAND_DISPLAY is set and not empty.
  std::function<bool()> has_display;
};

// Shows MB_OK and MB_YESNO boxes (other button sets cannot be shown: 0). With a display and
// `zenity`, a dialog with the caption as title, the text as it is (no markup) and the icon of the
// style, waited for; its buttons give IDOK, or IDYES and IDNO. When zenity is missing or cannot
// show its dialog, the terminal is asked instead: the caption and text, then "[y/n]" (asked again
// on any other answer) or, for MB_OK, Enter. When neither works, or the terminal ends before an
// answer, 0. Nothing is written to standard output or standard error.
std::unique_ptr<MessageBoxes> MakePosixMessageBoxes(PosixMessageBoxSettings settings);

}  // namespace discsetup
