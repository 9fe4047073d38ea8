// The dialog base on real windows: a dialog from a test resource runs modally,
// routes commands and notifications through its map, exchanges data and ends
// with the right result.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "dialog.h"
#include "test_dialog_ids.h"

namespace {

constexpr UINT WM_RUN_SCRIPT = WM_APP + 1;

class CTestDlg : public CDialog {
 public:
  CTestDlg() : CDialog(IDD_TEST) {}

  std::string name = "初期値";
  int flag = 1;
  int kind = 1;
  std::vector<std::string> log;
  std::function<void(CTestDlg&)> script;  // runs once the loop is going
  bool endInInit = false;
  int keysSeen = 0;

  BEGIN_MSG_MAP(CTestDlg)
    MESSAGE_HANDLER(WM_RUN_SCRIPT, OnRunScript)
    COMMAND_ID_HANDLER(IDC_RUN, OnRun)
    NOTIFY_HANDLER(IDC_LIST, LVN_COLUMNCLICK, OnColumnClick)
    NOTIFY_HANDLER(IDC_LIST, NM_DBLCLK, OnDoubleClickPassedOn)
    CHAIN_MSG_MAP(CDialog)
  END_MSG_MAP()

  bool PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F5) {
      keysSeen++;
      return true;  // consumed: the control never sees it
    }
    return CDialog::PreTranslateMessage(msg);
  }

 protected:
  BOOL OnInitDialog() override {
    SendDlgItemMessage(IDC_KIND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("LHA"));
    SendDlgItemMessage(IDC_KIND, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("CAB"));
    CDialog::OnInitDialog();
    log.push_back("init");
    if (endInInit) {
      EndDialog(42);
      return TRUE;
    }
    PostMessageA(m_hWnd, WM_RUN_SCRIPT, 0, 0);
    return TRUE;
  }
  void DoDataExchange(CDataExchange& dx) override {
    DDX_Text(dx, IDC_NAME, name);
    DDX_Check(dx, IDC_FLAG, flag);
    DDX_CBIndex(dx, IDC_KIND, kind);
  }
  void OnOK() override {
    log.push_back("ok");
    CDialog::OnOK();
  }
  void OnCancel() override {
    log.push_back("cancel");
    CDialog::OnCancel();
  }

 private:
  LRESULT OnRunScript(UINT, WPARAM, LPARAM, bool&) {
    if (script) script(*this);
    return 0;
  }
  LRESULT OnRun(WORD code, WORD id, HWND, bool&) {
    log.push_back("run " + std::to_string(code) + " " + std::to_string(id));
    return 0;
  }
  LRESULT OnColumnClick(int id, NMHDR* header, bool&) {
    auto* lv = reinterpret_cast<NMLISTVIEW*>(header);
    log.push_back("column " + std::to_string(id) + " " + std::to_string(lv->iSubItem));
    return 0;
  }
  LRESULT OnDoubleClickPassedOn(int, NMHDR*, bool& handled) {
    log.push_back("dblclk");
    handled = false;  // lets the base see it too
    return 0;
  }
};

void sendNotify(HWND dlg, int id, UINT code, int subItem = 0) {
  NMLISTVIEW nm{};
  nm.hdr.hwndFrom = GetDlgItem(dlg, id);
  nm.hdr.idFrom = static_cast<UINT_PTR>(id);
  nm.hdr.code = code;
  nm.iSubItem = subItem;
  SendMessageA(dlg, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&nm));
}

class DialogTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
  }
};

TEST_F(DialogTest, ModalDialogRoutesCommandsAndNotificationsAndSavesDataOnOK) {
  CTestDlg dlg;
  dlg.script = [](CTestDlg& d) {
    HWND h = d.GetSafeHwnd();
    // Initial data reached the controls.
    EXPECT_EQ(d.GetDlgItemText(IDC_NAME), "初期値");
    EXPECT_EQ(IsDlgButtonChecked(h, IDC_FLAG), static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(d.SendDlgItemMessage(IDC_KIND, CB_GETCURSEL), 1);
    SendMessageA(GetDlgItem(h, IDC_RUN), BM_CLICK, 0, 0);
    sendNotify(h, IDC_LIST, LVN_COLUMNCLICK, 2);
    sendNotify(h, IDC_LIST, NM_DBLCLK);
    d.SetDlgItemText(IDC_NAME, "新しい名前");
    CheckDlgButton(h, IDC_FLAG, BST_UNCHECKED);
    d.SendDlgItemMessage(IDC_KIND, CB_SETCURSEL, 0);
    PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(h, IDOK)));
  };
  INT_PTR result = dlg.DoModal(nullptr);
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "run 0 1003", "column 1004 2", "dblclk", "ok"}));
  EXPECT_EQ(dlg.name, "新しい名前");
  EXPECT_EQ(dlg.flag, 0);
  EXPECT_EQ(dlg.kind, 0);
  EXPECT_EQ(dlg.GetSafeHwnd(), nullptr) << "the window is gone after DoModal";
}

