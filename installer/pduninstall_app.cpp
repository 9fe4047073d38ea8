// pduninstall: removes the suite. Without arguments (the uninstall entry of
// Windows) it asks first; "Immediately" (after a failed installation) does not.
#include <windows.h>
#include <ole2.h>

#include "app.h"
#include "install_layout.h"
#include "sjis.h"
#include "uninstall.h"

namespace {

constexpr char kTitle[] = "pduninstall";

bool immediately(std::string tail) {
  while (!tail.empty() && (tail.back() == ' ' || tail.back() == '\t')) tail.pop_back();
  size_t start = tail.find_first_not_of(" \t");
  return start != std::string::npos && sjis::equalNoCase(tail.substr(start), "Immediately");
}

}  // namespace

class CUninstallApp : public CWinApp {
 public:
  BOOL InitInstance() override {
    bool quiet = immediately(m_commandLine);
    if (!quiet && MessageBoxA(nullptr, "Pakmo と Dexlor をコンピュータから削除します。\r\nよろしいですか?", kTitle,
                              MB_YESNO | MB_ICONQUESTION) != IDYES) {
      m_exitCode = 1;
      return FALSE;
    }
    OleInitialize(nullptr);  // the Programs folder is found through the shell
    const std::string folder = uninstall::installedFolder();
    uninstall::Outcome outcome = uninstall::removeFiles(folder, install::systemDirectory());
    uninstall::removeShortcuts(install::programsFolder());
    uninstall::removeFileClasses();
    uninstall::removeRegistry();
    OleUninitialize();

    std::string text = uninstall::report(outcome);
    if (!text.empty())
      MessageBoxA(nullptr, text.c_str(), kTitle, MB_OK | MB_ICONWARNING);
    else if (!quiet)
      MessageBoxA(nullptr, "アンインストールが完了しました", kTitle, MB_OK);
    m_exitCode = outcome.left.empty() ? 0 : 2;
    return FALSE;
  }
};

CUninstallApp theApp;
