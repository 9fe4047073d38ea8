#include "html_help.h"

#include <windows.h>

#include "proc_address.h"
#include "sjis.h"

std::string HelpTopicBeside(const std::string& programPath, const std::string& topic) {
  const size_t cut = sjis::lastBackslash(programPath);
  const std::string file = "Pakdex.chm::/" + topic;
  return cut == std::string::npos ? file : programPath.substr(0, cut) + "\\" + file;
}

void ShowHelpTopic(const std::string& topic) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string path = HelpTopicBeside(self, topic);
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
  if (HMODULE hh = LoadLibraryA("hhctrl.ocx")) {
    if (auto help = procAddress<HtmlHelpFn>(hh, "HtmlHelpA")) help(nullptr, path.c_str(), 0, 0);
  }
}
