#include "platform/posix/program_start_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"
#include "tests/support/fake_registry.h"

namespace discsetup {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& bytes, fs::perms perms) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
  fs::permissions(path, perms);
}

constexpr fs::perms kExecutable = fs::perms::owner_all;
constexpr fs::perms kPlain = fs::perms::owner_read | fs::perms::owner_write;

// What a stand-in wrote when it ran: its working folder, its $0, then its arguments.
using Record = std::vector<std::string>;

// Waits for a record that a started program writes; the program runs on its own, so the test
// can only look until it is there. Fails after a long while rather than hanging.
Record AwaitRecord(const fs::path& path) {
  for (int i = 0; i < 3000 && !fs::exists(path); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::ifstream file(path, std::ios::binary);
  const std::string raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  Record record;
  std::size_t start = 0;
  while (start < raw.size()) {
    const std::size_t end = raw.find('\0', start);
    record.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  fs::remove(path);
  return record;
}

// A scratch tree: the disc folder as drive D:, a prefix naming it, a tools folder as the only
// search path, and the disc's Docs folder as the current folder.
class ProgramStartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/program_start_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = fs::canonical(pattern);
    disc_ = root_ / "disc";
    tools_ = root_ / "tools";
    fs::create_directories(root_ / "prefix" / "dosdevices");
    fs::create_directories(disc_ / "Docs");
    fs::create_directories(tools_);
    fs::create_symlink(disc_, root_ / "prefix" / "dosdevices" / "d:");
    old_folder_ = fs::current_path();
    fs::current_path(disc_ / "Docs");
    start_ = MakePosixProgramStart(registry_, {(root_ / "prefix").string(), tools_.string()});
  }

  void TearDown() override {
    // A gated stand-in left waiting by a failed test is let go.
    const int gate = open((root_ / "gate").c_str(), O_WRONLY | O_NONBLOCK);
    if (gate >= 0) {
      (void)!write(gate, "\n", 1);
      close(gate);
    }
    fs::current_path(old_folder_);
    fs::remove_all(root_);
  }

  // A native program that records how it was started to <path>.rec, after reading a line from
  // `gate` when one is given.
  fs::path StandIn(const fs::path& path, const std::string& gate = "") {
    std::string script = "#!/bin/sh\nexec >/dev/null 2>&1\n";
    if (!gate.empty()) script += "read line < '" + gate + "'\n";
    script += "out='" + path.string() + ".rec'\n";
    script +=
        "printf '%s\\0' \"$(pwd -P)\" \"$0\" \"$@\" > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n";
    WriteFile(path, script, kExecutable);
    return path.string() + ".rec";
  }

  void Associate(const std::string& extension, const std::string& class_name,
                 const std::string& verb, const std::string& command) {
    registry_.Put("HKEY_CLASSES_ROOT\\" + extension, "", kRegSz, class_name + '\0');
    registry_.Put("HKEY_CLASSES_ROOT\\" + class_name + "\\shell\\" + verb + "\\command", "", kRegSz,
                  command + '\0');
  }

  // A fake desktop: xdg-mime knows the type and, when `has_default`, a default application.
  fs::path FakeDesktop(bool has_default) {
    WriteFile(tools_ / "xdg-mime",
              "#!/bin/sh\ncase \"$2\" in\n  filetype) echo text/plain ;;\n  default) " +
                  std::string(has_default ? "echo viewer.desktop" : "true") + " ;;\nesac\n",
              kExecutable);
    return StandIn(tools_ / "xdg-open");
  }

  std::string Folder(const fs::path& path) const { return path.string(); }

  FakeRegistry registry_;
  std::unique_ptr<ProgramStart> start_;
  fs::path root_;
  fs::path disc_;
  fs::path tools_;
  fs::path old_folder_;
};

