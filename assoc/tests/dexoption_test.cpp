// DexOption.dll as its callers use it: loaded by its bare name, the export
// looked up by name and called; the real dialog found and driven from a timer
// on the dialog's own thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "../assoc_ids.h"
#include "../dexoption.h"
#include "registry.h"
#include "registry_state.h"
#include "proc_address.h"

namespace {

using namespace assoc_test;

const HKEY HKCR = HKEY_CLASSES_ROOT;
const int kBoxes[] = {IDC_ASSOC_LHA, IDC_ASSOC_CAB, IDC_ASSOC_TAR, IDC_ASSOC_ZIP};

std::function<void(HWND)> g_script;
bool g_scriptRan = false;

HWND findDialog() { return FindWindowA("#32770", "Dexlorの関連付け"); }

void CALLBACK onTimer(HWND, UINT, UINT_PTR id, DWORD) {
  HWND dlg = findDialog();
  if (!dlg || !IsWindowVisible(dlg)) return;
  KillTimer(nullptr, id);
  g_scriptRan = true;
  g_script(dlg);
}

std::string text(HWND w) {
  char buf[256] = {};
  GetWindowTextA(w, buf, sizeof buf);
  return buf;
}

bool checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

void click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }

void press(HWND dlg, int id) {
  PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

class DexOption : public RegistryFixture {
 protected:
  void SetUp() override {
    RegistryFixture::SetUp();
    dll_ = LoadLibraryA(DEXOPTION_DLL_NAME);
    ASSERT_NE(dll_, nullptr);
    select_ = procAddress<SelectExtentionProc>(dll_, DEXOPTION_EXPORT_NAME);
    ASSERT_NE(select_, nullptr);
  }
  void TearDown() override {
    if (dll_) FreeLibrary(dll_);
    RegistryFixture::TearDown();
  }
  // Runs the export with `script` acting on its dialog once it shows.
  void run(std::function<void(HWND)> script) {
    g_script = std::move(script);
    g_scriptRan = false;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, onTimer);
    ASSERT_NE(timer, 0u);
    select_();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(g_scriptRan);
    EXPECT_EQ(findDialog(), nullptr) << "the dialog is gone when the export returns";
  }

  HMODULE dll_ = nullptr;
  SelectExtentionProc select_ = nullptr;
};

