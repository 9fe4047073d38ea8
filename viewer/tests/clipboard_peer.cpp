// The other program of the clipboard and drag tests.
//   clipboard_peer read            prints the clipboard's file list, a path a line
//   clipboard_peer put PATH...     puts the shell's data object for the files on the
//                                  clipboard, hands it to the system and ends
//   clipboard_peer target OUT      a window "drop target" that takes one drop, then
//                                  writes to OUT each path offered, whether it
//                                  existed at drag enter and at the drop, and ends
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "shell_data_object.h"

namespace {

std::vector<std::string> Paths(HDROP drop) {
  std::vector<std::string> paths;
  const UINT n = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < n; ++i) {
    char path[MAX_PATH * 2] = {};
    DragQueryFileA(drop, i, path, sizeof path);
    paths.push_back(path);
  }
  return paths;
}

std::vector<std::string> PathsOf(IDataObject* data) {
  FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m{};
  if (!data || FAILED(data->GetData(&f, &m))) return {};
  std::vector<std::string> paths = Paths(static_cast<HDROP>(m.hGlobal));
  ReleaseStgMedium(&m);
  return paths;
}

bool Exists(const std::string& p) { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

class Target : public IDropTarget {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    atEnter.clear();
    for (const std::string& p : PathsOf(data)) atEnter.push_back(Exists(p));
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
    *effect &= DROPEFFECT_COPY;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) override {
    std::ofstream out(file, std::ios::binary);
    const std::vector<std::string> paths = PathsOf(data);
    for (size_t i = 0; i < paths.size(); ++i)
      out << paths[i] << "|" << (i < atEnter.size() && atEnter[i] ? 1 : 0) << "|" << (Exists(paths[i]) ? 1 : 0)
          << "\n";
    *effect &= DROPEFFECT_COPY;
    PostQuitMessage(0);
    return S_OK;
  }
  std::string file;
  std::vector<bool> atEnter;
};

int RunTarget(const std::string& out) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ClipboardPeerTarget";
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(WS_EX_TOPMOST, wc.lpszClassName, "drop target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 900, 100,
                           300, 300, nullptr, nullptr, wc.hInstance, nullptr);
  Target target;
  target.file = out;
  if (!w || FAILED(RegisterDragDrop(w, &target))) return 1;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  RevokeDragDrop(w);
  DestroyWindow(w);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string mode = argv[1];
  if (FAILED(OleInitialize(nullptr))) return 3;
  int status = 0;
  if (mode == "read") {
    IDataObject* data = nullptr;
    if (SUCCEEDED(OleGetClipboard(&data)) && data) {
      for (const std::string& p : PathsOf(data)) std::printf("%s\n", p.c_str());
      data->Release();
    }
  } else if (mode == "put") {
    IDataObject* data = ShellDataObject(std::vector<std::string>(argv + 2, argv + argc));
    status = data && SUCCEEDED(OleSetClipboard(data)) && SUCCEEDED(OleFlushClipboard()) ? 0 : 1;
    if (data) data->Release();
  } else if (mode == "target" && argc > 2) {
    status = RunTarget(argv[2]);
  } else {
    status = 2;
  }
  OleUninitialize();
  return status;
}