TEST_F(ProgramStartTest, RunCommandLineResults) {
  StandIn(disc_ / "Tools" / "rec");
  WriteFile(disc_ / "Docs" / "notes.txt", "text\n", kExecutable);
  WriteFile(disc_ / "empty.exe", "", kPlain);
  WriteFile(disc_ / "setup.exe", "MZ\x90", kPlain);
  WriteFile(disc_ / "noexec", "#!/bin/sh\n", kPlain);
  fs::create_directories(disc_ / "Folder");
  const std::vector<std::pair<std::string, long>> cases = {
      {"", kStartFileNotFound},
      {" \t ", kStartFileNotFound},
      {"D:\\missing.exe arg", kStartFileNotFound},
      {"D:\\nofolder\\p.exe", kStartFileNotFound},
      {"D:\\Folder", kStartFileNotFound},
      {"Q:\\unknown\\drive.exe", kStartFileNotFound},
      {"notes.txt", kStartBadFormat},  // documents are not opened
      {"D:\\empty.exe", kStartBadFormat},
      {"D:\\noexec", kStartBadFormat},     // a script without its run bit
      {"D:\\setup.exe", kStartBadFormat},  // no wine in the search path
      {"D:\\Tools\\rec", kStartSuccess},
  };
  for (const auto& c : cases)
    EXPECT_EQ(start_->RunCommandLine(c.first.c_str(), 1), c.second) << c.first;
  AwaitRecord(disc_ / "Tools" / "rec.rec");
  EXPECT_EQ(start_->RunCommandLine(nullptr, 1), kStartFileNotFound);
  EXPECT_EQ(registry_.OpenHandles(), 0);
}

TEST_F(ProgramStartTest, RunCommandLinePassesWindowsArgumentsAsPlainBytes) {
  const fs::path record = StandIn(disc_ / "Tools" / "rec");
  const std::string line = "D:\\TOOLS\\REC a;b $(x) |y \"q  r\" \\\"z `id` * '' \x80\xff";
  ASSERT_EQ(start_->RunCommandLine(line.c_str(), 7), kStartSuccess);
  EXPECT_EQ(AwaitRecord(record),
            (Record{Folder(disc_ / "Docs"), (disc_ / "Tools" / "rec").string(), "a;b", "$(x)", "|y",
                    "q  r", "\"z", "`id`", "*", "''", "\x80\xff"}));
}

TEST_F(ProgramStartTest, RunCommandLineTriesLongerPrefixesOfAnUnquotedPath) {
  const fs::path long_record = StandIn(disc_ / "my dir" / "p");
  ASSERT_EQ(start_->RunCommandLine("D:\\my dir\\p x", 1), kStartSuccess);
  EXPECT_EQ(AwaitRecord(long_record),
            (Record{Folder(disc_ / "Docs"), (disc_ / "my dir" / "p").string(), "x"}));

  const fs::path short_record = StandIn(disc_ / "my");
  ASSERT_EQ(start_->RunCommandLine("D:\\my dir\\p x", 1), kStartSuccess);
  EXPECT_EQ(AwaitRecord(short_record),
            (Record{Folder(disc_ / "Docs"), (disc_ / "my").string(), "dir\\p", "x"}));

  // Quoted, the path is taken whole.
  ASSERT_EQ(start_->RunCommandLine("\"D:\\my dir\\p\" \"x y\"", 1), kStartSuccess);
  EXPECT_EQ(AwaitRecord(long_record),
            (Record{Folder(disc_ / "Docs"), (disc_ / "my dir" / "p").string(), "x y"}));
}

