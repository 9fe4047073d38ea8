#include "creator_fixture.h"

#include <shlobj.h>

#include <fstream>
#include <sstream>

#include "test_files.h"

void CScriptedCreator::Click(int id) const { SendMessageA(GetDlgItem(id), BM_CLICK, 0, 0); }

std::vector<std::string> CScriptedCreator::PickMethod(int row) const {
  std::vector<std::string> texts;
  ModalScript boxes;
  for (int i = 0; i < 3; i++)
    boxes.then("Pakmo", [&](HWND box) {
      texts.push_back(ItemText(box, 0xFFFF));
      ::Click(box, IDOK);
    });
  boxes.run([&] {
    SendDlgItemMessage(IDC_METHOD, CB_SETCURSEL, static_cast<WPARAM>(row));
    SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_METHOD, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(IDC_METHOD)));
  });
  return texts;
}

void CScriptedCreator::SlideTo(int level) const {
  SendDlgItemMessage(IDC_LEVEL, TBM_SETPOS, TRUE, level);
  SendMessageA(m_hWnd, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, level), reinterpret_cast<LPARAM>(GetDlgItem(IDC_LEVEL)));
}

void CScriptedCreator::SetCheck(int id, bool on) const { CheckDlgButton(m_hWnd, id, on ? BST_CHECKED : BST_UNCHECKED); }

std::vector<std::string> CScriptedCreator::MethodRows() const {
  std::vector<std::string> rows;
  const int n = static_cast<int>(SendDlgItemMessage(IDC_METHOD, CB_GETCOUNT));
  for (int i = 0; i < n; i++) {
    char text[256] = {};
    SendDlgItemMessage(IDC_METHOD, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    rows.push_back(text);
  }
  return rows;
}

std::vector<std::string> CScriptedCreator::ListedNames() const {
  std::vector<std::string> names;
  const int n = static_cast<int>(SendDlgItemMessage(IDC_FILE_LIST, LB_GETCOUNT));
  for (int i = 0; i < n; i++) {
    std::vector<char> text(static_cast<size_t>(SendDlgItemMessage(IDC_FILE_LIST, LB_GETTEXTLEN, i)) + 1, '\0');
    SendDlgItemMessage(IDC_FILE_LIST, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    names.push_back(text.data());
  }
  return names;
}

std::string CScriptedCreator::Status() const {
  char text[256] = {};
  SendMessageA(m_statusBar.m_hWnd, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
  return text;
}

std::string CScriptedCreator::Compress(const std::string& saveTitle, const std::string& archiveName) {
  std::string result = "<no result>";
  ModalScript s;
  s.then(saveTitle, [&](HWND dlg) {
    if (!parkIn.empty()) SetCurrentDirectoryA(parkIn.c_str());
    AnswerFileDialog(dlg, archiveName);
  });
  s.then("結果表示", [&](HWND dlg) {
    result = ItemText(dlg, IDC_RESULT_TEXT);
    ::Click(dlg, IDOK);
  });
  s.run([&] { SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_COMPRESS, BN_CLICKED), 0); });
  unexpectedWindows.insert(unexpectedWindows.end(), s.unexpected.begin(), s.unexpected.end());
  return result;
}

BOOL CScriptedCreator::OnInitDialog() {
  BOOL r = CCreatorDlg::OnInitDialog();
  SetTimer(m_hWnd, kScriptTimer, 50, nullptr);
  return r;
}

bool CScriptedCreator::ProcessMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
  if (msg == WM_TIMER && w == kScriptTimer) {
    KillTimer(m_hWnd, kScriptTimer);
    if (script) script(*this);
    EndDialog(IDOK);
    return true;
  }
  return CCreatorDlg::ProcessMessage(msg, w, l, result);
}

void AnswerFileDialog(HWND dialog, const std::string& text) {
  // The explorer-style dialog's name box is a combo box (cmb13) or an edit (edt1).
  HWND box = GetDlgItem(dialog, 0x47C);
  if (!box) box = GetDlgItem(dialog, 0x480);
  SetWindowTextA(box, text.c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
}

std::string TestProgramFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path);
  return p.substr(0, p.find_last_of('\\') + 1);
}

std::string CurrentFolder() {
  char f[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, f);
  return f;
}

Workspace::Workspace() {
  char tmp[MAX_PATH];
  GetTempPathA(MAX_PATH, tmp);
  static int counter = 0;
  m_dir = std::string(tmp) + "pakmo" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) + "\\";
  RemoveTree(m_dir);
  CreateDirectoryA(m_dir.c_str(), nullptr);
  CreateDirectoryA((m_dir + "libs").c_str(), nullptr);
  m_log = m_dir + "calls.log";
  SetEnvironmentVariableA("FAKE_LOG", m_log.c_str());
  SetDllDirectoryA((m_dir + "libs").c_str());
}

Workspace::~Workspace() {
  SetDllDirectoryA(nullptr);
  SetEnvironmentVariableA("FAKE_LOG", nullptr);
  SetCurrentDirectoryA(TestProgramFolder().c_str());  // never inside the folder going away
  RemoveTree(m_dir);
}

std::string Workspace::write(const std::string& relative, const std::string& content) const {
  std::string path = m_dir + relative;
  for (size_t i = 0; i < relative.size(); i++) {
    if (IsDBCSLeadByte(static_cast<BYTE>(relative[i]))) {
      i++;
      continue;
    }
    if (relative[i] == '\\') CreateDirectoryA((m_dir + relative.substr(0, i)).c_str(), nullptr);
  }
  WriteFile(path, content);
  return path;
}

std::string Workspace::folder(const std::string& relative) const {
  write(relative + "\\.keep", "");
  DeleteFileA((m_dir + relative + "\\.keep").c_str());
  return m_dir + relative;
}

void Workspace::useLibrary(const std::string& from, const std::string& as) {
  CopyFileA((TestProgramFolder() + from).c_str(), (m_dir + "libs\\" + as).c_str(), FALSE);
}

std::vector<std::string> Workspace::calls() const {
  std::ifstream f(m_log, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(f, line)) lines.push_back(line);
  return lines;
}

std::vector<std::string> Workspace::callsOf(const std::string& what) const {
  std::vector<std::string> r;
  for (auto& c : calls())
    if (c.find(what) != std::string::npos) r.push_back(c);
  return r;
}

void Workspace::clearCalls() const { DeleteFileA(m_log.c_str()); }
