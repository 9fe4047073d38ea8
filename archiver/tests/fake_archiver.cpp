// An archiver library for tests only: exports one prefix's
// functions (FAKE_PREFIX), reports FAKE_VERSION, and records every call in the
// file named by FAKE_LOG. What it says of an archive comes from the archive's
// own text, one "key=value" per line:
//   ACCEPT=Unlha,Tar   prefixes whose CheckArchive accepts the file
//   COUNT=3            GetFileCount
//   NAMES=a|dir\b|c    the names FindFirst/FindNext report
//   KIND=2             TarGetArchiveType
// The command returns the number in FAKE_RESULT (0 when unset).
//   CHECK=throw|fault  TarCheckArchive raises a C++ exception or a processor fault
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "archiver.h"

#define PASTE2(a, b) a##b
#define PASTE(a, b) PASTE2(a, b)
#define STR2(a) #a
#define STR(a) STR2(a)
#define EXPORT extern "C" __declspec(dllexport)
#define FN(suffix) PASTE(FAKE_PREFIX, suffix)

namespace {

const char* kPrefix = STR(FAKE_PREFIX);

std::string escape(const std::string& s) {
  std::string r;
  for (char c : s) {
    if (c == '\r') r += "\\r";
    else if (c == '\n') r += "\\n";
    else r += c;
  }
  return r;
}

void log(const std::string& what) {
  char path[MAX_PATH] = {};
  if (!GetEnvironmentVariableA("FAKE_LOG", path, sizeof path)) return;
  FILE* f = std::fopen(path, "ab");
  if (!f) return;
  std::string line = std::string(kPrefix) + "." + what + "\n";
  std::fwrite(line.data(), 1, line.size(), f);
  std::fclose(f);
}

std::map<std::string, std::string> readSettings(const char* path) {
  std::map<std::string, std::string> m;
  std::ifstream f(path, std::ios::binary);
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (eq != std::string::npos) m[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return m;
}

struct Open {
  std::vector<std::string> names;
  size_t next = 0;
};

bool fill(Open* o, archiver::ArcItemInfo* info) {
  if (o->next >= o->names.size()) return false;
  std::memset(info, 0, sizeof *info);
  const std::string& n = o->names[o->next];
  std::strncpy(info->name, n.c_str(), sizeof info->name - 1);
  info->originalSize = static_cast<uint32_t>(1000 * (o->next + 1));
  info->ratio = 500;
  info->date = 0x5A21;
  info->time = 0x6000;
  o->next++;
  return true;
}

}  // namespace

EXPORT WORD WINAPI FN(GetVersion)() {
  log("GetVersion");
  return FAKE_VERSION;
}

EXPORT int WINAPI FAKE_PREFIX(HWND window, LPCSTR cmd, LPSTR out, DWORD size) {
  std::string line = cmd ? cmd : "";
  log("Command " + line);
  // Where relative names are resolved, and whether an owner window came with the call.
  char folder[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof folder, folder);
  log(std::string("Folder ") + folder + (window ? " owner" : " no-owner"));
  // A response file is "@path": the whole line, or its last operand.
  size_t at = line.rfind(" @");
  at = line.rfind('@', 0) == 0 ? 0 : (at == std::string::npos ? at : at + 1);
  if (at != std::string::npos) {
    std::string path = line.substr(at + 1);
    std::ifstream f(path, std::ios::binary);
    std::stringstream content;
    content << f.rdbuf();
    log(std::string("Response exists=") + (f ? "1 " : "0 ") + escape(content.str()));
  }
  std::string report = std::string("report of ") + kPrefix;
  if (out && size) {
    std::strncpy(out, report.c_str(), size - 1);
    out[size - 1] = '\0';
  }
  char archive[MAX_PATH] = {};
  GetEnvironmentVariableA("FAKE_RESULT", archive, sizeof archive);
  return archive[0] ? std::atoi(archive) : 0;
}

EXPORT BOOL WINAPI FN(CheckArchive)(LPCSTR path, int mode) {
  log(std::string("CheckArchive ") + path + " " + std::to_string(mode));
  auto s = readSettings(path);
#ifdef FAKE_TAR  // only the tar check is shielded by the viewer
  if (s["CHECK"] == "throw") throw std::runtime_error("broken archive");
  if (s["CHECK"] == "fault") {
    volatile int* p = nullptr;
    return *p;
  }
#endif
  return s["ACCEPT"].find(kPrefix) != std::string::npos;
}

EXPORT int WINAPI FN(GetFileCount)(LPCSTR path) {
  log(std::string("GetFileCount ") + path);
  auto s = readSettings(path);
  return s.count("COUNT") ? std::atoi(s["COUNT"].c_str()) : -1;
}

EXPORT archiver::ArchiveHandle WINAPI FN(OpenArchive)(HWND, LPCSTR path, DWORD mode) {
  log(std::string("OpenArchive ") + path + " " + std::to_string(mode));
  auto s = readSettings(path);
  if (!s.count("NAMES")) return nullptr;
  auto* o = new Open;
  std::stringstream names(s["NAMES"]);
  std::string n;
  while (std::getline(names, n, '|')) o->names.push_back(n);
  return o;
}

EXPORT int WINAPI FN(FindFirst)(archiver::ArchiveHandle h, LPCSTR wildcard, archiver::ArcItemInfo* info) {
  log(std::string("FindFirst ") + wildcard);
  auto* o = static_cast<Open*>(h);
  o->next = 0;
  return fill(o, info) ? 0 : -1;
}

#ifndef FAKE_OMIT_FINDNEXT
EXPORT int WINAPI FN(FindNext)(archiver::ArchiveHandle h, archiver::ArcItemInfo* info) {
  log("FindNext");
  return fill(static_cast<Open*>(h), info) ? 0 : -1;
}
#endif

EXPORT int WINAPI FN(CloseArchive)(archiver::ArchiveHandle h) {
  log("CloseArchive");
  delete static_cast<Open*>(h);
  return 0;
}

#ifdef FAKE_TAR
EXPORT int WINAPI TarGetArchiveType(LPCSTR path) {
  log(std::string("GetArchiveType ") + path);
  auto s = readSettings(path);
  return s.count("KIND") ? std::atoi(s["KIND"].c_str()) : -1;
}
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_DETACH) log("Unload");
  return TRUE;
}
