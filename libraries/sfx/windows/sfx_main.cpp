// The self-extracting program: the archive appended to it is extracted through
// the dialog, or with -s [FOLDER] without any window.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "sfx_dialog.h"
#include "sfx_options.h"
#include "sfx_run.h"

namespace {

std::string toUtf8(const wchar_t* w) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? static_cast<size_t>(n) : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  s.resize(s.size() - 1);
  return s;
}

std::string selfPath() {
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) return toUtf8(buf.data());
    buf.resize(buf.size() * 2);
  }
}

// Unattended: the lines go to standard output when there is one (a log of the
// installer that started us), nothing is shown.
class QuietUi : public sfx::SfxUi {
 public:
  QuietUi() : out_(GetStdHandle(STD_OUTPUT_HANDLE)) {}
  fmt::OverwriteAnswer askOverwrite(const std::string&) override { return fmt::OverwriteAnswer::Yes; }
  bool progress(const std::string&, uint64_t, uint64_t) override { return true; }
  void line(const std::string& sjis) override {
    text += sjis + "\r\n";
    if (out_ && out_ != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      const std::string l = sjis + "\r\n";
      WriteFile(out_, l.data(), static_cast<DWORD>(l.size()), &written, nullptr);
    }
  }
  std::string text;

 private:
  HANDLE out_;
};

const char kUsage[] =
    "使い方:\r\n"
    "  (引数なし)\t展開先を選ぶ画面を表示します\r\n"
    "  -s [フォルダ]\t画面を出さずにフォルダへ展開します (既存のファイルは置き換えます)。\r\n"
    "\t\tフォルダを省くとプログラムと同じ名前のフォルダへ展開します。\r\n"
    "終了コード: 0 すべて正常、1 エラーのあるファイル、2 書庫の破損、3 中止、5 残したファイルあり";

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  std::vector<std::string> args;
  int argc = 0;
  if (wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc)) {
    for (int i = 1; i < argc; ++i) args.push_back(toUtf8(argv[i]));
    LocalFree(argv);
  }
  const sfx::SfxOptions options = sfx::parseArguments(args);
  const std::string self = selfPath();
  if (options.bad) {
    if (!options.unattended) MessageBoxA(nullptr, kUsage, "自己解凍", MB_OK | MB_ICONINFORMATION);
    return sfx::kExitUsage;
  }
  QuietUi quiet;
  int status = 0;
  auto reader = sfx::openSelf(self, quiet, status);
  if (!reader) {
    if (!options.unattended) MessageBoxA(nullptr, quiet.text.c_str(), "自己解凍", MB_OK | MB_ICONERROR);
    return status;
  }
  if (options.unattended) {
    const std::string folder = options.folder.empty() ? sfx::defaultFolder(self) : options.folder;
    return sfx::extractAll(*reader, folder, false, quiet);
  }
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the folder browser's new style needs it
  const int result = sfx::runDialog(instance, *reader, self);
  CoUninitialize();
  return result;
}
