#include "launcher/launcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/trace.h"
#include "tests/support/fake_process.h"
#include "tests/support/fake_start.h"

namespace discsetup {
namespace {

using Lines = std::vector<std::string>;

struct LaunchRun {
  int status;
  Lines calls;
  std::string stdout_text, stderr_text;
};

LaunchRun Launch(const std::string& arguments, FakeProgramStart start = FakeProgramStart(),
                 std::vector<int> answers = {kIdYes}) {
  FakeProcess process("Vipu32.exe " + arguments, "D:\\Vipu32.exe");
  LaunchRun run;
  const TraceSink sink = [&run](const std::string& line) { run.calls.push_back(line); };
  TracingProgramStart traced_start(start, sink);
  FakeMessageBoxes boxes(std::move(answers));
  TracingMessageBoxes traced_boxes(boxes, sink);
  run.status = RunLauncher(process, traced_start, traced_boxes);
  run.stdout_text = process.stdout_text;
  run.stderr_text = process.stderr_text;
  return run;
}

TEST(ShowModeForKeyword, MapsTheThreeKeywordsInAnyCase) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"MIN", 7},
      {"min", 7},
      {"MAX", 3},
      {"max", 3},
      {"Max", 3},
      {"mAX", 3},
      {"HIDE", 0},
      {"hide", 0},
      {"", 1},
      {"MAXIMIZED", 1},
      {"MI", 1},
      {"HIDDEN", 1},
      {"HIDE ", 1},
      {" MAX", 1},
      {"m\xc1x", 1},
      {"\xe4x", 1},
      {std::string(300, 'x'), 1},
      {"NORMAL", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ShowModeForKeyword(c.first), c.second) << c.first;
}

TEST(LaunchRequest, OpensAnAssociatedDocumentAndTriesNothingElse) {
  FakeProgramStart start;
  start.find_result = 42;
  start.shell_result = 2;  // even a failed open request ends the run
  const LaunchRun run = Launch("\"D:\\docs\\a b.qtq\" second first MAX extra", start);
  EXPECT_EQ(run.calls, (Lines{
                           "FindExecutableA(\"D:\\\\docs\\\\a b.qtq\", \"\") = 42",
                           "ShellExecuteA(0, NULL, \"D:\\\\docs\\\\a b.qtq\", NULL, \"\", 3) = 2",
                       }));
  EXPECT_EQ(run.status, 0);
}

TEST(LaunchRequest, FallsBackToTheFirstThenTheSecondCommandLine) {
  struct Case {
    std::string arguments;
    long find_result;
    std::vector<long> run_results;
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"doc.x \"second line\" \"first line\" hide",
       31,
       {33},
       {"FindExecutableA(\"doc.x\", \"\") = 31", "WinExec(\"first line\", 0) = 33"}},
      {"doc.x \"second line\" \"first line\" min",
       2,
       {2, 11},
       {"FindExecutableA(\"doc.x\", \"\") = 2", "WinExec(\"first line\", 7) = 2",
        "WinExec(\"second line\", 7) = 11"}},
      {"doc.x a b",
       32,
       {32, 33},  // 32 is still a failure
       {"FindExecutableA(\"doc.x\", \"\") = 32", "WinExec(\"b\", 1) = 32",
        "WinExec(\"a\", 1) = 33"}},
      {"doc.x",
       31,
       {2},  // absent fallbacks are empty texts, sent all the same
       {"FindExecutableA(\"doc.x\", \"\") = 31", "WinExec(\"\", 1) = 2", "WinExec(\"\", 1) = 2"}},
      {"doc.x \"a;b $(c) |d\"",
       31,
       {2},
       {"FindExecutableA(\"doc.x\", \"\") = 31", "WinExec(\"\", 1) = 2",
        "WinExec(\"a;b $(c) |d\", 1) = 2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    FakeProgramStart start;
    start.find_result = c.find_result;
    start.run_results = c.run_results;
    const LaunchRun run = Launch(c.arguments, start);
    EXPECT_EQ(run.calls, c.expected);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.stdout_text + run.stderr_text, "");
  }
}

TEST(LaunchRequest, HandsLongTextsOverWhole) {
  for (const std::size_t length : {254u, 255u, 1000u}) {
    const std::string document(length, 'd');
    FakeProgramStart start;
    start.find_result = 33;
    const LaunchRun run = Launch(document, start);
    EXPECT_EQ(run.calls[0], "FindExecutableA(\"" + document + "\", \"\") = 33");
  }
}

TEST(Greeting, AsksUntilYesThenClosesOnce) {
  const std::string question =
      "MessageBoxA(0, \"Onko Vekkula paras lehti?\", \"Zippidii!\", 36) = ";
  const std::string closing =
      "MessageBoxA(0, \"Niin on. Noudata siis lehden ohjeita!\", \"Wiih!\", 64) = 1";
  LaunchRun run = Launch("", FakeProgramStart(), {kIdNo, kIdNo, kIdYes, kIdOk});
  EXPECT_EQ(run.calls, (Lines{question + "7", question + "7", question + "6", closing}));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.stdout_text + run.stderr_text, "");

  run = Launch("\"\"", FakeProgramStart(), {kIdYes, kIdOk});  // an empty pair is no argument
  EXPECT_EQ(run.calls, (Lines{question + "6", closing}));
}

TEST(Greeting, StopsWhenTheBoxCannotBeShown) {
  const LaunchRun run = Launch("", FakeProgramStart(), {kIdNo, 0});
  EXPECT_EQ(run.calls.size(), 2u);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(std::count(run.stderr_text.begin(), run.stderr_text.end(), '\n'), 1);
  EXPECT_EQ(run.stdout_text, "");
}

}  // namespace
}  // namespace discsetup
