// archiver::Functions::bind against the recording test libraries: each pointer
// reaches the export of its own name, and a missing one makes the table incomplete.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "archiver.h"

namespace {

std::string exeFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of('\\') + 1);
}

// A test library loaded by full path, with the log and a settings file of its own.
class FunctionTableTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (module_) FreeLibrary(module_);
    SetEnvironmentVariableA("FAKE_LOG", nullptr);
    DeleteFileA(log_.c_str());
    DeleteFileA(archive_.c_str());
  }
  HMODULE load(const std::string& lib) {
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string stem = std::string(tmp) + "fntable" + std::to_string(GetCurrentProcessId());
    log_ = stem + ".log";
    archive_ = stem + ".arc";
    DeleteFileA(log_.c_str());
    SetEnvironmentVariableA("FAKE_LOG", log_.c_str());
    std::ofstream(archive_, std::ios::binary) << "ACCEPT=Cab\nCOUNT=2\nNAMES=a|b\n";
    module_ = LoadLibraryA((exeFolder() + lib).c_str());
    return module_;
  }
  // The function named by each logged call, in order ("Cab.FindNext" -> "FindNext").
  std::vector<std::string> called() const {
    std::ifstream f(log_, std::ios::binary);
    std::vector<std::string> names;
    for (std::string line; std::getline(f, line);) {
      std::string what = line.substr(line.find('.') + 1);
      names.push_back(what.substr(0, what.find(' ')));
    }
    return names;
  }

  HMODULE module_ = nullptr;
  std::string log_, archive_;
};

TEST_F(FunctionTableTest, EveryFunctionReachesItsOwnExport) {
  ASSERT_NE(load("min/CAB32.DLL"), nullptr);
  archiver::Functions fn;
  ASSERT_TRUE(fn.bind(module_, "Cab"));
  char out[64] = {};
  EXPECT_EQ(fn.command(nullptr, "l x", out, sizeof out), 0);
  EXPECT_STREQ(out, "report of Cab");
  EXPECT_EQ(fn.getVersion(), 65);
  EXPECT_TRUE(fn.checkArchive(archive_.c_str(), 0));
  EXPECT_EQ(fn.getFileCount(archive_.c_str()), 2);
  archiver::ArchiveHandle h = fn.openArchive(nullptr, archive_.c_str(), archiver::kOpenModeList);
  ASSERT_NE(h, nullptr);
  archiver::ArcItemInfo info{};
  ASSERT_EQ(fn.findFirst(h, "*.*", &info), 0);
  EXPECT_STREQ(info.name, "a");
  ASSERT_EQ(fn.findNext(h, &info), 0);
  EXPECT_STREQ(info.name, "b");
  EXPECT_EQ(fn.closeArchive(h), 0);
  EXPECT_EQ(called(), (std::vector<std::string>{"Command", "GetVersion", "CheckArchive", "GetFileCount", "OpenArchive",
                                                "FindFirst", "FindNext", "CloseArchive"}));
}

TEST_F(FunctionTableTest, AMissingFunctionOrAnotherPrefixLeavesTheTableIncomplete) {
  ASSERT_NE(load("lacking/UNLHA32.DLL"), nullptr);
  archiver::Functions fn;
  EXPECT_FALSE(fn.bind(module_, "Unlha"));
  EXPECT_EQ(fn.findNext, nullptr);
  // The others are bound all the same; the version is still there to ask.
  EXPECT_TRUE(fn.command && fn.getVersion && fn.checkArchive && fn.getFileCount && fn.openArchive && fn.findFirst &&
              fn.closeArchive);
  EXPECT_EQ(fn.getVersion(), 300);

  archiver::Functions other;
  EXPECT_FALSE(other.bind(module_, "Cab"));
  EXPECT_FALSE(other.command || other.getVersion || other.checkArchive || other.getFileCount || other.openArchive ||
               other.findFirst || other.findNext || other.closeArchive);
}

}  // namespace