TEST_F(DexOption, DialogShowsItsTextsAndTheCurrentAssociationsAndOKWritesTheTickedTypes) {
  setInstallFolder("C:\\Pakmo");
  setDefault(HKCR, "CAB_ARCHIVE_FILE", "left behind");
  setDefault(HKCR, ".cab", "SomeoneElse");  // the class key decides the box
  setDefault(HKCR, "ZIP_ARCHIVE_FILE", "old");
  setDefault(HKCR, ".zip", "ZIP_ARCHIVE_FILE");
  run([](HWND dlg) {
    EXPECT_EQ(text(dlg), "Dexlorの関連付け");
    EXPECT_EQ(text(GetDlgItem(dlg, IDC_ASSOC_LHA)), "LHA圧縮ﾌｧｲﾙ (*.lzh)");
    EXPECT_EQ(text(GetDlgItem(dlg, IDC_ASSOC_CAB)), "ｷｬﾋﾞﾈｯﾄﾌｧｲﾙ (*cab)");
    EXPECT_EQ(text(GetDlgItem(dlg, IDC_ASSOC_TAR)), "Tarﾌｧｲﾙ (*tar,*.taz,*.tgz,*.tz,*.z,*.gz,*.bz2)");
    EXPECT_EQ(text(GetDlgItem(dlg, IDC_ASSOC_ZIP)), "Zipﾌｧｲﾙ (*zip)");
    EXPECT_EQ(text(GetDlgItem(dlg, IDOK)), "OK");
    EXPECT_EQ(text(GetDlgItem(dlg, IDCANCEL)), "ｷｬﾝｾﾙ");
    HWND label = FindWindowExA(dlg, nullptr, "Static", nullptr);
    EXPECT_EQ(text(label), "関連付けるファイルタイプを選択して下さい。");
    for (int id : kBoxes)
      EXPECT_EQ(GetWindowLongA(GetDlgItem(dlg, id), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX) << id;
    EXPECT_EQ(SendMessageA(GetDlgItem(dlg, IDOK), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
    RECT units{0, 0, 195, 127}, client{};
    MapDialogRect(dlg, &units);
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);

    EXPECT_FALSE(checked(dlg, IDC_ASSOC_LHA));
    EXPECT_TRUE(checked(dlg, IDC_ASSOC_CAB));
    EXPECT_FALSE(checked(dlg, IDC_ASSOC_TAR));
    EXPECT_TRUE(checked(dlg, IDC_ASSOC_ZIP));
    click(dlg, IDC_ASSOC_LHA);  // tick LHA
    click(dlg, IDC_ASSOC_ZIP);  // untick ZIP
    press(dlg, IDOK);
  });
  auto lzh = storedDefault(HKCR, ".lzh");
  ASSERT_TRUE(lzh);
  EXPECT_EQ(lzh->bytes, std::string("LHA_ARCHIVE_FILE") + '\0');
  auto cmd = storedDefault(HKCR, "LHA_ARCHIVE_FILE\\shell\\open\\command");
  ASSERT_TRUE(cmd);
  EXPECT_EQ(cmd->bytes, std::string("\"C:\\Pakmo\\dexlor.exe\" \"%1\"") + '\0');
  // CAB stayed ticked: its extension now points to our class again.
  auto cab = storedDefault(HKCR, ".cab");
  ASSERT_TRUE(cab);
  EXPECT_EQ(cab->bytes, std::string("CAB_ARCHIVE_FILE") + '\0');
  auto icon = storedDefault(HKCR, "CAB_ARCHIVE_FILE\\DefaultIcon");
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->bytes, std::string("C:\\Pakmo\\Dexlor.exe,3") + '\0');
  EXPECT_FALSE(keyExists(HKCR, "TAR_ARCHIVE_FILE"));
  EXPECT_FALSE(keyExists(HKCR, ".zip"));
  EXPECT_FALSE(keyExists(HKCR, "ZIP_ARCHIVE_FILE"));
}

TEST_F(DexOption, CancelTouchesNothingWhateverTheBoxesShow) {
  setDefault(HKCR, "LHA_ARCHIVE_FILE", "old");
  setDefault(HKCR, ".lzh", "LHA_ARCHIVE_FILE");
  for (bool viaClose : {false, true}) {
    run([viaClose](HWND dlg) {
      EXPECT_TRUE(checked(dlg, IDC_ASSOC_LHA));
      for (int id : kBoxes) click(dlg, id);  // LHA off, the rest on
      if (viaClose)
        PostMessageA(dlg, WM_CLOSE, 0, 0);
      else
        press(dlg, IDCANCEL);
    });
    EXPECT_TRUE(keyExists(HKCR, ".lzh"));
    auto cls = storedDefault(HKCR, "LHA_ARCHIVE_FILE");
    ASSERT_TRUE(cls);
    EXPECT_EQ(cls->bytes, std::string("old") + '\0');
    EXPECT_FALSE(keyExists(HKCR, "LHA_ARCHIVE_FILE\\shell"));
    for (const char* k : {".cab", "CAB_ARCHIVE_FILE", ".tar", "TAR_ARCHIVE_FILE", ".zip", "ZIP_ARCHIVE_FILE"})
      EXPECT_FALSE(keyExists(HKCR, k)) << k;
  }
}

// The caller's window (Dexlor's main window) owns the dialog and takes no input
// while it runs; an install folder missing, the class names the program that is there.
TEST_F(DexOption, TheCallersWindowOwnsTheDialogAndIsDisabledMeanwhile) {
  setInstallFolder(std::nullopt);
  HWND caller = CreateWindowExA(0, "Static", "caller", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 500, 400, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(caller, nullptr);
  SetForegroundWindow(caller);
  SetActiveWindow(caller);
  ASSERT_EQ(GetActiveWindow(), caller);
  HWND owner = nullptr;
  bool callerEnabled = true;
  run([&](HWND dlg) {
    owner = GetWindow(dlg, GW_OWNER);
    callerEnabled = IsWindowEnabled(caller) != FALSE;
    if (!checked(dlg, IDC_ASSOC_LHA)) click(dlg, IDC_ASSOC_LHA);
    press(dlg, IDOK);
  });
  EXPECT_EQ(owner, caller);
  EXPECT_FALSE(callerEnabled);
  EXPECT_TRUE(IsWindowEnabled(caller)) << "enabled again once the dialog is gone";
  DestroyWindow(caller);
  auto command = storedDefault(HKCR, "LHA_ARCHIVE_FILE\\shell\\open\\command");
  ASSERT_TRUE(command);
  const std::string text = command->bytes.c_str();
  ASSERT_EQ(text.rfind("\"", 0), 0u) << text;
  const std::string program = text.substr(1, text.find('"', 1) - 1);
  EXPECT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES) << text;
}

}  // namespace
