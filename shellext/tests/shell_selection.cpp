#include "shell_selection.h"

#include <shlobj.h>

namespace shellext_test {

std::wstring wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
  w.resize(n - 1);
  return w;
}

IDataObject* shellDataObject(const std::string& folder, const std::vector<std::string>& names) {
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  IShellFolder* parent = nullptr;
  PIDLIST_RELATIVE folderId = nullptr;
  std::wstring wfolder = wide(folder);
  IDataObject* data = nullptr;
  if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wfolder.data(), nullptr, &folderId, nullptr)) &&
      SUCCEEDED(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&parent)))) {
    std::vector<PITEMID_CHILD> items;
    for (const std::string& name : names) {
      std::wstring wname = wide(name);
      PIDLIST_RELATIVE item = nullptr;
      if (SUCCEEDED(parent->ParseDisplayName(nullptr, nullptr, wname.data(), nullptr, &item, nullptr)))
        items.push_back(static_cast<PITEMID_CHILD>(item));
    }
    if (items.size() == names.size())
      parent->GetUIObjectOf(nullptr, static_cast<UINT>(items.size()), const_cast<PCUITEMID_CHILD*>(items.data()),
                            IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
    for (auto item : items) CoTaskMemFree(item);
    parent->Release();
  }
  CoTaskMemFree(folderId);
  desktop->Release();
  return data;
}

}  // namespace shellext_test
