#include "sfx_dialog.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>

#include "base/sjis.h"
#include "dialogs.h"
#include "platform/platform.h"
#include "sfx_options.h"
#include "sfx_resource.h"
#include "sfx_run.h"

namespace sfx {

namespace {

std::string itemText(HWND dlg, int id) {
  const int n = GetWindowTextLengthA(GetDlgItem(dlg, id));
  std::string s(static_cast<size_t>(n) + 1, '\0');
  GetDlgItemTextA(dlg, id, s.data(), n + 1);
  s.resize(static_cast<size_t>(n));
  return s;
}

std::string thousands(uint64_t v) {
  std::string s = std::to_string(v);
  for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<size_t>(i), ",");
  return s;
}

class DialogUi : public SfxUi {
 public:
  DialogUi(HWND dlg, uint64_t totalBytes) : dlg_(dlg), total_(totalBytes ? totalBytes : 1) {}

  fmt::OverwriteAnswer askOverwrite(const std::string& sjisPath) override {
    return dllsupport::askOverwrite(dlg_, sjisPath);
  }

  bool progress(const std::string& name, uint64_t done, uint64_t total) override {
    if (name != name_) {
      base_ += last_;
      name_ = name;
      SetDlgItemTextA(dlg_, IDC_SFX_CURRENT, name.c_str());
    }
    last_ = total ? done : 0;
    const uint64_t now = base_ + done;
    SendDlgItemMessageA(dlg_, IDC_SFX_BAR, PBM_SETPOS, static_cast<WPARAM>(now >= total_ ? 1000 : now * 1000 / total_), 0);
    pump();
    return !cancelled;
  }

  void line(const std::string& sjis) override {
    log_ += sjis + "\r\n";
    HWND edit = GetDlgItem(dlg_, IDC_SFX_LOG);
    SetWindowTextA(edit, log_.c_str());
    SendMessageA(edit, EM_LINESCROLL, 0, SendMessageA(edit, EM_GETLINECOUNT, 0, 0));
    pump();
  }

  bool cancelled = false;

 private:
  // The extraction runs on this thread: let the window paint and take the
  // cancel button between writes.
  void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        cancelled = true;
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      if (!IsDialogMessageA(dlg_, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
  }

  HWND dlg_;
  uint64_t total_;
  uint64_t base_ = 0, last_ = 0;
  std::string name_;
  std::string log_;
};

struct State {
  fmt::ArchiveReader* reader;
  std::string selfPath;
  DialogUi* running = nullptr;
  int status = kExitCancelled;  // closing before extracting counts as cancelled
  bool finished = false;
};

int CALLBACK browseCallback(HWND w, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) SendMessageA(w, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

void browse(HWND dlg) {
  const std::string current = itemText(dlg, IDC_SFX_DEST);
  BROWSEINFOA bi = {};
  bi.hwndOwner = dlg;
  bi.lpszTitle = "展開先のフォルダを選んでください";
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = browseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(current.c_str());
  LPITEMIDLIST id = SHBrowseForFolderA(&bi);
  if (!id) return;
  char path[MAX_PATH] = {};
  if (SHGetPathFromIDListA(id, path)) SetDlgItemTextA(dlg, IDC_SFX_DEST, path);
  CoTaskMemFree(id);
}

void extract(HWND dlg, State& st) {
  std::string dest = itemText(dlg, IDC_SFX_DEST);
  // A trailing separator (a character of its own, not a 5C trail byte) is dropped.
  size_t lastChar = 0;
  for (size_t i = 0; i < dest.size(); i = sjis::next(dest, i)) lastChar = i;
  if (dest.size() > 3 && lastChar == dest.size() - 1 && (dest.back() == '\\' || dest.back() == '/')) dest.pop_back();
  if (dest.empty()) {
    MessageBoxA(dlg, "展開先のフォルダを入力してください", "自己解凍", MB_OK | MB_ICONWARNING);
    return;
  }
  for (int id : {IDOK, IDC_SFX_DEST, IDC_SFX_BROWSE}) EnableWindow(GetDlgItem(dlg, id), FALSE);
  SetFocus(GetDlgItem(dlg, IDCANCEL));
  DialogUi ui(dlg, totals(*st.reader).bytes);
  st.running = &ui;
  st.status = extractAll(*st.reader, fmt::platform::sjisToUtf8(dest), true, ui);
  st.running = nullptr;
  st.finished = true;
  SetDlgItemTextA(dlg, IDC_SFX_CURRENT, "");
  if (st.status == kExitOk) SendDlgItemMessageA(dlg, IDC_SFX_BAR, PBM_SETPOS, 1000, 0);
  SetDlgItemTextA(dlg, IDCANCEL, "閉じる");
}

INT_PTR CALLBACK proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
  auto* st = reinterpret_cast<State*>(GetWindowLongPtrA(dlg, DWLP_USER));
  switch (msg) {
    case WM_INITDIALOG: {
      st = reinterpret_cast<State*>(lp);
      SetWindowLongPtrA(dlg, DWLP_USER, lp);
      const size_t slash = st->selfPath.find_last_of("\\/");  // UTF-8: no byte of a character is a separator
      const std::string leaf = st->selfPath.substr(slash == std::string::npos ? 0 : slash + 1);
      SetWindowTextA(dlg, ("自己解凍 - " + fmt::platform::utf8ToSjis(leaf)).c_str());
      const RunTotals t = totals(*st->reader);
      SetDlgItemTextA(dlg, IDC_SFX_INFO,
                      (std::to_string(t.files) + " 個のファイル、" + thousands(t.bytes) + " バイト").c_str());
      SetDlgItemTextA(dlg, IDC_SFX_DEST, fmt::platform::utf8ToSjis(defaultFolder(st->selfPath)).c_str());
      SendDlgItemMessageA(dlg, IDC_SFX_BAR, PBM_SETRANGE32, 0, 1000);
      HICON icon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
      SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wp)) {
        case IDOK:
          if (!st->running && !st->finished) extract(dlg, *st);
          return TRUE;
        case IDC_SFX_BROWSE:
          if (!st->running) browse(dlg);
          return TRUE;
        case IDCANCEL:
          if (st->running) st->running->cancelled = true;
          else EndDialog(dlg, st->status);
          return TRUE;
      }
      break;
    case WM_CLOSE:
      if (st->running) st->running->cancelled = true;
      else EndDialog(dlg, st->status);
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int runDialog(HINSTANCE instance, fmt::ArchiveReader& reader, const std::string& selfPath) {
  State st{&reader, selfPath};
  const INT_PTR r = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_SFX), nullptr, proc, reinterpret_cast<LPARAM>(&st));
  return r < 0 ? kExitUsage : static_cast<int>(r);
}

}  // namespace sfx
