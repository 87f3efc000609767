#include "platform/dos_path.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace discsetup {
namespace {

TEST(FullDosPath, ResolvesAgainstTheCurrentFolder) {
  const std::string current = "D:\\SETUP\\Sub";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"C:\\a\\b.exe", "C:\\a\\b.exe"},
      {"c:/a//b\\", "C:\\a\\b"},
      {"x.exe", "D:\\SETUP\\Sub\\x.exe"},
      {"..\\x", "D:\\SETUP\\x"},
      {"\\KELO\\RNAPLUS.INF", "D:\\KELO\\RNAPLUS.INF"},
      {"/KELO", "D:\\KELO"},
      {"C:\\a\\.\\..\\..\\..\\b", "C:\\b"},  // never above the root
      {"E:", "E:\\"},
      {"E:name", "E:\\name"},
      {"", "D:\\SETUP\\Sub"},
      {"\\\\server\\share\\x", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FullDosPath(c.first, current), c.second) << c.first;
  EXPECT_EQ(FullDosPath("x.exe", ""), "");
  EXPECT_EQ(FullDosPath("C:\\x.exe", ""), "C:\\x.exe");
}

// A file system of folders, each with its names, seen only through the reader.
class DosToUnixPathTest : public ::testing::Test {
 protected:
  std::string Map(const std::string& dos, const std::string& current = "/home/u") {
    return DosToUnixPath(dos, current, drives_,
                         [this](const std::string& folder, std::vector<std::string>* names) {
                           reads_.insert(folder);
                           const auto found = folders_.find(folder);
                           if (found == folders_.end()) return false;
                           *names = found->second;
                           return true;
                         });
  }

  std::vector<Drive> drives_ = {{'D', "/media/disc"}, {'Z', "/"}};
  std::map<std::string, std::vector<std::string>> folders_ = {
      {"/", {"home", "media", "tmp"}},
      {"/home", {"u"}},
      {"/home/u", {"Docs", "docs2"}},
      {"/media", {"disc"}},
      {"/media/disc", {"orvo", "KELO", "Kelo", "setup.exe"}},
      {"/media/disc/orvo", {"verkkis", "VERKKIS.txt"}},
      {"/media/disc/orvo/verkkis", {"Ohjelmat"}},
      {"/media/disc/KELO", {}},
  };
  std::set<std::string> reads_;
};

TEST_F(DosToUnixPathTest, MapsDrivesAndFindsComponentsWithoutCase) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"D:\\ORVO\\Verkkis\\OHJELMAT\\Kupla\\IE4Setup.exe",
       "/media/disc/orvo/verkkis/Ohjelmat/Kupla/IE4Setup.exe"},  // missing below: as written
      {"d:\\SETUP.EXE", "/media/disc/setup.exe"},
      {"D:\\Kelo", "/media/disc/Kelo"},  // the exact spelling wins
      {"D:\\kelo", "/media/disc/KELO"},  // else the lowest in byte order
      {"D:\\", "/media/disc"},
      {"D:\\orvo\\verkkis.TXT", "/media/disc/orvo/VERKKIS.txt"},
      {"Z:\\HOME\\U\\docs", "/home/u/Docs"},
      {"Z:\\tmp\\..\\media\\disc\\x", "/media/disc/x"},
      {"docs", "/home/u/Docs"},  // relative to the current folder
      {"..\\U\\DOCS2", "/home/u/docs2"},
      {"\\MEDIA", "/media"},  // root of the current drive
      {"", "/home/u"},
  };
  for (const auto& c : cases) EXPECT_EQ(Map(c.first), c.second) << c.first;
}

TEST_F(DosToUnixPathTest, ALeadingBackslashStartsAtTheCurrentFoldersDrive) {
  EXPECT_EQ(Map("\\KELO\\x", "/media/disc/orvo"), "/media/disc/KELO/x");
  EXPECT_EQ(Map("..\\..\\..\\setup.exe", "/media/disc/orvo/verkkis"), "/media/disc/setup.exe");
}

TEST_F(DosToUnixPathTest, UnknownDriveAndUncPathsHaveNoUnixPath) {
  for (const std::string dos : {"Q:\\x", "\\\\server\\share\\x", "//server/share"}) {
    EXPECT_EQ(Map(dos), "") << dos;
  }
}

TEST_F(DosToUnixPathTest, StopsReadingBelowAMissingComponent) {
  EXPECT_EQ(Map("D:\\nothere\\deeper\\file"), "/media/disc/nothere/deeper/file");
  EXPECT_EQ(reads_, std::set<std::string>{"/media/disc"});  // nothing below the missing one
}

TEST_F(DosToUnixPathTest, WithoutADriveForTheCurrentFolderRelativePathsStayThere) {
  drives_ = {{'D', "/media/disc"}};
  EXPECT_EQ(Map("docs", "/home/u"), "/home/u/Docs");
  EXPECT_EQ(Map("D:\\kelo", "/home/u"), "/media/disc/KELO");
  EXPECT_EQ(Map("Z:\\tmp", "/home/u"), "");
}

TEST(UnixToDosPath, DeepestDriveWins) {
  const std::vector<Drive> drives = {{'D', "/media/disc"}, {'E', "/media/disc/sub"}, {'Z', "/"}};
  EXPECT_EQ(UnixToDosPath("/media/disc/SETUP/Tolvi32", drives), "D:\\SETUP\\Tolvi32");
  EXPECT_EQ(UnixToDosPath("/media/disc/sub/x", drives), "E:\\x");
  EXPECT_EQ(UnixToDosPath("/media/discs/x", drives), "Z:\\media\\discs\\x");
  EXPECT_EQ(UnixToDosPath("/media/disc/sub/x", {{'D', "/media/disc"}}), "D:\\sub\\x");
  EXPECT_EQ(UnixToDosPath("/x", {{'D', "/media/disc"}}), "");
}

}  // namespace
}  // namespace discsetup
