// What the extractor tests share: a folder of their own, files by Shift-JIS
// path, the archiver libraries beside the test, and extractor processes.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "archiver.h"
#include "test_files.h"  // ReadFile, WriteFile, PathExists

namespace sfxtest {

// bin\ of the build tree (the test program's folder), with a backslash.
std::string binFolder();

// A fresh folder (Shift-JIS path, no trailing backslash), removed with its contents.
class Folder {
 public:
  Folder();
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& rel) const { return path_ + "\\" + rel; }

 private:
  std::string path_;
};

void makeFolder(const std::string& path);
// Names in a folder (no "." and ".."), sorted.
std::vector<std::string> listFolder(const std::string& path);

// UNLHA32.DLL or CAB32.DLL from bin\, bound by prefix.
struct Library {
  Library(const char* file, const char* prefix);
  ~Library();
  bool ok() const { return module && fns.command; }
  // The command's result; the report goes to `report` when given.
  int run(const std::string& line, std::string* report = nullptr) const;
  HMODULE module = nullptr;
  archiver::Functions fns;
};

// A started program: its process, and its windows found by caption.
class Program {
 public:
  explicit Program(const std::string& commandLine);
  ~Program();
  bool started() const { return pi_.hProcess != nullptr; }
  // Waits for the end; the exit status.
  DWORD wait();
  // A visible top-level window of the process whose caption starts with `caption`.
  HWND window(const std::string& caption);

 private:
  PROCESS_INFORMATION pi_ = {};
};

// Text of a control of another process (WM_GETTEXT is carried across).
std::string controlText(HWND dlg, int id);
// The texts of a window's static controls, one a line: what a message box says.
std::string staticTexts(HWND window);
void click(HWND dlg, int id);

}  // namespace sfxtest
