// The hostile archives of the regression corpus through the library: nothing
// lands outside the destination, and what was changed or left out is reported.
#include <cstdlib>
#include <filesystem>

#include "results.h"
#include "unlha32_fixture.h"

using namespace unlhatest;
using namespace dllsupport;

namespace {

// SUITE_TESTDATA is a path of the build machine; under Wine its root is drive Z:.
std::string corpus(const char* name) {
  const char* env = std::getenv("SUITE_TESTDATA");
  if (!env || !*env) return "";
  std::string p = std::string(env[0] == '/' ? "Z:" : "") + env + "/lzh/regression/" + name;
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

size_t filesUnder(const std::string& folder) {
  size_t n = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    ++n;
  return n;
}

TEST_F(UnlhaTest, HostileArchivesStayInsideAndAreReported) {
  if (corpus("dotdot.lzh").empty() || !std::filesystem::exists(corpus("dotdot.lzh")))
    GTEST_SKIP() << "SUITE_TESTDATA not set or not reachable";
  const struct {
    const char* file;
    const char* expect;  // a phrase of the report
  } cases[] = {{"abspath.lzh", "名前を変更しました"}, {"dotdot.lzh", "名前を変更しました"},
               {"symlink1.lzh", "安全でない"},       {"symlink2.lzh", "安全でない"},
               {"symlink3.lzh", "安全でない"},       {"badterm.lzh", "展開しました"},
               {"unixsep.lzh", "展開しました"},      {"truncated.lzh", ""},
               {"dir.lzh", "フォルダを作成しました"}, {"multiple.lzh", "展開しました"}};
  const size_t outside = filesUnder(dir.path());
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string dest = std::string("d_") + c.file;
    CreateDirectoryA(at("box").c_str(), nullptr);
    const Call r = unlha("x \"" + corpus(c.file) + "\" \"" + at("box\\" + dest) + "\\\" -m1 -c1");
    EXPECT_NE(r.report.find(c.expect), std::string::npos) << r.report;
    if (std::string(c.file) == "truncated.lzh") {
      EXPECT_NE(r.result, kOk) << r.report;
    }
    if (std::string(c.file).rfind("symlink", 0) == 0) {
      EXPECT_EQ(r.result, kSkipped) << r.report;
    }
    // Listing and testing never fail silently either.
    const Call t = unlha("t \"" + corpus(c.file) + "\"");
    EXPECT_FALSE(t.report.empty());
  }
  // Everything written is inside box\ (the corpus folder and the test folder's
  // other contents are unchanged).
  EXPECT_EQ(filesUnder(dir.path()) - filesUnder(at("box")) - 1, outside);
  EXPECT_FALSE(std::filesystem::exists("C:\\tmp\\lhasa_abspath_test"));
}

}  // namespace
