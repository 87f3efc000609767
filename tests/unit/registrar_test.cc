#include "registrar/registrar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/failure.h"
#include "platform/trace.h"
#include "tests/support/fake_process.h"
#include "tests/support/fake_registry.h"

namespace discsetup {
namespace {

using Lines = std::vector<std::string>;

const char kViewers[] = "HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Viewers";
const char kSuffixes[] = "HKEY_CURRENT_USER\\Software\\Netscape\\Netscape Navigator\\Suffixes";

// Runs Tolvi32's core on a fake registry and records every registry call in the trace format.
class RegistrarTest : public ::testing::Test {
 protected:
  int Run(const std::string& arguments, const std::string& own_path = "D:\\SETUP\\Tolvi32.exe") {
    process_.reset(new FakeProcess("\"" + own_path + "\" " + arguments, own_path));
    TracingRegistry traced(registry_, [this](const std::string& line) { calls_.push_back(line); });
    return RunReportingFailures(*process_, [&] { RunRegistrar(*process_, traced); });
  }

  std::string Text(const std::string& key, const std::string& name = "") {
    std::uint32_t type = 0;
    std::string data;
    if (!registry_.Get(key, name, &type, &data)) return "<missing>";
    return std::to_string(type) + ":" + data;
  }

  std::string Output() const { return process_->stdout_text; }

