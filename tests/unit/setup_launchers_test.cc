#include "setup_launchers/setup_launchers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/trace.h"
#include "tests/support/fake_process.h"
#include "tests/support/fake_start.h"

namespace discsetup {
namespace {

std::vector<std::string> Calls(void (*run)(Process&, ProgramStart&), const std::string& own_path,
                               const std::string& arguments = "") {
  FakeProcess process("prog " + arguments, own_path);
  FakeProgramStart start;
  start.run_results = {2};
  start.shell_result = 2;
  std::vector<std::string> calls;
  TracingProgramStart traced(start, [&calls](const std::string& line) { calls.push_back(line); });
  run(process, traced);
  EXPECT_EQ(process.stdout_text + process.stderr_text, "");
  return calls;
}

TEST(DialUpToolSetup, InstallsTheInfFileBesideTheProgramHidden) {
  struct Case {
    std::string own_path, file, directory;
  };
  const std::string dir238 = "D:\\" + std::string(234, 'p') + "\\";
  const std::string dir239 = "D:\\" + std::string(235, 'p') + "\\";
  const std::vector<Case> cases = {
      {"D:\\KELO32.exe", "D:\\KELO\\RNAPLUS.INF", "D:\\KELO\\"},
      {"D:\\SETUP\\TOOLS\\KELO32.exe", "D:\\SETUP\\TOOLS\\KELO\\RNAPLUS.INF",
       "D:\\SETUP\\TOOLS\\KELO\\"},
      {"D:KELO32.exe", "D:KELO\\RNAPLUS.INF", "D:KELO\\"},
      {"KELO32.exe", "KELO\\RNAPLUS.INF", "KELO\\"},
      {"\\\\server\\share\\KELO32.exe", "\\\\server\\share\\KELO\\RNAPLUS.INF",
       "\\\\server\\share\\KELO\\"},
      {dir238 + "KELO32.exe", dir238 + "KELO\\RNAPLUS.INF", dir238 + "KELO\\"},  // 254 bytes
      {dir239 + "KELO32.exe", dir239 + "KELO\\RNAPLUS.INF", dir239 + "KELO\\"},  // whole
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Calls(RunDialUpToolSetup, c.own_path, "any arguments"),
              std::vector<std::string>{"ShellExecuteA(0, \"Install\", " + TraceBytes(c.file) +
                                       ", NULL, " + TraceBytes(c.directory) + ", 0) = 2"})
        << c.own_path;
  }
}

TEST(BrowserSetup, RunsTheSetupBelowTheRootOfTheOwnPath) {
  const std::string relative = "ORVO\\Verkkis\\Ohjelmat\\Kupla\\IE4Setup.exe";
  const std::string root214 = std::string(213, 'r') + "\\";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"D:\\Kupla32.exe", "D:\\" + relative},
      {"D:\\ORVO\\Verkkis\\Ohjelmat\\Kupla32.exe", "D:\\" + relative},
      {"\\\\server\\share\\Kupla32.exe", "\\" + relative},
      {"D:Kupla32.exe", relative},
      {"D:/disc/Kupla32.exe", relative},
      {root214 + "Kupla32.exe", root214 + relative},              // 254 bytes
      {"r" + root214 + "Kupla32.exe", "r" + root214 + relative},  // whole
      {std::string(255, 'x') + "\\Kupla32.exe", relative},        // no backslash in the first 255
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Calls(RunBrowserSetup, c.first, "x y"),
              std::vector<std::string>{"WinExec(" + TraceBytes(c.second) + ", 1) = 2"})
        << c.first;
  }
}

}  // namespace
}  // namespace discsetup
