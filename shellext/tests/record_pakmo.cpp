// Stands in for Pakmo in the harness's install folder. Started as the extension
// starts Pakmo, it writes its command-line tail and the file list it finds on the
// OLE clipboard (CF_HDROP) into runs\<process id>.txt beside itself, one
// "args:" line and one "file:" line per path; the file appears complete, by rename.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

static std::string commandTail() {
  const char* p = GetCommandLineA();
  bool quoted = false;
  while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
    if (*p == '"') quoted = !quoted;
    ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  return p;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string dir(self);
  dir = dir.substr(0, dir.find_last_of('\\'));
  std::string runs = dir + "\\runs";
  CreateDirectoryA(runs.c_str(), nullptr);

  std::string out = "args:" + commandTail() + "\n";
  if (SUCCEEDED(OleInitialize(nullptr))) {
    IDataObject* data = nullptr;
    if (SUCCEEDED(OleGetClipboard(&data)) && data) {
      FORMATETC fmt = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
      STGMEDIUM medium = {};
      if (SUCCEEDED(data->GetData(&fmt, &medium))) {
        auto drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
        UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
          char path[MAX_PATH * 2] = {};
          DragQueryFileA(drop, i, path, sizeof path);
          out += std::string("file:") + path + "\n";
        }
        GlobalUnlock(medium.hGlobal);
        ReleaseStgMedium(&medium);
      } else {
        out += "no-hdrop\n";
      }
      data->Release();
    } else {
      out += "no-clipboard\n";
    }
    OleUninitialize();
  }
  std::string name = runs + "\\" + std::to_string(GetCurrentProcessId());
  std::string part = name + ".part";
  if (FILE* f = std::fopen(part.c_str(), "wb")) {
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
    MoveFileA(part.c_str(), (name + ".txt").c_str());
  }
  return 0;
}
