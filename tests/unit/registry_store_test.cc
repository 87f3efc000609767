#include "platform/posix/registry_store.h"

#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/fake_registry.h"

namespace discsetup {
namespace {

// A scratch folder, removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern =
        std::string(getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp") + "/registry_store_test.XXXXXX";
    path_ = mkdtemp(&pattern[0]);
  }
  ~TempFolder() {
    nftw(
        path_.c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) {
          chmod(path, 0700);
          return remove(path);
        },
        16, FTW_DEPTH | FTW_PHYS);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// ---------------------------------------------------------------------------------------------
// The contract of the registry seam, run against every implementation of it.

struct Backend {
  const char* name;
  std::function<std::unique_ptr<Registry>(const std::string& folder)> make;
};

const Backend kBackends[] = {
    {"Fake", [](const std::string&) { return std::unique_ptr<Registry>(new FakeRegistry); }},
    {"Store",
     [](const std::string& folder) {
       return std::unique_ptr<Registry>(new StoreRegistry(folder + "/prefix"));
     }},
};

class RegistryContract : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override { registry_ = GetParam().make(folder_.path()); }

  HKey Create(HKey parent, const char* subkey) {
    HKey key = 0;
    EXPECT_EQ(0, registry_->CreateKey(parent, subkey, 0, kKeyAllAccess, &key)) << subkey;
    return key;
  }
  long Open(HKey parent, const char* subkey, HKey* key = nullptr) {
    HKey ignored = 0;
    const long rc = registry_->OpenKey(parent, subkey, kKeyAllAccess, key ? key : &ignored);
    if (rc == 0 && key == nullptr) registry_->CloseKey(ignored);
    return rc;
  }
  long Set(HKey key, const char* name, std::uint32_t type, const std::string& data) {
    return registry_->SetValue(key, name, type, reinterpret_cast<const std::uint8_t*>(data.data()),
                               static_cast<std::uint32_t>(data.size()));
  }
  // "type:data", or "rc=N" on failure.
  std::string Get(HKey key, const char* name) {
    std::uint32_t type = 99, size = 0;
    long rc = registry_->QueryValue(key, name, &type, nullptr, &size);
    if (rc != 0) return "rc=" + std::to_string(rc);
    std::string data(size, '\0');
    rc = registry_->QueryValue(key, name, &type, reinterpret_cast<std::uint8_t*>(&data[0]), &size);
    if (rc != 0) return "rc=" + std::to_string(rc);
    return std::to_string(type) + ":" + data.substr(0, size);
  }

