#include "test_support.h"

#include <sys/stat.h>
#include <sys/types.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

std::string testdata() {
  const char* d = std::getenv("SUITE_TESTDATA");
  if (d && fs::is_directory(d)) return d;
  return "";
}

std::string arctool() {
  const char* a = std::getenv("ARCTOOL");
  return a ? a : "arctool";
}

TempDir::TempDir() {
  static int counter = 0;
  std::random_device rd;
  for (;;) {
    auto p = fs::temp_directory_path() / ("fmt-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(p, ec)) {
      path_ = p.string();
      return;
    }
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  // Read-only files and folders made by tests must not stop the clean-up.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::vector<uint8_t>& data) {
  fs::path p(path);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) throw std::runtime_error("cannot write " + path);
  f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void writeFile(const std::string& path, const std::string& data) {
  writeFile(path, std::vector<uint8_t>(data.begin(), data.end()));
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(path, ec));
}

int run(const std::string& command, std::string* out) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0)
    if (out) out->append(buf, n);
  int status = pclose(p);
#ifdef _WIN32
  return status;  // the command interpreter's exit code itself
#else
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

bool haveTool(const std::string& name) { return run("command -v " + sh(name) + " >/dev/null 2>&1") == 0; }

std::string sh(const std::string& s) {
  std::string r = "'";
  for (char c : s) {
    if (c == '\'') r += "'\\''";
    else r += c;
  }
  return r + "'";
}

std::vector<uint8_t> randomBytes(size_t n, uint32_t seed) {
  std::mt19937 g(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(g());
  return v;
}

std::vector<uint8_t> textBytes(size_t n, uint32_t seed) {
  static const char* words[] = {"the", "archive", "header", "level", "method", "window", "folder", "entry",
                                "compressed", "data", "name", "size", "stamp", "CRC", "table", "code",
                                "match", "length", "distance", "block", "tree", "bits", "value", "file"};
  std::mt19937 g(seed);
  std::vector<uint8_t> v;
  v.reserve(n + 32);
  while (v.size() < n) {
    const char* w = words[g() % (sizeof words / sizeof *words)];
    v.insert(v.end(), w, w + std::char_traits<char>::length(w));
    switch (g() % 12) {
      case 0: v.push_back('\n'); break;
      case 1: { auto num = std::to_string(g() % 100000); v.insert(v.end(), num.begin(), num.end()); v.push_back(' '); break; }
      case 2: v.push_back(','); v.push_back(' '); break;
      default: v.push_back(' ');
    }
  }
  v.resize(n);
  return v;
}

}  // namespace testsupport
