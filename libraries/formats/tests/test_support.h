// Helpers shared by the engine tests: corpora, temporary folders, files, and the
// independent archivers run as oracles.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// ../shared/testdata (SUITE_TESTDATA), or "" when absent.
std::string testdata();
// The native arctool (ARCTOOL), for tests that drive it as a user would.
std::string arctool();

// A fresh folder removed with everything in it at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::vector<uint8_t> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<uint8_t>& data);
void writeFile(const std::string& path, const std::string& data);
bool fileExists(const std::string& path);

// Runs a shell command; returns its exit status and, when `out` is given, its stdout.
int run(const std::string& command, std::string* out = nullptr);
// True when the program is on PATH (oracle tests skip with a message otherwise).
bool haveTool(const std::string& name);
// Quotes for the shell.
std::string sh(const std::string& s);

// Deterministic test data.
std::vector<uint8_t> randomBytes(size_t n, uint32_t seed);
// Compressible text-like data: words, numbers and line structure.
std::vector<uint8_t> textBytes(size_t n, uint32_t seed);

}  // namespace testsupport
