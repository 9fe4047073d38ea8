#include "remote_window.h"

#include <commctrl.h>

RemoteProcessMemory::RemoteProcessMemory(HWND window, size_t size) : m_size(size) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (m_process) m_remote = VirtualAllocEx(m_process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteProcessMemory::~RemoteProcessMemory() {
  if (m_remote) VirtualFreeEx(m_process, m_remote, 0, MEM_RELEASE);
  if (m_process) CloseHandle(m_process);
}

bool RemoteProcessMemory::write(const void* data, size_t n, size_t offset) {
  SIZE_T done = 0;
  return m_remote && offset + n <= m_size &&
         WriteProcessMemory(m_process, static_cast<char*>(m_remote) + offset, data, n, &done) && done == n;
}

bool RemoteProcessMemory::read(void* data, size_t n, size_t offset) const {
  SIZE_T done = 0;
  return m_remote && offset + n <= m_size &&
         ReadProcessMemory(m_process, static_cast<char*>(m_remote) + offset, data, n, &done) && done == n;
}

std::string WindowText(HWND window) {
  char buf[1024] = {};
  // WM_GETTEXT copies across processes by itself.
  SendMessageA(window, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  return buf;
}

std::string StatusBarText(HWND bar, int part) {
  RemoteProcessMemory mem(bar);
  SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(mem.address()));
  char buf[4096] = {};
  mem.read(buf, sizeof buf - 1);
  return buf;
}

int ListRowCount(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListCellText(HWND list, int row, int column) {
  RemoteProcessMemory mem(list, sizeof(LVITEMA) + 1024);
  LVITEMA item{};
  item.iSubItem = column;
  item.cchTextMax = 1023;
  item.pszText = reinterpret_cast<char*>(static_cast<char*>(mem.address()) + sizeof(LVITEMA));
  mem.write(&item, sizeof item);
  SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(mem.address()));
  char buf[1024] = {};
  mem.read(buf, 1023, sizeof(LVITEMA));
  return buf;
}

std::vector<int> ListSelectedRows(HWND list) {
  std::vector<int> rows;
  for (int i = -1; (i = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))) >= 0;) rows.push_back(i);
  return rows;
}

namespace {
struct Search {
  DWORD pid;
  const std::vector<std::string>* prefixes;
  HWND found;
};
BOOL CALLBACK onWindow(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != s->pid || !IsWindowVisible(w)) return TRUE;
  std::string caption = WindowText(w);
  for (const auto& prefix : *s->prefixes)
    if (caption.rfind(prefix, 0) == 0) {
      s->found = w;
      return FALSE;
    }
  return TRUE;
}
}  // namespace

void ServeMessagesFor(DWORD ms) {
  const DWORD start = GetTickCount();
  for (DWORD elapsed = 0; elapsed < ms; elapsed = GetTickCount() - start) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

HWND WaitForProcessWindow(DWORD pid, const std::vector<std::string>& prefixes, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
  do {
    // A program that has ended shows no window: no need to wait for the time-out.
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) break;
    Search s{pid, &prefixes, nullptr};
    EnumWindows(onWindow, reinterpret_cast<LPARAM>(&s));
    if (s.found) {
      if (process) CloseHandle(process);
      return s.found;
    }
    ServeMessagesFor(50);
  } while (GetTickCount() - start < timeoutMs);
  if (process) CloseHandle(process);
  return nullptr;
}
