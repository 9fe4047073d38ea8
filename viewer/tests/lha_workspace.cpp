#include "lha_workspace.h"

#include <commctrl.h>
#include <ole2.h>

#include "registry.h"
#include "sjis.h"

void SelectRows(HWND list, std::initializer_list<int> rows) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  for (int r : rows) SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
}

int RowOf(const CScriptedViewer& v, const std::string& name) {
  for (size_t i = 0; i < v.m_rows.size(); i++)
    if (v.m_rows[i].name == name) return static_cast<int>(i);
  return -1;
}

void LhaWorkspace::SetUpWorkspace(const std::string& prefix) {
  lib_ = LoadLibraryA((TestBinFolder() + "UNLHA32.DLL").c_str());
  if (!lib_) GTEST_SKIP() << "needs UNLHA32.DLL beside the test";
  ASSERT_TRUE(unlha_.bind(lib_, "Unlha"));
  char temp[MAX_PATH], longTemp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  GetLongPathNameA(temp, longTemp, MAX_PATH);
  work_ = longTemp;
  sjis::addBackslash(work_);
  work_ += prefix + "-" + std::to_string(GetCurrentProcessId()) + "\\";
  RemoveTree(work_);
  src_ = work_ + "src\\";
  dest_ = work_ + "dest\\";
  for (const std::string& d : {work_, src_, src_ + "sub\\", src_ + "sub\\表\\", src_ + "empty\\", dest_})
    CreateDirectoryA(d.c_str(), nullptr);
  WriteFile(src_ + "a.txt", "alpha\r\n");
  WriteFile(src_ + "sub\\b.txt", std::string(70000, 'b') + "end");
  WriteFile(src_ + "sub\\表\\c.txt", "表の中身");
  archive_ = work_ + "t.lzh";
  Lha("a -x1 -r2 -+ \"" + archive_ + "\" \"" + src_ + "\" *.*");

  reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey);
  ViewerSettings s;
  s.hideNotice = true;  // only the LHA library is beside the test
  s.lastFolder = dest_;
  SaveViewerSettings(s);
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  OleInitialize(nullptr);
}

void LhaWorkspace::TearDown() {
  reg::deleteTree(HKEY_CURRENT_USER, kViewerSettingsKey);
  if (!work_.empty()) RemoveTree(work_);
  if (lib_) FreeLibrary(lib_);
}

void LhaWorkspace::Lha(const std::string& command) {
  char out[4096] = {};
  ASSERT_EQ(unlha_.command(nullptr, command.c_str(), out, sizeof out), 0) << command << "\n" << out;
}

void LhaWorkspace::WithViewer(const std::string& archive, const std::function<void(CScriptedViewer&)>& script) {
  CScriptedViewer dlg;
  bool ran = false;
  dlg.script = [&](CScriptedViewer& v) {
    ran = true;
    v.m_currentPath = archive;
    v.LoadArchive();
    script(v);
  };
  dlg.DoModal(nullptr);
  EXPECT_TRUE(ran);
}