  TempFolder folder_;
  std::unique_ptr<Registry> registry_;
};

TEST_P(RegistryContract, KeyPathsFollowWindowsRules) {
  const std::string longest(255, 'k'), too_long(256, 'k');
  struct Case {
    std::string create;   // path given to CreateKey
    long rc;              // its result
    std::string open_as;  // another spelling that must reach the same key
  };
  const Case cases[] = {
      {"\\lead", kErrorBadPathname, ""},
      {"\\", kErrorBadPathname, ""},
      {"trail\\", 0, "trail"},
      {"dbl\\\\b", 0, "dbl\\b\\"},
      {"Abc", 0, "aBC"},
      {"fw/slash", 0, "FW/SLASH"},
      {"x\\..\\y", 0, "X\\..\\Y"},
      {"  sp  \t", 0, "  SP  \t"},
      {"caf\xE9", 0, "CAF\xE9"},
      {longest, 0, std::string(255, 'K')},
      {"ok\\" + too_long, kErrorInvalidParameter, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.create);
    HKey key = 0;
    EXPECT_EQ(c.rc, registry_->CreateKey(kCurrentUser, c.create.c_str(), 0, kKeyAllAccess, &key));
    if (c.rc != 0) continue;
    ASSERT_EQ(0, Set(key, "v", kRegSz, c.create));
    HKey again = 0;
    ASSERT_EQ(0, Open(kCurrentUser, c.open_as.c_str(), &again));
    EXPECT_EQ("1:" + c.create, Get(again, "V"));
    EXPECT_EQ(0, registry_->CloseKey(again));
    EXPECT_EQ(0, registry_->CloseKey(key));
  }
  // Nothing was made by the refused paths, and no name was cleaned up.
  EXPECT_EQ(kErrorFileNotFound, Open(kCurrentUser, "lead"));
  EXPECT_EQ(kErrorFileNotFound, Open(kCurrentUser, "ok"));
  EXPECT_EQ(kErrorFileNotFound, Open(kCurrentUser, "y"));
  EXPECT_EQ(kErrorFileNotFound, Open(kCurrentUser, "sp"));
  // Case folding stops at ASCII: bytes above 0x7F compare exactly.
  EXPECT_EQ(kErrorFileNotFound, Open(kCurrentUser, "caf\xC9"));
}

TEST_P(RegistryContract, OpeningMissingKeysCreatesNothing) {
  HKey a = Create(kLocalMachine, "Software\\Present");
  for (const char* path : {"Software\\Absent", "Software\\Absent\\Deeper", "Nowhere\\Present"}) {
    EXPECT_EQ(kErrorFileNotFound, Open(kLocalMachine, path)) << path;
  }
  EXPECT_EQ(kErrorFileNotFound, Open(kLocalMachine, "Software\\Absent"));
  EXPECT_EQ(kErrorFileNotFound, Open(a, "Child"));
  EXPECT_EQ(0, registry_->CloseKey(a));
}

TEST_P(RegistryContract, EmptySubkeyIsANewHandleToTheParent) {
  HKey parent = Create(kCurrentUser, "Software\\Parent");
  for (const char* subkey : {static_cast<const char*>(nullptr), ""}) {
    HKey same = 0;
    ASSERT_EQ(0, registry_->OpenKey(parent, subkey, kKeyAllAccess, &same));
    EXPECT_NE(parent, same);
    ASSERT_EQ(0, Set(same, "through", kRegSz, subkey ? "empty" : "null"));
    EXPECT_EQ(std::string("1:") + (subkey ? "empty" : "null"), Get(parent, "through"));
    EXPECT_EQ(0, registry_->CloseKey(same));
    // The parent stays open after its copy is closed.
    EXPECT_EQ(0, Set(parent, "after", kRegDword, "\1\0\0\0"));
  }
  HKey created = 0;
  ASSERT_EQ(0, registry_->CreateKey(parent, "", 0, kKeyAllAccess, &created));
  EXPECT_EQ("1:empty", Get(created, "through"));
  EXPECT_EQ(0, registry_->CloseKey(created));
  EXPECT_EQ(0, registry_->CloseKey(parent));
}

TEST_P(RegistryContract, BadAndClosedHandlesGive6) {
  HKey closed = Create(kCurrentUser, "Software\\Closed");
  ASSERT_EQ(0, registry_->CloseKey(closed));
  for (HKey bad : {HKey(0), HKey(0x7777), closed}) {
    SCOPED_TRACE(bad);
    HKey key = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(kErrorInvalidHandle, registry_->CreateKey(bad, "x", 0, kKeyAllAccess, &key));
    EXPECT_EQ(kErrorInvalidHandle, registry_->OpenKey(bad, "", kKeyAllAccess, &key));
    EXPECT_EQ(kErrorInvalidHandle, Set(bad, "v", kRegSz, "x"));
    EXPECT_EQ(kErrorInvalidHandle, registry_->QueryValue(bad, "v", nullptr, nullptr, &size));
    EXPECT_EQ(kErrorInvalidHandle, registry_->CloseKey(bad));
  }
}

TEST_P(RegistryContract, ValuesKeepTypeAndExactBytes) {
  HKey key = Create(kCurrentUser, "Software\\Values");
  struct Case {
    const char* name;
    std::uint32_t type;
    std::string data;
  };
  const Case cases[] = {
      {"text", kRegSz, std::string("with NUL\0", 9)},
      {"bare", kRegSz, "without NUL"},
      {"empty", kRegSz, ""},
      {"expand", kRegExpandSz, std::string("%PATH%\\x\0", 9)},
      {"binary", kRegBinary, std::string("\0\x01\xFF\x80\\\"", 6)},
      {"short dword", kRegDword, std::string("\x01\x02\x03", 3)},
      {"odd type", 0x12345, "z"},
      {"high \xE9\x01 bytes", kRegSz, "\xE9\xFF"},
  };
  for (const Case& c : cases) ASSERT_EQ(0, Set(key, c.name, c.type, c.data)) << c.name;
  for (const Case& c : cases) {
    EXPECT_EQ(std::to_string(c.type) + ":" + c.data, Get(key, c.name)) << c.name;
  }
  // A name of any case replaces the value whatever its type.
  ASSERT_EQ(0, Set(key, "TEXT", kRegDword, std::string("\x2A\0\0\0", 4)));
  EXPECT_EQ(std::string("4:\x2A\0\0\0", 6), Get(key, "Text"));
  // NULL and "" name the same default value.
  EXPECT_EQ(kErrorFileNotFound, registry_->QueryValue(key, nullptr, nullptr, nullptr, nullptr));
  ASSERT_EQ(0, Set(key, nullptr, kRegSz, "default"));
  EXPECT_EQ("1:default", Get(key, ""));
  EXPECT_EQ(0, registry_->CloseKey(key));
}

TEST_P(RegistryContract, QueryReportsSizesAndLeavesSmallBuffersAlone) {
  HKey key = Create(kLocalMachine, "Software\\Sizes");
  ASSERT_EQ(0, Set(key, "v", kRegBinary, "12345"));

  std::uint32_t type = 0, size = 0;
  EXPECT_EQ(0, registry_->QueryValue(key, "v", &type, nullptr, &size));
  EXPECT_EQ(kRegBinary, type);
  EXPECT_EQ(5u, size);

  std::uint8_t buffer[8] = {'-', '-', '-', '-', '-', '-', '-', '-'};
  size = 4;
  EXPECT_EQ(kErrorMoreData, registry_->QueryValue(key, "v", nullptr, buffer, &size));
  EXPECT_EQ(5u, size);
  EXPECT_EQ("--------", std::string(buffer, buffer + 8));

  size = sizeof buffer;
  EXPECT_EQ(0, registry_->QueryValue(key, "V", nullptr, buffer, &size));
  EXPECT_EQ(5u, size);
  EXPECT_EQ("12345---", std::string(buffer, buffer + 8));

  EXPECT_EQ(kErrorFileNotFound, registry_->QueryValue(key, "missing", &type, nullptr, &size));
  EXPECT_EQ(kErrorFileNotFound, registry_->QueryValue(key, "", &type, nullptr, &size));
  EXPECT_EQ(0, registry_->CloseKey(key));
}

TEST_P(RegistryContract, ClassesRootIsTheMachinesClassesKey) {
  HKey through_classes = Create(kClassesRoot, ".qtq");
  ASSERT_EQ(0, Set(through_classes, "", kRegSz, "SampleClass"));
  HKey through_machine = 0;
  ASSERT_EQ(0, Open(kLocalMachine, "software\\CLASSES\\.QTQ", &through_machine));
  EXPECT_EQ("1:SampleClass", Get(through_machine, nullptr));

  HKey machine_side = Create(kLocalMachine, "SOFTWARE\\Classes\\SampleClass\\shell");
  ASSERT_EQ(0, Set(machine_side, "", kRegSz, "open"));
  HKey classes_side = 0;
  ASSERT_EQ(0, Open(kClassesRoot, "sampleclass\\SHELL", &classes_side));
  EXPECT_EQ("1:open", Get(classes_side, ""));
  // The user's own classes are not part of the view.
  ASSERT_NE(0u, Create(kCurrentUser, "Software\\Classes\\.mine"));
  EXPECT_EQ(kErrorFileNotFound, Open(kClassesRoot, ".mine"));
  for (HKey key : {through_classes, through_machine, machine_side, classes_side}) {
    EXPECT_EQ(0, registry_->CloseKey(key));
  }
}

TEST_P(RegistryContract, HandlesAreDistinctAndCloseOnce) {
  HKey first = Create(kCurrentUser, "Software\\Twice");
  HKey second = Create(kCurrentUser, "software\\twice");
  EXPECT_NE(first, second);
  EXPECT_EQ(0, registry_->CloseKey(first));
  EXPECT_EQ(kErrorInvalidHandle, registry_->CloseKey(first));
  EXPECT_EQ(0, Set(second, "still", kRegSz, "open"));
  EXPECT_EQ(0, registry_->CloseKey(second));
}

INSTANTIATE_TEST_SUITE_P(Backends, RegistryContract, ::testing::ValuesIn(kBackends),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------------------------
// What only the SQLite store has: a file, other processes, and failures of its own.

class StoreTest : public ::testing::Test {
 protected:
  std::string Prefix() const { return folder_.path() + "/prefix"; }
  std::string File() const { return Prefix() + "/registry.db"; }
  std::unique_ptr<StoreRegistry> Make() {
    return std::unique_ptr<StoreRegistry>(
        new StoreRegistry(Prefix(), [this](const std::string& line) { reports_.push_back(line); }));
  }
  long Write(Registry& registry, const char* path, const char* name, const std::string& data) {
    HKey key = 0;
    long rc = registry.CreateKey(kCurrentUser, path, 0, kKeyAllAccess, &key);
    if (rc != 0) return rc;
    rc = registry.SetValue(key, name, kRegSz, reinterpret_cast<const std::uint8_t*>(data.data()),
                           static_cast<std::uint32_t>(data.size()));
    registry.CloseKey(key);
    return rc;
  }
  std::string Read(Registry& registry, const char* path, const char* name) {
    HKey key = 0;
    if (long rc = registry.OpenKey(kCurrentUser, path, kKeyAllAccess, &key)) {
      return "rc=" + std::to_string(rc);
    }
    char buffer[256];
    std::uint32_t size = sizeof buffer;
    const long rc =
        registry.QueryValue(key, name, nullptr, reinterpret_cast<std::uint8_t*>(buffer), &size);
    registry.CloseKey(key);
    return rc != 0 ? "rc=" + std::to_string(rc) : std::string(buffer, size);
  }

  TempFolder folder_;
  std::vector<std::string> reports_;
};

TEST_F(StoreTest, OpensOnFirstCallWithPrivateModes) {
  { auto unused = Make(); }
  struct stat info;
  EXPECT_NE(0, stat(Prefix().c_str(), &info)) << "made without a call";

  auto registry = Make();
  ASSERT_EQ(0, Write(*registry, "Software\\A", "v", "kept"));
  ASSERT_EQ(0, stat(Prefix().c_str(), &info));
  EXPECT_EQ(0700u, info.st_mode & 0777);
  ASSERT_EQ(0, stat(File().c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 0777);

  // Another process's view: a fresh store object on the same file.
  auto later = Make();
  EXPECT_EQ("kept", Read(*later, "SOFTWARE\\a", "V"));
  EXPECT_TRUE(reports_.empty());
}

TEST_F(StoreTest, OverlongValueNameGives87) {
  auto registry = Make();
  HKey key = 0;
  ASSERT_EQ(0, registry->CreateKey(kCurrentUser, "Software\\Names", 0, kKeyAllAccess, &key));
  const std::string longest(RegistryStore::kMaxValueName, 'n');
  const std::string too_long(RegistryStore::kMaxValueName + 1, 'n');
  const std::uint8_t data[] = {1};
  EXPECT_EQ(0, registry->SetValue(key, longest.c_str(), kRegBinary, data, 1));
  EXPECT_EQ(kErrorInvalidParameter, registry->SetValue(key, too_long.c_str(), kRegBinary, data, 1));
}

TEST_F(StoreTest, UnusableStoresFailEveryCallReportOnceAndStayUnchanged) {
  auto foreign_db = [](const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA application_id=1234; CREATE TABLE t(x); INSERT INTO t VALUES(1);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
  };
  struct Case {
    const char* what;
    std::function<void(const std::string& file)> make;
    long rc;
  };
  const Case cases[] = {
      {"text", [](const std::string& f) { WriteFile(f, "not a database at all\n"); }, kErrorBadDb},
      {"empty", [](const std::string& f) { WriteFile(f, ""); }, kErrorBadDb},
      {"foreign", foreign_db, kErrorBadDb},
      {"damaged header",
       [](const std::string& f) {
         WriteFile(f, std::string("SQLite format 3\0", 16) + std::string(4080, '\xA5'));
       },
       kErrorBadDb},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    reports_.clear();
    mkdir(Prefix().c_str(), 0700);
    unlink(File().c_str());
    c.make(File());
    const std::string before = ReadFile(File());
    auto registry = Make();
    HKey key = 0;
    EXPECT_EQ(c.rc, registry->CreateKey(kCurrentUser, "Software\\X", 0, kKeyAllAccess, &key));
    EXPECT_EQ(c.rc, registry->OpenKey(kLocalMachine, "Software", kKeyAllAccess, &key));
    std::uint32_t size = 0;
    EXPECT_EQ(c.rc, registry->QueryValue(kCurrentUser, "v", nullptr, nullptr, &size));
    EXPECT_EQ(c.rc, registry->SetValue(kCurrentUser, "v", kRegSz, nullptr, 0));
    ASSERT_EQ(1u, reports_.size());
    EXPECT_NE(std::string::npos, reports_[0].find(File())) << reports_[0];
    EXPECT_EQ(before, ReadFile(File()));
  }
}

TEST_F(StoreTest, UncreatableFolderAndUnreadableFileFailCleanly) {
  WriteFile(folder_.path() + "/plain", "a file, not a folder");
  {
    StoreRegistry registry(folder_.path() + "/plain/prefix",
                           [this](const std::string& line) { reports_.push_back(line); });
    EXPECT_NE(0, Write(registry, "Software\\X", "v", "x"));
    EXPECT_NE(0, Write(registry, "Software\\Y", "v", "x"));
    EXPECT_EQ(1u, reports_.size());
  }
  if (geteuid() == 0) return;  // root reads any file
  reports_.clear();
  {
    auto registry = Make();
    ASSERT_EQ(0, Write(*registry, "Software\\X", "v", "x"));
  }
  ASSERT_EQ(0, chmod(File().c_str(), 0));
  auto registry = Make();
  EXPECT_EQ("rc=5", Read(*registry, "Software\\X", "v"));
  EXPECT_EQ(1u, reports_.size());
}

TEST_F(StoreTest, KeyDeletedElsewhereFailsCleanly) {
  auto mine = Make();
  HKey key = 0;
  ASSERT_EQ(0, mine->CreateKey(kCurrentUser, "Software\\Doomed", 0, kKeyAllAccess, &key));
  ASSERT_EQ(0, Write(*mine, "Software\\Doomed\\Child", "v", "x"));

  auto other = Make();
  RegistryStore::KeyId doomed = 0;
  ASSERT_EQ(0,
            other->store().OpenPath(RegistryStore::kUserRoot, "software\\doomed", false, &doomed));
  ASSERT_EQ(0, other->store().DeleteKey(doomed));

  const std::uint8_t data[] = {'x', 0};
  std::uint32_t size = 0;
  HKey child = 0;
  EXPECT_EQ(kErrorKeyDeleted, mine->SetValue(key, "v", kRegSz, data, 2));
  EXPECT_EQ(kErrorKeyDeleted, mine->QueryValue(key, "v", nullptr, nullptr, &size));
  EXPECT_EQ(kErrorKeyDeleted, mine->CreateKey(key, "Child", 0, kKeyAllAccess, &child));
  EXPECT_EQ(kErrorKeyDeleted, mine->OpenKey(key, "", kKeyAllAccess, &child));
  EXPECT_EQ(0, mine->CloseKey(key));
  // A key made again under the same name is a new key, not the deleted one come back.
  ASSERT_EQ(0, Write(*other, "Software\\Doomed", "v", "new"));
  EXPECT_EQ("rc=2", Read(*mine, "Software\\Doomed\\Child", "v"));
  EXPECT_TRUE(reports_.empty());
}

TEST_F(StoreTest, EnumeratesInNameOrderAndDeletesWholeTrees) {
  auto registry = Make();
  RegistryStore& store = registry->store();
  RegistryStore::KeyId top = 0, id = 0;
  ASSERT_EQ(0, store.OpenPath(RegistryStore::kMachineRoot, "Software\\Classes\\Tree", true, &top));
  for (const char* path : {"b", "_under", "A\\deep\\deeper", "c"}) {
    ASSERT_EQ(0, store.OpenPath(top, path, true, &id));
    ASSERT_EQ(0, store.PutValue(id, "v", kRegSz, path));
  }
  for (const char* name : {"zed", "", "Alpha", "_x"}) {
    ASSERT_EQ(0, store.PutValue(top, name, kRegBinary, name));
  }
  ASSERT_EQ(0, store.PutValue(top, "ALPHA", kRegDword, "1234"));

  std::vector<std::string> names;
  ASSERT_EQ(0, store.ListSubkeys(top, &names));
  EXPECT_EQ((std::vector<std::string>{"A", "b", "c", "_under"}), names);
  std::vector<RegistryStore::Value> values;
  ASSERT_EQ(0, store.ListValues(top, &values));
  std::vector<std::string> listed;
  for (const auto& v : values)
    listed.push_back(v.name + "=" + std::to_string(v.type) + ":" + v.data);
  EXPECT_EQ((std::vector<std::string>{"=3:", "Alpha=4:1234", "zed=3:zed", "_x=3:_x"}), listed);

  ASSERT_EQ(0, store.DeleteValue(top, "ZED"));
  EXPECT_EQ(kErrorFileNotFound, store.DeleteValue(top, "zed"));

  // Deleting through the classes view deletes the machine's key with everything below it.
  HKey view = 0;
  ASSERT_EQ(0, registry->OpenKey(kClassesRoot, "TREE\\a", kKeyAllAccess, &view));
  RegistryStore::KeyId a = 0;
  ASSERT_EQ(0, store.OpenPath(top, "a", false, &a));
  ASSERT_EQ(0, store.DeleteKey(a));
  EXPECT_EQ(kErrorFileNotFound, store.OpenPath(top, "A\\deep", false, &id));
  ASSERT_EQ(0, store.ListSubkeys(top, &names));
  EXPECT_EQ((std::vector<std::string>{"b", "c", "_under"}), names);
  EXPECT_EQ(kErrorAccessDenied, store.DeleteKey(RegistryStore::kMachineRoot));
  registry->CloseKey(view);
}

TEST_F(StoreTest, AtomicallyKeepsAllOrNothing) {
  auto registry = Make();
  RegistryStore& store = registry->store();
  RegistryStore::KeyId key = 0;
  EXPECT_EQ(kErrorFileNotFound, store.Atomically([&]() -> long {
    store.OpenPath(RegistryStore::kUserRoot, "Software\\Batch", true, &key);
    store.PutValue(key, "a", kRegSz, "1");
    return kErrorFileNotFound;
  }));
  EXPECT_EQ(kErrorFileNotFound,
            store.OpenPath(RegistryStore::kUserRoot, "Software\\Batch", false, &key));
  EXPECT_EQ(0, store.Atomically([&]() -> long {
    if (long rc = store.OpenPath(RegistryStore::kUserRoot, "Software\\Batch", true, &key))
      return rc;
    return store.PutValue(key, "a", kRegSz, "1");
  }));
  RegistryStore::Value value;
  EXPECT_EQ(0, store.GetValue(key, "A", &value));
}

TEST_F(StoreTest, EveryStatementUsesAnIndex) {
  auto registry = Make();
  const std::vector<std::string> plans = registry->store().QueryPlans();
  ASSERT_FALSE(plans.empty());
  for (const std::string& plan : plans) {
    // Scans of the CTE's own rows are fine; a scan of a table is not.
    EXPECT_EQ(std::string::npos, plan.find("SCAN keys")) << plan;
    EXPECT_EQ(std::string::npos, plan.find("SCAN vals")) << plan;
    EXPECT_EQ(std::string::npos, plan.find("SCAN k ")) << plan;
    EXPECT_EQ(std::string::npos, plan.find("SCAN v ")) << plan;
    EXPECT_EQ(std::string::npos, plan.find("error")) << plan;
  }
}

// Many processes meeting a store that does not exist yet: every one of them gets it.
TEST_F(StoreTest, ManyProcessesCreateOneStoreTogether) {
  constexpr int kProcesses = 16;
  std::vector<pid_t> children;
  for (int i = 0; i < kProcesses; ++i) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      StoreRegistry registry(Prefix());
      const std::string name = "p" + std::to_string(i);
      long rc = 0;
      for (int round = 0; round < 5 && rc == 0; ++round) {
        rc = Write(registry, "Software\\Shared", name.c_str(), std::to_string(round));
      }
      _exit(rc == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  auto registry = Make();
  for (int i = 0; i < kProcesses; ++i) {
    const std::string name = "p" + std::to_string(i);
    EXPECT_EQ("4", Read(*registry, "Software\\Shared", name.c_str())) << name;
  }
}

}  // namespace
}  // namespace discsetup
