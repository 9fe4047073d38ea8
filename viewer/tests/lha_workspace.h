// A test's own folder with a small source tree, LZH archives made from it by the
// real LHA library beside the test, and the main window opened on one of them.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "archiver.h"
#include "scripted_viewer.h"
#include "test_files.h"

void SelectRows(HWND list, std::initializer_list<int> rows);
int RowOf(const CScriptedViewer& v, const std::string& name);

class LhaWorkspace : public ::testing::Test {
 protected:
  // work_ (…\<prefix>-<pid>\), src_ with a.txt, sub\b.txt (70 KB), sub\表\c.txt and
  // the empty folder empty\, dest_, and archive_ = work_ + "t.lzh" of all of src_.
  void SetUpWorkspace(const std::string& prefix);
  void TearDown() override;
  // Runs an LHA command line; fails the test when the library reports an error.
  void Lha(const std::string& command);
  // Opens `archive` in the main window and runs `script` there.
  void WithViewer(const std::string& archive, const std::function<void(CScriptedViewer&)>& script);

  std::string work_, src_, dest_, archive_;

 private:
  HMODULE lib_ = nullptr;
  archiver::Functions unlha_;
};
