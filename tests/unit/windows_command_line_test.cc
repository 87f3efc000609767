#include "platform/windows_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace discsetup {
namespace {

TEST(ProgramReadings, QuotedFirstTokenIsTheOnlyReading) {
  const std::vector<std::pair<std::string, ProgramReading>> cases = {
      {"\"C:\\my dir\\p.exe\" x \"y z\"", {"C:\\my dir\\p.exe", "x \"y z\""}},
      {"  \"C:\\p.exe\"", {"C:\\p.exe", ""}},
      {"\"C:\\p.exe\"x", {"C:\\p.exe", "x"}},
      {"\"C:\\unterminated dir\\p.exe x", {"C:\\unterminated dir\\p.exe x", ""}},
      {"\"\" x", {"", "x"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(ProgramReadings(c.first), std::vector<ProgramReading>{c.second});
  }
}

TEST(ProgramReadings, UnquotedPathTriesEachLongerPrefix) {
  EXPECT_EQ(
      ProgramReadings("C:\\my dir\\p.exe x"),
      (std::vector<ProgramReading>{
          {"C:\\my", "dir\\p.exe x"}, {"C:\\my dir\\p.exe", "x"}, {"C:\\my dir\\p.exe x", ""}}));
  EXPECT_EQ(ProgramReadings("\tp.exe  a\t b  "),
            (std::vector<ProgramReading>{
                {"p.exe", "a\t b  "}, {"p.exe  a", "b  "}, {"p.exe  a\t b", ""}}));
  EXPECT_EQ(ProgramReadings("p.exe"), (std::vector<ProgramReading>{{"p.exe", ""}}));
}

TEST(ProgramReadings, EmptyOrBlankLineHasNone) {
  for (const std::string line : {"", " ", " \t  "}) {
    EXPECT_TRUE(ProgramReadings(line).empty()) << '"' << line << '"';
  }
}

TEST(CommandProgram, IsTheFirstTokenUnquoted) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"D:\\SETUP\\Kokoaa32.exe %1", "D:\\SETUP\\Kokoaa32.exe"},
      {"\"C:\\Program Files\\v.exe\" \"%1\"", "C:\\Program Files\\v.exe"},
      {"C:\\Program Files\\v.exe %1", "C:\\Program"},
      {"  v.exe", "v.exe"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CommandProgram(c.first), c.second) << c.first;
}

TEST(SplitWindowsArguments, FollowsTheRunTimeLibraryRules) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"", {}},
      {"  \t ", {}},
      {"a b\tc", {"a", "b", "c"}},
      {"\"a b\" c", {"a b", "c"}},
      {"\"\" x \"\"", {"", "x", ""}},
      {"a\"b c\"d", {"ab cd"}},
      {"a\\\\b c\\", {"a\\\\b", "c\\"}},  // backslashes not before a quote stay
      {"\\\"a", {"\"a"}},                 // odd: literal quote
      {"\\\\\"a b\"", {"\\a b"}},         // even: half, and the quote opens
      {"\\\\\\\"a", {"\\\"a"}},           // 3 -> 1 and a literal quote
      {"\"a\"\"b\" c", {"a\"b", "c"}},    // doubled quote inside quotes
      {"\"unterminated b", {"unterminated b"}},
      {"a;b $(x) |y `z` 'q r'", {"a;b", "$(x)", "|y", "`z`", "'q", "r'"}},
      {"\x80\xff \x01", {"\x80\xff", "\x01"}},  // only blank and tab separate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    EXPECT_EQ(SplitWindowsArguments(c.first), c.second);
  }
}

TEST(SplitWindowsArguments, UndoesWineCommandLineQuoting) {
  const std::vector<std::string> arguments = {
      "p", "a b", "", "say \"hi\"", "tab\there", "plain", "D:\\x\\\"q\".y", "trail b\\", "a\\\\b"};
  const std::vector<std::string> split = SplitWindowsArguments(WineCommandLine(arguments));
  EXPECT_EQ(split, arguments);
}

TEST(ExpandAssociationCommand, FillsPlaceholders) {
  struct Case {
    std::string command;
    std::string file;
    std::string parameters;
    std::string expanded;
  };
  const std::vector<Case> cases = {
      {"D:\\SETUP\\Kokoaa32.exe %1", "D:\\a b.qtq", "", "D:\\SETUP\\Kokoaa32.exe D:\\a b.qtq"},
      {"v.exe \"%1\" %L %l", "f", "", "v.exe \"f\" f f"},
      {"v.exe", "f", "p", "v.exe"},  // no placeholder: no file
      {"v.exe %2|%3|%4", "f", "a \"b c\"  d", "v.exe a|\"b c\"|d"},
      {"v.exe %5.", "f", "a", "v.exe ."},  // beyond the parameters
      {"v.exe [%*]", "f", " a  \"b\" ", "v.exe [ a  \"b\" ]"},
      {"v.exe 100%% %0x", "f", "", "v.exe 100% x"},
      {"v.exe %x %~ %", "f", "", "v.exe x ~ "},
      {"v.exe %1%1", "%2", "p", "v.exe %2%2"},  // no second round
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    EXPECT_EQ(ExpandAssociationCommand(c.command, c.file, c.parameters), c.expanded);
  }
}

}  // namespace
}  // namespace discsetup
