#include "dialogs.h"

#include <commctrl.h>

#include "dialogs_resource.h"

namespace dllsupport {

HINSTANCE moduleInstance() {
  HMODULE m = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&moduleInstance), &m);
  return m;
}

namespace {

INT_PTR CALLBACK overwriteProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dlg, IDC_DLLS_FILE, reinterpret_cast<const char*>(lp));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDYES:
        case IDNO:
        case IDC_DLLS_YESTOALL:
        case IDCANCEL: EndDialog(dlg, LOWORD(wp)); return TRUE;
      }
      break;
  }
  return FALSE;
}

struct TextRequest {
  const std::string* title;
  const std::string* prompt;
  std::string* value;
};

INT_PTR CALLBACK textProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG: {
      auto* r = reinterpret_cast<TextRequest*>(lp);
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      SetWindowTextA(dlg, r->title->c_str());
      SetDlgItemTextA(dlg, IDC_DLLS_MESSAGE, r->prompt->c_str());
      SetDlgItemTextA(dlg, IDC_DLLS_EDIT, r->value->c_str());
      SendDlgItemMessageA(dlg, IDC_DLLS_EDIT, EM_SETSEL, 0, -1);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK) {
        auto* r = reinterpret_cast<TextRequest*>(GetWindowLongPtrA(dlg, DWLP_USER));
        const int n = GetWindowTextLengthA(GetDlgItem(dlg, IDC_DLLS_EDIT));
        std::string text(static_cast<size_t>(n) + 1, '\0');
        GetDlgItemTextA(dlg, IDC_DLLS_EDIT, text.data(), n + 1);
        text.resize(static_cast<size_t>(n));
        *r->value = text;
        EndDialog(dlg, IDOK);
        return TRUE;
      }
      if (LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
        return TRUE;
      }
      break;
  }
  return FALSE;
}

struct PasswordRequest {
  const std::string* name;
  bool again = false;
  std::string typed;
  bool forAll = false;
};

INT_PTR CALLBACK passwordProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      SetDlgItemTextA(dlg, IDC_DLLS_FILE, reinterpret_cast<PasswordRequest*>(lp)->name->c_str());
      if (reinterpret_cast<PasswordRequest*>(lp)->again)
        SetDlgItemTextA(dlg, IDC_DLLS_MESSAGE, "パスワードが違います。もう一度入力してください。");
      SendDlgItemMessageA(dlg, IDC_DLLS_EDIT, EM_LIMITTEXT, 255, 0);
      SetFocus(GetDlgItem(dlg, IDC_DLLS_EDIT));
      return FALSE;  // the focus is set
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        auto* r = reinterpret_cast<PasswordRequest*>(GetWindowLongPtrA(dlg, DWLP_USER));
        r->forAll = IsDlgButtonChecked(dlg, IDC_DLLS_FORALL) == BST_CHECKED;
        if (LOWORD(wp) == IDOK) {
          char text[260] = {};
          GetDlgItemTextA(dlg, IDC_DLLS_EDIT, text, sizeof text);
          r->typed = text;
          SecureZeroMemory(text, sizeof text);
        }
        EndDialog(dlg, LOWORD(wp));
        return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

bool askPassword(HWND owner, const std::string& sjisName, std::string& password, bool& forAll, bool again) {
  PasswordRequest req{&sjisName, again};
  const INT_PTR r = DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(IDD_DLLS_PASSWORD), owner, passwordProc,
                                    reinterpret_cast<LPARAM>(&req));
  forAll = req.forAll;
  if (r != IDOK) return false;
  password = req.typed;
  return true;
}

fmt::OverwriteAnswer askOverwrite(HWND owner, const std::string& sjisPath) {
  const INT_PTR r = DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(IDD_DLLS_OVERWRITE), owner, overwriteProc,
                                    reinterpret_cast<LPARAM>(sjisPath.c_str()));
  switch (r) {
    case IDYES: return fmt::OverwriteAnswer::Yes;
    case IDNO: return fmt::OverwriteAnswer::No;
    case IDC_DLLS_YESTOALL: return fmt::OverwriteAnswer::YesToAll;
    default: return fmt::OverwriteAnswer::Cancel;  // 中止, closed, or the dialog could not be made
  }
}

bool askText(HWND owner, const std::string& title, const std::string& prompt, std::string& value) {
  TextRequest req{&title, &prompt, &value};
  return DialogBoxParamA(moduleInstance(), MAKEINTRESOURCEA(IDD_DLLS_INPUT), owner, textProc,
                         reinterpret_cast<LPARAM>(&req)) == IDOK;
}

ProgressWindow::ProgressWindow(HWND owner, bool enabled)
    : owner_(owner), enabled_(enabled && owner), start_(GetTickCount64()) {}

ProgressWindow::~ProgressWindow() {
  if (window_) DestroyWindow(window_);
}

INT_PTR CALLBACK ProgressWindow::proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(dlg, DWLP_USER, lp);
    SendDlgItemMessageA(dlg, IDC_DLLS_BAR, PBM_SETRANGE32, 0, 1000);
    return TRUE;
  }
  if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (self) self->cancelled_ = true;
    return TRUE;
  }
  return FALSE;
}

bool ProgressWindow::update(const std::string& sjisName, uint64_t done, uint64_t total) {
  if (!enabled_ || cancelled_) return !cancelled_;
  const ULONGLONG now = GetTickCount64();
  if (!window_) {
    if (now - start_ < 500) return true;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    window_ = CreateDialogParamA(moduleInstance(), MAKEINTRESOURCEA(IDD_DLLS_PROGRESS), owner_, proc,
                                 reinterpret_cast<LPARAM>(this));
    if (!window_) {
      enabled_ = false;
      return true;
    }
    lastPump_ = 0;
  }
  if (sjisName != shownName_) {
    shownName_ = sjisName;
    SetDlgItemTextA(window_, IDC_DLLS_FILE, sjisName.c_str());
  }
  if (now - lastPump_ >= 30) {
    lastPump_ = now;
    const WPARAM pos = total ? static_cast<WPARAM>(done * 1000 / total) : 0;
    SendDlgItemMessageA(window_, IDC_DLLS_BAR, PBM_SETPOS, pos, 0);
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(m.wParam));
        break;
      }
      if (!IsDialogMessageA(window_, &m)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
      }
    }
  }
  return !cancelled_;
}

}  // namespace dllsupport