  FakeRegistry registry_;
  std::unique_ptr<FakeProcess> process_;
  Lines calls_;
};

// The calls of one text write: create the key, close it, open it, set the value, close it.
Lines Write(const std::string& root, const std::string& path, const std::string& name,
            const std::string& text, int hkey = 1) {
  const std::string key = "hkey" + std::to_string(hkey);
  return {"RegCreateKeyExA(" + root + ", " + TraceBytes(path) + ", 0, NULL, 0, 983103, NULL) = 0",
          "RegCloseKey(" + key + ") = 0",
          "RegOpenKeyExA(" + root + ", " + TraceBytes(path) + ", 0, 983103) = 0",
          "RegSetValueExA(" + key + ", " + TraceBytes(name) + ", 0, 1, " + TraceBytes(text + '\0') +
              ", " + std::to_string(text.size() + 1) + ") = 0",
          "RegCloseKey(" + key + ") = 0"};
}

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(RegistrarTest, TypicalRoadMakesTheseCallsInThisOrder) {
  registry_.Put("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\SampleClass", "Other", kRegSz, "x");
  ASSERT_EQ(Run("qtq SampleClass \"Sample document\""), 0);

  const std::string cr = "HKEY_CLASSES_ROOT", cu = "HKEY_CURRENT_USER";
  const std::string suffixes = "Software\\Netscape\\Netscape Navigator\\Suffixes";
  const std::string viewers = "Software\\Netscape\\Netscape Navigator\\Viewers";
  const Lines expected = Concat({
      Write(cr, ".qtq", "", "SampleClass"),
      Write(cr, "SampleClass", "", "Sample document"),
      Write(cr, "SampleClass\\shell\\open\\command", "", "D:\\SETUP\\Kokoaa32.exe %1"),
      // No browser settings yet: the suffix and slot 0 are missing.
      {"RegOpenKeyExA(HKEY_CURRENT_USER, \"" + TraceBytes(suffixes).substr(1) + ", 0, 983103) = 2",
       "RegOpenKeyExA(HKEY_CURRENT_USER, \"" + TraceBytes(viewers).substr(1) + ", 0, 983103) = 2"},
      Write(cu, viewers, "TYPE0", "text/x-qtq"),
      Write(cu, viewers, "text/x-qtq", "d:\\setup\\kokoaa32.exe"),
      Write(cu, suffixes, "text/x-qtq", "qtq"),
      {"RegOpenKeyExA(HKEY_LOCAL_MACHINE, \"SOFTWARE\\\\Classes\\\\SampleClass\", 0, 983103) = 0",
       "RegSetValueExA(hkey1, \"EditFlags\", 0, 3, \"\\x00\\x00\\x01\\x00\", 4) = 0",
       "RegCloseKey(hkey1) = 0"},
  });
  EXPECT_EQ(calls_, expected);
  EXPECT_EQ(Output(), "");
  EXPECT_EQ(registry_.OpenHandles(), 0);
  EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\.qtq"), std::string("1:SampleClass\0", 14));
  EXPECT_EQ(Text("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\SampleClass", "EditFlags"),
            std::string("3:\0\0\1\0", 6));
}

TEST_F(RegistrarTest, RecordsForEachArgumentShape) {
  struct Case {
    std::string arguments;
    std::string extension_key, class_key, description, command;
  };
  const std::vector<Case> cases = {
      {"qtq", ".qtq", "qtq_key", "", "D:\\SETUP\\Kokoaa32.exe %1"},
      {"qtq \"\" \"Sample document\"", ".qtq", "Sample document", "", "D:\\SETUP\\Kokoaa32.exe %1"},
      {".qtq", "..qtq", ".qtq_key", "", "D:\\SETUP\\Kokoaa32.exe %1"},
      {"-? x y", ".-?", "x", "y", "D:\\SETUP\\Kokoaa32.exe %1"},
      {"/?? c", "./??", "c", "", "D:\\SETUP\\Kokoaa32.exe %1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    registry_ = FakeRegistry();
    ASSERT_EQ(Run(c.arguments), 0);
    EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\" + c.extension_key), "1:" + c.class_key + '\0');
    EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\" + c.class_key), "1:" + c.description + '\0');
    EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\" + c.class_key + "\\shell\\open\\command"),
              "1:" + c.command + '\0');
  }
}

TEST_F(RegistrarTest, InstallerPathKeepsTheCaseAndBlanksOfTheProgramDirectory) {
  ASSERT_EQ(Run("qtq Cls", "D:\\MY Setup\\Tolvi32.EXE"), 0);
  EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\Cls\\shell\\open\\command"),
            std::string("1:D:\\MY Setup\\Kokoaa32.exe %1\0", 30));
  EXPECT_EQ(Text(kViewers, "text/x-qtq"), std::string("1:d:\\my setup\\kokoaa32.exe\0", 27));
}

TEST_F(RegistrarTest, ExtensionWithABackslashNamesASubkey) {
  ASSERT_EQ(Run("a\\b"), 0);
  EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\.a\\b"), std::string("1:a\\b_key\0", 10));
}

TEST_F(RegistrarTest, NoArgumentsDoNothing) {
  EXPECT_EQ(Run(""), 0);
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(Output(), "");
}

TEST_F(RegistrarTest, UsageLineIsTheWholeRun) {
  EXPECT_EQ(Run("/? Cls Desc"), 0);
  EXPECT_EQ(Output(), "Tolvi32.exe tiedostotarkennin rekisteriavain kuvaus\r\n");
  EXPECT_TRUE(calls_.empty());
}

TEST_F(RegistrarTest, BrowserRegistrationRunsOnlyForQtqInAnyCase) {
  for (const std::string extension : {"qtq", "QTQ", "Qtq", ".qtq", "qtqx", "qt"}) {
    registry_ = FakeRegistry();
    ASSERT_EQ(Run(extension), 0);
    const bool expected = extension.size() == 3 && extension != "qt";
    EXPECT_EQ(Text(kSuffixes, "text/x-qtq") != "<missing>", expected) << extension;
  }
}

TEST_F(RegistrarTest, SlotSearchTakesTheLowestEmptySlot) {
  struct Case {
    std::vector<int> taken;
    std::vector<int> empty_text;  // present, but holding the empty text
    int expected;
  };
  const std::vector<Case> cases = {
      {{0, 1, 2, 4}, {}, 3},  // a gap
      {{1}, {0}, 0},          // an empty slot is free
  };
  for (const Case& c : cases) {
    registry_ = FakeRegistry();
    for (int n : c.taken) registry_.Put(kViewers, "TYPE" + std::to_string(n), kRegSz, "x/y");
    for (int n : c.empty_text) {
      registry_.Put(kViewers, "TYPE" + std::to_string(n), kRegSz, std::string(1, '\0'));
    }
    ASSERT_EQ(Run("qtq"), 0);
    EXPECT_EQ(Text(kViewers, "TYPE" + std::to_string(c.expected)),
              std::string("1:text/x-qtq\0", 13));
  }
}

TEST_F(RegistrarTest, SlotSearchReachesSlot1024ThenAborts) {
  for (int n = 0; n < 1024; ++n) registry_.Put(kViewers, "TYPE" + std::to_string(n), kRegSz, "a");
  ASSERT_EQ(Run("qtq"), 0);
  EXPECT_EQ(Text(kViewers, "TYPE1024"), std::string("1:text/x-qtq\0", 13));

  registry_.Put(kSuffixes, "text/x-qtq", kRegSz, "");
  calls_.clear();
  EXPECT_EQ(Run("qtq Cls"), 1);
  EXPECT_EQ(Output(),
            "Exception EAbort in module Tolvi32.exe at 00001234.\nOperation aborted.\r\n");
  // 1025 probes of open, two queries and close each, and nothing written afterwards.
  EXPECT_EQ(calls_.back(), "RegCloseKey(hkey1) = 0");
  EXPECT_EQ(registry_.OpenHandles(), 0);
  EXPECT_EQ(Text("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Cls", "EditFlags"), "<missing>");
}

TEST_F(RegistrarTest, ExistingSuffixLeavesTheBrowserSettingsAlone) {
  registry_.Put(kSuffixes, "text/x-qtq", kRegSz, std::string("abc\0", 4));
  ASSERT_EQ(Run("qtq Cls"), 0);
  EXPECT_EQ(Text(kViewers, "TYPE0"), "<missing>");
}

TEST_F(RegistrarTest, ValuesOfAnotherTypeAreInvalidData) {
  struct Case {
    std::string key, name, message;
  };
  const std::vector<Case> cases = {
      {kViewers, "TYPE3", "Invalid data type for 'TYPE3'."},
      {kSuffixes, "text/x-qtq", "Invalid data type for 'text/x-qtq'."},
  };
  for (const Case& c : cases) {
    registry_ = FakeRegistry();
    for (int n = 0; n < 3; ++n) registry_.Put(kViewers, "TYPE" + std::to_string(n), kRegSz, "a");
    registry_.Put(c.key, c.name, kRegDword, std::string("\1\0\0\0", 4));
    EXPECT_EQ(Run("qtq Cls"), 1);
    EXPECT_EQ(Output(), "Exception ERegistryException in module Tolvi32.exe at 00001234.\n" +
                            c.message + "\r\n");
    EXPECT_EQ(registry_.OpenHandles(), 0);
  }
}

TEST_F(RegistrarTest, ABinaryValueWithoutDataCountsAsEmpty) {
  registry_.Put(kViewers, "TYPE0", kRegBinary, "");
  ASSERT_EQ(Run("qtq"), 0);
  EXPECT_EQ(Text(kViewers, "TYPE0"), std::string("1:text/x-qtq\0", 13));
}

TEST_F(RegistrarTest, AFailedWriteStopsTheRunAndKeepsWhatWasWritten) {
  struct Case {
    std::string function, name, message;
    bool class_record_written;
  };
  const std::vector<Case> cases = {
      {"RegCreateKeyExA", ".qtq", "Failed to create key .qtq.", false},
      {"RegSetValueExA", "", "Failed to set data for ''.", false},
      {"RegCreateKeyExA", "Cls\\shell\\open\\command",
       "Failed to create key Cls\\shell\\open\\command.", true},
      {"RegCreateKeyExA", "Software\\Netscape\\Netscape Navigator\\Viewers",
       "Failed to create key Software\\Netscape\\Netscape Navigator\\Viewers.", true},
      {"RegSetValueExA", "EditFlags", "Failed to set data for 'EditFlags'.", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.function + " " + c.name);
    registry_ = FakeRegistry();
    registry_.Put("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Cls", "", kRegSz, "");
    registry_.fail_when = [&c](const std::string& function, const std::string& name) -> long {
      return function == c.function && name == c.name ? kErrorAccessDenied : 0;
    };
    EXPECT_EQ(Run("qtq Cls Desc"), 1);
    EXPECT_EQ(Output(), "Exception ERegistryException in module Tolvi32.exe at 00001234.\n" +
                            c.message + "\r\n");
    EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\Cls") == std::string("1:Desc\0", 7), c.class_record_written);
    if (c.name != "EditFlags") {
      EXPECT_EQ(Text("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Cls", "EditFlags"), "<missing>");
    }
    EXPECT_EQ(registry_.OpenHandles(), 0);
  }
}

TEST_F(RegistrarTest, AKeyThatCannotBeOpenedAfterCreationIsPassedOver) {
  registry_.fail_when = [](const std::string& function, const std::string& name) -> long {
    return function == "RegOpenKeyExA" && name == ".qtq" ? kErrorAccessDenied : 0;
  };
  ASSERT_EQ(Run("qtq Cls"), 0);
  EXPECT_TRUE(registry_.HasKey("HKEY_CLASSES_ROOT\\.qtq"));
  EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\.qtq"), "<missing>");
  EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\Cls"), std::string("1:\0", 3));
}

TEST_F(RegistrarTest, EditFlagGoesOnlyOnAnExistingClassKeyAndReplacesAnyType) {
  ASSERT_EQ(Run("txt Missing"), 0);  // created through HKEY_CLASSES_ROOT, so it exists
  EXPECT_EQ(Text("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Missing", "EditFlags"),
            std::string("3:\0\0\1\0", 6));

  registry_.Put("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Cls", "EditFlags", kRegSz, "old text");
  ASSERT_EQ(Run("txt Cls"), 0);
  EXPECT_EQ(Text("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Cls", "EditFlags"),
            std::string("3:\0\0\1\0", 6));

  calls_.clear();
  EditFlagStep(registry_, "Nowhere");
  EXPECT_FALSE(registry_.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Nowhere"));
}

TEST_F(RegistrarTest, RunningTwiceWritesTheSameRecords) {
  ASSERT_EQ(Run("qtq Cls Desc"), 0);
  const std::string first = registry_.Dump();
  ASSERT_EQ(Run("qtq Cls Desc"), 0);
  EXPECT_EQ(registry_.Dump(), first);
}

TEST_F(RegistrarTest, ALeadingBackslashIsDroppedOnce) {
  ASSERT_EQ(Run("x \\Cls"), 0);
  EXPECT_EQ(Text("HKEY_CLASSES_ROOT\\Cls\\shell\\open\\command"),
            std::string("1:D:\\SETUP\\Kokoaa32.exe %1\0", 27));

  registry_.fail_when = [](const std::string& function, const std::string& name) -> long {
    return function == "RegCreateKeyExA" && !name.empty() && name[0] == '\\' ? kErrorBadPathname
                                                                             : 0;
  };
  EXPECT_EQ(Run("x \\\\Cls"), 1);
  EXPECT_EQ(Output(),
            "Exception ERegistryException in module Tolvi32.exe at 00001234.\n"
            "Failed to create key \\\\Cls.\r\n");
}

}  // namespace
}  // namespace discsetup
