// What Pakmo's window tests share: a folder of the test's own with the
// libraries it chose, the main window in this process driven as a user would
// (buttons clicked, list rows picked, the file dialogs filled in and confirmed),
// and the shell's data object for a set of files.
#pragma once
#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "creator_dlg.h"
#include "modal_script.h"
#include "shell_data_object.h"

// The main window in this process, running `script` once it is up and closing
// when the script returns.
class CScriptedCreator : public CCreatorDlg {
 public:
  CScriptedCreator(std::vector<std::string> args = {}, bool copyMode = false)
      : CCreatorDlg(copyMode, std::move(args)) {}
  std::function<void(CScriptedCreator&)> script;
  HWND hwnd() const { return m_hWnd; }

  // The user's actions, each reaching the window as its own clicks would.
  void Click(int id) const;              // a button (radio, check box or push button)
  // A row of the method list; the texts of the message boxes it raised (answered with OK).
  std::vector<std::string> PickMethod(int row) const;
  void SlideTo(int level) const;         // the level slider
  void SetCheck(int id, bool on) const;  // a check box, without its click
  bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(id)) != FALSE; }
  bool Checked(int id) const { return IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
  std::vector<std::string> MethodRows() const;
  std::vector<std::string> ListedNames() const;  // the list box, in its order
  int SliderMin() const { return static_cast<int>(SendDlgItemMessage(IDC_LEVEL, TBM_GETRANGEMIN)); }
  int SliderMax() const { return static_cast<int>(SendDlgItemMessage(IDC_LEVEL, TBM_GETRANGEMAX)); }
  int SliderPos() const { return static_cast<int>(SendDlgItemMessage(IDC_LEVEL, TBM_GETPOS)); }
  std::string Status() const;
  bool MenuEnabled(UINT id) const { return (GetMenuState(GetMenu(m_hWnd), id, MF_BYCOMMAND) & MF_GRAYED) == 0; }

  // Presses "圧　縮", names the archive in the save dialog (its title must be
  // `saveTitle`) and returns the result window's text, "<no result>" when it did
  // not come. Windows nobody expected are closed and their captions kept.
  std::string Compress(const std::string& saveTitle, const std::string& archiveName);
  std::vector<std::string> unexpectedWindows;
  // When set, made current while the save dialog is open (the dialog itself
  // makes its start folder current), to tell restoring from not changing.
  std::string parkIn;

 protected:
  BOOL OnInitDialog() override;
  bool ProcessMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result) override;

 private:
  static constexpr UINT_PTR kScriptTimer = 77;
};

// Types `text` into a file dialog's name box and confirms it.
void AnswerFileDialog(HWND dialog, const std::string& text);

// A folder of the test's own under the temporary folder (path ends in "\"),
// removed with everything in it at the end; libraries are copied into its
// "libs" folder, which is put on the DLL search path.
class Workspace {
 public:
  Workspace();
  ~Workspace();
  const std::string& dir() const { return m_dir; }
  std::string write(const std::string& relative, const std::string& content) const;  // its full path
  std::string folder(const std::string& relative) const;                             // made, full path
  // `from` relative to the test program's folder, copied in as `as`.
  void useLibrary(const std::string& from, const std::string& as);
  std::vector<std::string> calls() const;  // the recording libraries' log
  std::vector<std::string> callsOf(const std::string& what) const;
  void clearCalls() const;

 private:
  std::string m_dir, m_log;
};

std::string TestProgramFolder();  // with its backslash
std::string CurrentFolder();

