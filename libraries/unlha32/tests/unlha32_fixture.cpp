#include "unlha32_fixture.h"

namespace unlhatest {

const Library& library() { return librarytest::load("UNLHA32.DLL", "Unlha"); }

Call unlha(const std::string& line, HWND window, DWORD size) { return librarytest::command(library(), line, window, size); }

std::vector<archiver::ArcItemInfo> listing(const std::string& archive, const char* wildcard) {
  return librarytest::listing(library(), archive, wildcard);
}

std::vector<std::string> names(const std::string& archive) { return librarytest::names(library(), archive); }

void UnlhaTest::SetUp() { ASSERT_TRUE(library().command) << "UNLHA32.DLL not loaded from beside the test"; }

std::string UnlhaTest::makeArchive(const std::string& name, const std::vector<std::string>& files, const char* method) {
  std::string line = std::string("a -x -r2 ") + method + " \"" + at(name) + "\" \"" + at("src") + "\\\"";
  for (const auto& f : files) {
    write("src\\" + f, f);
    line += " \"" + f + "\"";
  }
  const Call r = unlha(line);
  EXPECT_EQ(r.result, 0) << r.report;
  return at(name);
}

}  // namespace unlhatest
