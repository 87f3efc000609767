#include "platform/posix/message_box_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/ascii.h"
#include "platform/platform.h"
#include "platform/posix/search_path.h"
#include "platform/posix/write_all.h"

extern char** environ;

namespace discsetup {
namespace {

constexpr unsigned kButtonsMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;
constexpr unsigned kMbIconHand = 0x10;
constexpr unsigned kMbIconExclamation = 0x30;

// zenity's exit status for the dialog's first and second button (or the window closed).
constexpr int kZenityFirst = 0;
constexpr int kZenitySecond = 1;

bool EnvironmentHasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

std::string IconName(unsigned style) {
  switch (style & kIconMask) {
    case kMbIconHand: return "dialog-error";
    case kMbIconQuestion: return "dialog-question";
    case kMbIconExclamation: return "dialog-warning";
    case kMbIconInformation: return "dialog-information";
    default: return "";
  }
}

// One line from `fd` without its line end; false at the end of input with nothing read.
bool ReadLine(int fd, std::string* line) {
  line->clear();
  char c;
  while (true) {
    const ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return !line->empty();
    if (c == '\n') return true;
    line->push_back(c);
  }
}

std::string Trimmed(const std::string& text) {
  const std::size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

class PosixMessageBoxes final : public MessageBoxes {
 public:
  explicit PosixMessageBoxes(PosixMessageBoxSettings settings) : settings_(std::move(settings)) {}

  int Show(std::uintptr_t, const char* text, const char* caption, unsigned style) override {
    const unsigned buttons = style & kButtonsMask;
    if (buttons != kMbOk && buttons != kMbYesNo) return 0;
    const bool yes_no = buttons == kMbYesNo;
    // Windows titles a box without a caption "Error".
    const std::string title = caption != nullptr ? caption : "Error";
    const std::string body = text != nullptr ? text : "";
    const bool display = settings_.has_display ? settings_.has_display() : EnvironmentHasDisplay();
    if (display) {
      const int answer = AskZenity(body, title, style, yes_no);
      if (answer != 0) return answer;
    }
    return AskTerminal(body, title, yes_no);
  }

 private:
  std::string FindZenity() const { return FindInSearchPath("zenity", settings_.search_path); }

  // The button chosen in a zenity dialog; 0 when there is no zenity or it could not show one.
  int AskZenity(const std::string& text, const std::string& title, unsigned style,
                bool yes_no) const {
    const std::string zenity = FindZenity();
    if (zenity.empty()) return 0;
    std::vector<std::string> argv = {zenity};
    if (yes_no) {
      argv.insert(argv.end(), {"--question", "--ok-label=Yes", "--cancel-label=No"});
    } else {
      argv.push_back("--info");
    }
    const std::string icon = IconName(style);
    if (!icon.empty()) argv.push_back("--icon-name=" + icon);
    // Each option is one argument with its value joined, so a text that begins with "-" stays text.
    argv.push_back("--title=" + title);
    argv.push_back("--text=" + text);
    argv.push_back("--no-markup");
    std::vector<char*> pointers;
    for (const std::string& argument : argv)
      pointers.push_back(const_cast<char*>(argument.c_str()));
    pointers.push_back(nullptr);

    // zenity and GTK talk on their standard streams; the programs' output must stay their own.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc = posix_spawn(&pid, zenity.c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return 0;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
      if (errno != EINTR) return 0;
    }
    if (!WIFEXITED(status)) return 0;
    const int exit_code = WEXITSTATUS(status);
    if (exit_code == kZenityFirst) return yes_no ? kIdYes : kIdOk;
    if (exit_code == kZenitySecond) return yes_no ? kIdNo : kIdOk;
    return 0;
  }

  int AskTerminal(const std::string& text, const std::string& title, bool yes_no) const {
    const int fd = open(settings_.terminal.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return 0;
    WriteAll(fd, "\n" + title + "\n\n" + text + "\n\n");
    int answer = 0;
    std::string line;
    if (!yes_no) {
      WriteAll(fd, "[Enter] ");
      if (ReadLine(fd, &line)) answer = kIdOk;
    } else {
      WriteAll(fd, "[y/n] ");
      while (answer == 0 && ReadLine(fd, &line)) {
        const std::string reply = LowerAscii(Trimmed(line));
        if (reply == "y" || reply == "yes") {
          answer = kIdYes;
        } else if (reply == "n" || reply == "no") {
          answer = kIdNo;
        } else {
          WriteAll(fd, "Please answer y or n: ");
        }
      }
    }
    close(fd);
    return answer;
  }

  const PosixMessageBoxSettings settings_;
};

}  // namespace

std::unique_ptr<MessageBoxes> MakePosixMessageBoxes(PosixMessageBoxSettings settings) {
  return std::unique_ptr<MessageBoxes>(new PosixMessageBoxes(std::move(settings)));
}

MessageBoxes& SystemMessageBoxes() {
  static const std::unique_ptr<MessageBoxes> boxes = MakePosixMessageBoxes({});
  return *boxes;
}

}  // namespace discsetup
