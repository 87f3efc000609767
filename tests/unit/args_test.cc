#include "platform/args.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ascii.h"
#include "platform/short_string.h"

namespace discsetup {
namespace {

struct SplitCase {
  std::string line;
  std::vector<std::string> arguments;  // 1, 2, ... up to the first absent one
};

TEST(CommandLineArgument, SplitsByTheRunTimeLibraryRules) {
  const std::vector<SplitCase> cases = {
      {"prog", {}},
      {"prog qtq SampleClass \"Sample document\"", {"qtq", "SampleClass", "Sample document"}},
      {"\"C:\\dir with blank\\prog.exe\" a", {"a"}},
      {"prog qtq \"\" \"Sample document\"", {"qtq", "Sample document"}},  // the pair holds no place
      {"prog \"\"\"\" x", {"x"}},                                         // pairs in a row too
      {"prog a\"b c\"d e", {"ab cd", "e"}},                               // stretches join
      {"prog \"unterminated rest", {"unterminated rest"}},
      {"prog a\\\"b c\"", {"a\\b c"}},                  // no escape
      {"prog \x01\x1f a\tb\nc \x20", {"a", "b", "c"}},  // 1-32 separate
      {"prog \x7f\x80\xff", {"\x7f\x80\xff"}},
      {"prog x\"\"", {"x"}},
      {"prog \"", {}},  // an empty argument ends the list
      {"prog \" \" b", {" ", "b"}},
      {"prog a\0b c", {"a"}},  // the line ends at NUL
      {"\"prog a b", {}},      // the program name may swallow the line
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(CommandLineArgumentCount(c.line), static_cast<int>(c.arguments.size()));
    for (std::size_t i = 0; i < c.arguments.size(); ++i) {
      EXPECT_EQ(CommandLineArgument(c.line, static_cast<int>(i) + 1), c.arguments[i]);
    }
    EXPECT_EQ(CommandLineArgument(c.line, static_cast<int>(c.arguments.size()) + 1), "");
  }
}

TEST(CommandLineArgument, TakesLongArgumentsWhole) {
  const std::string long_argument(10000, 'x');
  const std::string line = "prog " + long_argument + " \"" + long_argument + " y\" z";
  EXPECT_EQ(CommandLineArgument(line, 1), long_argument);
  EXPECT_EQ(CommandLineArgument(line, 2), long_argument + " y");
  EXPECT_EQ(CommandLineArgument(line, 3), "z");
}

TEST(CommandLineArgument, AnArgumentAfterAnAbsentOneIsAbsent) {
  EXPECT_EQ(CommandLineArgument("prog a", 3), "");
  EXPECT_EQ(CommandLineArgument("", 1), "");
}

TEST(ProgramDirectory, CutsAfterTheLastBackslashOrColon) {
  const auto single_byte = [](unsigned char) { return false; };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"D:\\SETUP\\Tolvi32.exe", "D:\\SETUP\\"},
      {"D:\\Tolvi32.exe", "D:\\"},
      {"D:Tolvi32.exe", "D:"},
      {"Tolvi32.exe", ""},
      {"\\\\server\\share\\x.exe", "\\\\server\\share\\"},
      {"D:\\a/b.exe", "D:\\"},  // a slash is no separator
      {"D:\\dir\\", "D:\\dir\\"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProgramDirectory(c.first, single_byte), c.second) << c.first;
}

TEST(ProgramDirectory, ABackslashThatTrailsALeadByteIsNoSeparator) {
  const auto lead = [](unsigned char byte) { return byte == 0x83; };
  // 0x83 0x5C is one double-byte character whose second byte happens to be a backslash.
  EXPECT_EQ(ProgramDirectory("D:\\a\x83\\b.exe", lead), "D:\\");
  EXPECT_EQ(ProgramDirectory("D:\\a\x83\\\\b.exe", lead), "D:\\a\x83\\\\");
  EXPECT_EQ(ProgramDirectory("D:\\a\x83\\b.exe", [](unsigned char) { return false; }),
            "D:\\a\x83\\");
  EXPECT_EQ(ProgramDirectory("D:\\x\x83", lead), "D:\\");  // a lead byte at the end
}

TEST(AsciiCase, ChangesOnlyTheAsciiLetters) {
  EXPECT_EQ(UpperAscii("qTq-\xe4\xe9\x7f@[`{z"), "QTQ-\xe4\xe9\x7f@[`{Z");
  EXPECT_EQ(LowerAscii("D:\\Setup\\TOLVI32.EXE\xc4\xc9"), "d:\\setup\\tolvi32.exe\xc4\xc9");
}

TEST(ShortString, KeepsAtMost255Bytes) {
  ShortString text(std::string(300, 'a'));
  EXPECT_EQ(text.Length(), 255u);
  ShortString path(std::string(250, 'p'));
  path.Append("123456789");
  EXPECT_EQ(path.Text(), std::string(250, 'p') + "12345");
  path.Truncate(3);
  EXPECT_EQ(path.Text(), "ppp");
}

TEST(SystemText, AddsTheNulAndNeverCuts) {
  EXPECT_EQ(SystemText(""), std::string(1, '\0'));
  EXPECT_EQ(SystemText(std::string(254, 'a')), std::string(254, 'a') + '\0');
  EXPECT_EQ(SystemText(std::string(255, 'a')), std::string(255, 'a') + '\0');
  EXPECT_EQ(SystemText(std::string(1000, 'a')), std::string(1000, 'a') + '\0');
}

}  // namespace
}  // namespace discsetup
