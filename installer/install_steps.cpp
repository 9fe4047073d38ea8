#include "install_steps.h"

#include <shellapi.h>
#include <shlobj.h>

#include "install_layout.h"
#include "proc_address.h"

namespace install {

bool copyFiles(HWND owner, const std::vector<std::string>& names, const std::string& folder) {
  std::string from;
  for (const std::string& n : names) from += n + '\0';
  from += '\0';
  // A trailing backslash makes the destination a folder also for a drive root
  // ("C:" alone would be the drive's current folder).
  std::string to = folder + "\\";
  to += '\0';
  SHFILEOPSTRUCTA op{};
  op.hwnd = owner;
  op.wFunc = FO_COPY;
  op.pFrom = from.c_str();
  op.pTo = to.c_str();
  op.fFlags = FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR;
  int result = SHFileOperationA(&op);
  return result == 0 && !op.fAnyOperationsAborted;
}

bool createShortcut(const std::string& link, const std::string& target, const std::string& description) {
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink))))
    return false;
  bool ok = false;
  shellLink->SetPath(target.c_str());
  shellLink->SetDescription(description.c_str());
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    WCHAR wide[MAX_PATH] = {};
    if (MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH) > 0)
      ok = SUCCEEDED(file->Save(wide, TRUE));
    file->Release();
  }
  shellLink->Release();
  return ok;
}

void selectAssociations() {
  HMODULE lib = LoadLibraryA("DexOption.dll");
  if (!lib) return;
  using SelectFn = void(WINAPI*)();
  if (auto select = procAddress<SelectFn>(lib, "SelectExtention")) select();
  FreeLibrary(lib);
}

void startUninstaller() { ShellExecuteA(nullptr, nullptr, kUninstaller, "Immediately", nullptr, SW_SHOWNORMAL); }

}  // namespace install