TEST_F(DialogTest, CancelAndCloseEndWithIdCancelAndKeepData) {
  for (UINT how : {0u, 1u, 2u}) {
    CTestDlg dlg;
    dlg.script = [how](CTestDlg& d) {
      HWND h = d.GetSafeHwnd();
      d.SetDlgItemText(IDC_NAME, "捨てる");
      if (how == 0) PostMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      if (how == 1) PostMessageA(h, WM_CLOSE, 0, 0);
      if (how == 2) PostMessageA(GetDlgItem(h, IDC_NAME), WM_KEYDOWN, VK_ESCAPE, 0);
    };
    EXPECT_EQ(dlg.DoModal(nullptr), IDCANCEL) << how;
    EXPECT_EQ(dlg.name, "初期値") << how;
    EXPECT_EQ(dlg.log.back(), "cancel") << how;
  }
}

TEST_F(DialogTest, PreTranslateSeesMessagesBeforeTheControls) {
  CTestDlg dlg;
  dlg.script = [](CTestDlg& d) {
    HWND edit = d.GetDlgItem(IDC_NAME);
    PostMessageA(edit, WM_KEYDOWN, VK_F5, 0);
    PostMessageA(edit, WM_KEYDOWN, VK_F5, 0);
    PostMessageA(d.GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  };
  dlg.DoModal(nullptr);
  EXPECT_EQ(dlg.keysSeen, 2);
}

TEST_F(DialogTest, EndDialogDuringInitialisationReturnsAtOnce) {
  CTestDlg dlg;
  dlg.endInInit = true;
  EXPECT_EQ(dlg.DoModal(nullptr), 42);
}

TEST_F(DialogTest, ModalDialogDisablesItsOwnerUntilItEnds) {
  CTestDlg owner;
  ASSERT_TRUE(owner.Create(nullptr));
  HWND ownerWnd = owner.GetSafeHwnd();
  CTestDlg dlg;
  bool disabledDuring = false;
  dlg.script = [&](CTestDlg& d) {
    disabledDuring = !IsWindowEnabled(ownerWnd);
    d.EndDialog(IDOK);
  };
  EXPECT_EQ(dlg.DoModal(ownerWnd), IDOK);
  EXPECT_TRUE(disabledDuring);
  EXPECT_TRUE(IsWindowEnabled(ownerWnd));
  owner.DestroyWindow();
}

TEST_F(DialogTest, ModelessDialogRunsInTheCallersLoop) {
  CTestDlg dlg;
  dlg.script = [](CTestDlg& d) { SendMessageA(d.GetDlgItem(IDC_RUN), BM_CLICK, 0, 0); d.EndDialog(7); };
  ASSERT_TRUE(dlg.Create(nullptr));
  EXPECT_FALSE(dlg.IsModal());
  MSG msg;
  for (int i = 0; i < 1000 && dlg.GetSafeHwnd(); i++) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      Sleep(1);
      continue;
    }
    if (dlg.PreTranslateMessage(&msg)) continue;
    if (dlg.GetSafeHwnd() && IsDialogMessageA(dlg.GetSafeHwnd(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  EXPECT_EQ(dlg.GetSafeHwnd(), nullptr) << "EndDialog destroys a modeless dialog";
  EXPECT_EQ(dlg.log, (std::vector<std::string>{"init", "run 0 1003"}));
}

TEST_F(DialogTest, MissingTemplateFails) {
  class CNoTemplate : public CDialog {
   public:
    CNoTemplate() : CDialog(9999) {}
  } dlg;
  EXPECT_EQ(dlg.DoModal(nullptr), -1);
}

}  // namespace