TEST_F(ProgramStartTest, WindowsProgramsRunThroughWineWithTheirShowMode) {
  const fs::path wine_record = StandIn(tools_ / "wine");
  WriteFile(disc_ / "Setup" / "Inst.EXE", "MZ\x90\0", kPlain);
  const std::string program = (disc_ / "Setup" / "Inst.EXE").string();
  const std::vector<std::pair<int, Record>> cases = {
      {1, {program, "a b", "c"}},
      {0, {program, "a b", "c"}},
      {3, {"start", "/unix", "/max", program, "a b", "c"}},
      {7, {"start", "/unix", "/min", program, "a b", "c"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first);
    // Without an extension, ".exe" is tried as on Windows.
    ASSERT_EQ(start_->RunCommandLine("d:\\setup\\inst \"a b\" c", c.first), kStartSuccess);
    Record expected = {Folder(disc_ / "Docs"), (tools_ / "wine").string()};
    expected.insert(expected.end(), c.second.begin(), c.second.end());
    EXPECT_EQ(AwaitRecord(wine_record), expected);
  }
}

TEST_F(ProgramStartTest, StartsWithoutWaitingAndLeavesNoChild) {
  const fs::path gate = root_ / "gate";
  ASSERT_EQ(mkfifo(gate.c_str(), 0600), 0);
  const fs::path gated = StandIn(disc_ / "Tools" / "gated", gate.string());
  const fs::path quick = StandIn(disc_ / "Tools" / "quick");
  const fs::path quick2 = StandIn(disc_ / "Tools" / "quick2");
  // The gated program cannot finish before the gate opens, which happens only after the call
  // returned; the quick one finishes on its own and must not stay behind as our zombie.
  ASSERT_EQ(start_->RunCommandLine("D:\\Tools\\gated first", 1), kStartSuccess);
  ASSERT_EQ(start_->RunCommandLine("D:\\Tools\\quick", 1), kStartSuccess);
  ASSERT_EQ(start_->ShellExecuteVerb(0, nullptr, "D:\\Tools\\quick2", "again", nullptr, 1),
            kStartSuccess);
  AwaitRecord(quick);
  AwaitRecord(quick2);
  errno = 0;
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  const int fd = open(gate.c_str(), O_WRONLY);  // waits for the gated program to open its end
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "go\n", 3), 3);
  close(fd);
  EXPECT_EQ(AwaitRecord(gated),
            (Record{Folder(disc_ / "Docs"), (disc_ / "Tools" / "gated").string(), "first"}));
}

