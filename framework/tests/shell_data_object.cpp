#include "shell_data_object.h"

#include <shlobj.h>

namespace {

std::wstring Wide(const std::string& s) {
  const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
  return w;
}

}  // namespace

IDataObject* ShellDataObject(const std::string& folder, const std::vector<std::string>& names) {
  if (names.empty()) return nullptr;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
  IDataObject* data = nullptr;
  LPITEMIDLIST folderId = nullptr;
  std::wstring wfolder = Wide(folder);
  IShellFolder* parent = nullptr;
  if (SUCCEEDED(desktop->ParseDisplayName(nullptr, nullptr, wfolder.data(), nullptr, &folderId, nullptr)) &&
      SUCCEEDED(desktop->BindToObject(folderId, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&parent)))) {
    std::vector<LPITEMIDLIST> children;
    for (const std::string& n : names) {
      std::wstring name = Wide(n);
      LPITEMIDLIST child = nullptr;
      if (SUCCEEDED(parent->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &child, nullptr)))
        children.push_back(child);
    }
    if (children.size() == names.size())
      parent->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()), const_cast<LPCITEMIDLIST*>(children.data()),
                            IID_IDataObject, nullptr, reinterpret_cast<void**>(&data));
    for (LPITEMIDLIST c : children) CoTaskMemFree(c);
    parent->Release();
  }
  if (folderId) CoTaskMemFree(folderId);
  desktop->Release();
  return data;
}

IDataObject* ShellDataObject(const std::vector<std::string>& paths) {
  if (paths.empty()) return nullptr;
  const size_t cut = paths[0].find_last_of('\\');
  if (cut == std::string::npos) return nullptr;
  std::vector<std::string> names;
  for (const std::string& p : paths) names.push_back(p.substr(p.find_last_of('\\') + 1));
  return ShellDataObject(paths[0].substr(0, cut), names);
}
