#include "shell_data_object.h"

#include <shlobj.h>

IDataObject* ShellDataObject(const std::vector<std::string>& paths) {
  if (paths.empty()) return nullptr;
  std::string folder = paths[0].substr(0, paths[0].find_last_of('\\'));
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  auto wide = [](const std::string& s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    return w;
  };
  IDataObject* data = nullptr;
  LPITEMIDLIST folderId = nullptr;
  std::wstring wfolder = wide(folder);
  IShellFolder* parent = nullptr;
  if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wfolder.data(), nullptr, &folderId, nullptr)) &&
      SUCCEEDED(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&parent)))) {
    std::vector<LPITEMIDLIST> children;
    for (const std::string& p : paths) {
      std::wstring name = wide(p.substr(p.find_last_of('\\') + 1));
      LPITEMIDLIST child = nullptr;
      if (SUCCEEDED(parent->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &child, nullptr)))
        children.push_back(child);
    }
    if (children.size() == paths.size())
      parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), const_cast<LPCITEMIDLIST*>(children.data()),
                            IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
    for (LPITEMIDLIST c : children) CoTaskMemFree(c);
    parent->Release();
  }
  if (folderId) CoTaskMemFree(folderId);
  desktop->Release();
  return data;
}