TEST_F(ProgramStartTest, ShellExecuteRunsTheAssociationsCommand) {
  const fs::path record = StandIn(disc_ / "Tools" / "rec");
  Associate(".qtq", "SampleClass", "open", "D:\\Tools\\rec %1");
  Associate(".qtq", "SampleClass", "Install", "\"D:\\Tools\\rec\" install \"%1\" %2");
  WriteFile(disc_ / "Docs" / "a b.QTQ", "doc", kPlain);
  fs::create_directories(disc_ / "Work");
  struct Case {
    const char* verb;
    const char* file;
    const char* parameters;
    const char* directory;
    Record arguments;
    fs::path folder;
  };
  const std::vector<Case> cases = {
      // %1 is not quoted: a path with blanks arrives in pieces, as on Windows.
      {nullptr, "D:\\Docs\\a b.QTQ", nullptr, "", {"D:\\Docs\\a", "b.QTQ"}, disc_ / "Docs"},
      {"OPEN", "D:\\Docs\\a b.QTQ", nullptr, "D:\\Work", {"D:\\Docs\\a", "b.QTQ"}, disc_ / "Work"},
      {"install",
       "..\\Docs\\a b.qtq",
       "\"p q\" r",
       "d:\\work\\",
       {"install", "..\\Docs\\a b.qtq", "p q"},
       disc_ / "Work"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_EQ(start_->ShellExecuteVerb(0, c.verb, c.file, c.parameters, c.directory, 1),
              kStartSuccess);
    Record expected = {Folder(c.folder), (disc_ / "Tools" / "rec").string()};
    expected.insert(expected.end(), c.arguments.begin(), c.arguments.end());
    EXPECT_EQ(AwaitRecord(record), expected);
  }
  EXPECT_EQ(registry_.OpenHandles(), 0);
}

TEST_F(ProgramStartTest, ShellExecuteTakesTheClasssDefaultVerb) {
  const fs::path record = StandIn(disc_ / "Tools" / "rec");
  Associate(".inf", "inffile", "Install", "D:\\Tools\\rec install %1");
  registry_.Put("HKEY_CLASSES_ROOT\\inffile\\shell", "", kRegSz, std::string("Install\0", 8));
  WriteFile(disc_ / "KELO" / "RNAPLUS.INF", "[Version]\n", kPlain);
  ASSERT_EQ(start_->ShellExecuteVerb(0, nullptr, "D:\\KELO\\RNAPLUS.INF", nullptr, "D:\\KELO\\", 0),
            kStartSuccess);
  EXPECT_EQ(AwaitRecord(record), (Record{Folder(disc_ / "KELO"), (disc_ / "Tools" / "rec").string(),
                                         "install", "D:\\KELO\\RNAPLUS.INF"}));
}

TEST_F(ProgramStartTest, ShellExecuteRunsAProgramWithTheParameters) {
  const fs::path record = StandIn(disc_ / "Tools" / "rec");
  ASSERT_EQ(
      start_->ShellExecuteVerb(0, nullptr, "..\\TOOLS\\rec", "x \"y z\" $HOME", "D:\\Docs", 1),
      kStartSuccess);
  EXPECT_EQ(AwaitRecord(record), (Record{Folder(disc_ / "Docs"), (disc_ / "Tools" / "rec").string(),
                                         "x", "y z", "$HOME"}));
}

TEST_F(ProgramStartTest, ShellExecuteFailures) {
  Associate(".qtq", "SampleClass", "open", "D:\\Tools\\rec %1");
  Associate(".gone", "GoneClass", "open", "D:\\Tools\\gone.exe %1");
  Associate(".txt", "txtfile", "open", "D:\\Docs\\notes.txt %1");
  WriteFile(disc_ / "Docs" / "doc.qtq", "doc", kPlain);
  WriteFile(disc_ / "Docs" / "doc.gone", "doc", kPlain);
  WriteFile(disc_ / "Docs" / "notes.txt", "doc", kPlain);
  WriteFile(disc_ / "Docs" / "doc.unknown", "doc", kPlain);
  WriteFile(disc_ / "Docs" / "empty.exe", "", kPlain);
  struct Case {
    const char* verb;
    const char* file;
    const char* directory;
    long result;
  };
  const std::vector<Case> cases = {
      {nullptr, "D:\\Docs\\missing.qtq", nullptr, kStartFileNotFound},
      {nullptr, "doc.qtq", "D:\\NoSuchFolder", kStartFileNotFound},
      {nullptr, "\"D:\\Docs\\doc.qtq\"", nullptr, kStartFileNotFound},
      {nullptr, "doc.gone", nullptr, kStartFileNotFound},  // the association's program is missing
      {nullptr, "doc.unknown", nullptr, kStartNoAssociation},
      {"Install", "doc.qtq", nullptr, kStartNoAssociation},  // the class has only open
      {nullptr, "notes.txt", nullptr, kStartBadFormat},      // its command names no program
      {nullptr, "empty.exe", nullptr, kStartBadFormat},
      {nullptr, "", nullptr, kStartBadFormat},
      {nullptr, nullptr, nullptr, kStartBadFormat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file != nullptr ? c.file : "NULL");
    EXPECT_EQ(start_->ShellExecuteVerb(0, c.verb, c.file, nullptr, c.directory, 1), c.result);
  }
  EXPECT_EQ(registry_.OpenHandles(), 0);
}

TEST_F(ProgramStartTest, ShellExecuteFallsBackToTheDesktopForTheDefaultVerbOnly) {
  WriteFile(disc_ / "Docs" / "notes.txt", "text\n", kPlain);
  const fs::path record = FakeDesktop(true);
  EXPECT_EQ(start_->ShellExecuteVerb(0, "Install", "notes.txt", nullptr, nullptr, 1),
            kStartNoAssociation);
  ASSERT_EQ(start_->ShellExecuteVerb(0, nullptr, "NOTES.TXT", nullptr, nullptr, 1), kStartSuccess);
  EXPECT_EQ(AwaitRecord(record), (Record{Folder(disc_ / "Docs"), (tools_ / "xdg-open").string(),
                                         (disc_ / "Docs" / "notes.txt").string()}));
  FakeDesktop(false);
  EXPECT_EQ(start_->ShellExecuteVerb(0, nullptr, "notes.txt", nullptr, nullptr, 1),
            kStartNoAssociation);
}

TEST_F(ProgramStartTest, FindExecutableResults) {
  Associate(".qtq", "SampleClass", "open", "D:\\SETUP\\Kokoaa32.exe %1");  // not checked
  Associate(".quo", "QuotedClass", "open", "\"C:\\Program Files\\View\\v.exe\" \"%1\"");
  Associate(".unq", "UnquotedClass", "open", "C:\\Program Files\\View\\v.exe %1");
  Associate(".ins", "InstallOnly", "Install", "D:\\x.exe %1");
  registry_.Put("HKEY_CLASSES_ROOT\\.nocls", "", kRegSz, std::string("Missing\0", 8));
  registry_.Put("HKEY_CLASSES_ROOT\\.direct\\shell\\open\\command", "", kRegSz,
                std::string("D:\\x.exe\0", 9));
  for (const char* name :
       {"a b.QTQ", "d.quo", "d.unq", "d.ins", "d.nocls", "d.direct", "noext", "Prog.EXE"}) {
    WriteFile(disc_ / "Docs" / name, "x", kPlain);
  }
  StandIn(disc_ / "Tools" / "native");
  struct Case {
    const char* file;
    const char* directory;
    long result;
    std::string path;
  };
  const std::vector<Case> cases = {
      {"D:\\Docs\\a b.QTQ", nullptr, kStartSuccess, "D:\\SETUP\\Kokoaa32.exe"},
      {"a b.qtq", "D:\\DOCS", kStartSuccess, "D:\\SETUP\\Kokoaa32.exe"},
      {"d.quo", "", kStartSuccess, "C:\\Program Files\\View\\v.exe"},
      {"d.unq", "", kStartSuccess, "C:\\Program"},
      {"prog.exe", "D:\\Docs", kStartSuccess, "D:\\Docs\\prog.exe"},
      {"D:\\Tools\\native", nullptr, kStartSuccess, "D:\\Tools\\native"},
      {"d.ins", nullptr, kStartNoAssociation, ""},
      {"d.nocls", nullptr, kStartNoAssociation, ""},
      {"d.direct", nullptr, kStartNoAssociation, ""},  // shell under the extension key
      {"noext", nullptr, kStartNoAssociation, ""},
      {"D:\\Docs", nullptr, kStartNoAssociation, ""},
      {"missing.qtq", nullptr, kStartFileNotFound, ""},
      {"a b.qtq", "D:\\Tools", kStartFileNotFound, ""},  // looked up in the directory given
      {"\"D:\\Docs\\a b.QTQ\"", nullptr, kStartFileNotFound, ""},
      {"", nullptr, kStartFileNotFound, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    char result[kMaxPath];
    std::fill(result, result + kMaxPath, 'j');
    EXPECT_EQ(start_->FindExecutableFor(c.file, c.directory, result), c.result);
    EXPECT_EQ(std::string(result), c.path);
  }
  EXPECT_EQ(registry_.OpenHandles(), 0);
}

TEST_F(ProgramStartTest, FindExecutableCutsALongProgramPathToTheBuffer) {
  Associate(".qtq", "SampleClass", "open", "D:\\" + std::string(400, 'p') + ".exe %1");
  WriteFile(disc_ / "Docs" / "a.qtq", "x", kPlain);
  char result[kMaxPath + 8];
  std::fill(result, result + sizeof result, 'j');
  EXPECT_EQ(start_->FindExecutableFor("a.qtq", nullptr, result), kStartSuccess);
  EXPECT_EQ(std::string(result), ("D:\\" + std::string(400, 'p')).substr(0, kMaxPath - 1));
}

}  // namespace
}  // namespace discsetup
