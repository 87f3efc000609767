#include "platform/posix/message_box_posix.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace discsetup {
namespace {

namespace fs = std::filesystem;

constexpr unsigned kMbOkCancel = 1;

// A scratch folder for a fake zenity, and a pseudo-terminal standing in for /dev/tty.
class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/message_box_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    terminal_ = ptsname(master_);
    // Held open so that the terminal does not hang up when the box closes its end.
    slave_ = open(terminal_.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave_, 0);
    fcntl(master_, F_SETFL, O_NONBLOCK);
  }

  void TearDown() override {
    close(slave_);
    close(master_);
    fs::remove_all(root_);
  }

  // A zenity that records its arguments, one a line, and exits with `status`.
  void FakeZenity(int status) {
    const fs::path path = root_ / "zenity";
    std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                        << (root_ / "zenity.rec").string() << "'\nexit " << status << "\n";
    fs::permissions(path, fs::perms::owner_all);
  }

  std::vector<std::string> ZenityArguments() const {
    std::ifstream file(root_ / "zenity.rec");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
  }

  int Show(bool display, const char* text, const char* caption, unsigned style) {
    PosixMessageBoxSettings settings;
    settings.search_path = root_.string();
    settings.terminal = terminal_;
    settings.has_display = [display] { return display; };
    return MakePosixMessageBoxes(settings)->Show(0, text, caption, style);
  }

  void Type(const std::string& input) {
    ASSERT_EQ(write(master_, input.data(), input.size()), static_cast<ssize_t>(input.size()));
  }

  std::string TerminalOutput() {
    std::string output;
    char buffer[1024];
    ssize_t n;
    while ((n = read(master_, buffer, sizeof buffer)) > 0) output.append(buffer, n);
    return output;
  }

  fs::path root_;
  int master_ = -1;
  int slave_ = -1;
  std::string terminal_;
};

TEST_F(MessageBoxTest, ZenityDialogGivesTheButtonChosen) {
  struct Case {
    unsigned style;
    int zenity_status;
    int result;
    std::vector<std::string> leading;  // the arguments before title, text and --no-markup
  };
  const std::vector<Case> cases = {
      {kMbYesNo | kMbIconQuestion,
       0,
       kIdYes,
       {"--question", "--ok-label=Yes", "--cancel-label=No", "--icon-name=dialog-question"}},
      {kMbYesNo, 1, kIdNo, {"--question", "--ok-label=Yes", "--cancel-label=No"}},
      {kMbOk | kMbIconInformation, 0, kIdOk, {"--info", "--icon-name=dialog-information"}},
      {kMbOk, 1, kIdOk, {"--info"}},  // closing the notice is its OK
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    FakeZenity(c.zenity_status);
    EXPECT_EQ(Show(true, "-x <b>bold</b> & \"q\"", "Caption", c.style), c.result);
    std::vector<std::string> expected = c.leading;
    expected.insert(expected.end(),
                    {"--title=Caption", "--text=-x <b>bold</b> & \"q\"", "--no-markup"});
    EXPECT_EQ(ZenityArguments(), expected);
  }
  EXPECT_EQ(TerminalOutput(), "");
}

TEST_F(MessageBoxTest, TerminalAsksUntilYOrN) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"y\n", kIdYes},
      {" YES \n", kIdYes},
      {"maybe\n\nn\n", kIdNo},
      {"No", kIdNo},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    Type(c.first + (c.first.back() == '\n' ? "" : "\n"));
    EXPECT_EQ(Show(false, "Install now?", "Setup", kMbYesNo | kMbIconQuestion), c.second);
    const std::string output = TerminalOutput();
    EXPECT_NE(output.find("Setup"), std::string::npos);
    EXPECT_NE(output.find("Install now?"), std::string::npos);
    EXPECT_NE(output.find("[y/n]"), std::string::npos);
    EXPECT_EQ(output.find("Please answer") != std::string::npos, c.first.rfind("maybe", 0) == 0);
  }
}

TEST_F(MessageBoxTest, TerminalNoticeWaitsForEnter) {
  Type("\n");
  EXPECT_EQ(Show(false, "Welcome", "Vipu", kMbOk), kIdOk);
  EXPECT_NE(TerminalOutput().find("Welcome"), std::string::npos);
}

TEST_F(MessageBoxTest, ZenityThatCannotShowFallsBackToTheTerminal) {
  FakeZenity(255);
  Type("n\n");
  EXPECT_EQ(Show(true, "Install now?", "Setup", kMbYesNo), kIdNo);
}

TEST_F(MessageBoxTest, NoBoxCanBeShown) {
  Type("\x04");  // end of input on the terminal before an answer
  EXPECT_EQ(Show(false, "Install now?", "Setup", kMbYesNo), 0);
  Type("\x04");
  EXPECT_EQ(Show(false, "Welcome", "Vipu", kMbOk), 0);
  terminal_ = (root_ / "no-terminal").string();
  EXPECT_EQ(Show(false, "Install now?", "Setup", kMbYesNo), 0);
  FakeZenity(0);
  EXPECT_EQ(Show(true, "Install now?", "Setup", kMbOkCancel), 0);  // a button set not offered
}

}  // namespace
}  // namespace discsetup
