// Reading another process's windows, as a user's eyes would: captions, status
// texts and list-view rows (the list's buffers must live in that process).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

class RemoteProcessMemory {
 public:
  explicit RemoteProcessMemory(HWND window, size_t size = 4096);
  ~RemoteProcessMemory();
  void* address() const { return m_remote; }
  bool write(const void* data, size_t n, size_t offset = 0);
  bool read(void* data, size_t n, size_t offset = 0) const;

 private:
  HANDLE m_process = nullptr;
  void* m_remote = nullptr;
  size_t m_size;
};

std::string WindowText(HWND window);
std::string StatusBarText(HWND statusBar, int part = 0);
int ListRowCount(HWND list);
std::string ListCellText(HWND list, int row, int column);
std::vector<int> ListSelectedRows(HWND list);
// Waits `ms` while serving this thread's messages (another process may be
// reading a clipboard this one owns, or sending to its windows).
void ServeMessagesFor(DWORD ms);
// The first visible top-level window of the process whose caption starts with one of `prefixes`.
HWND WaitForProcessWindow(DWORD processId, const std::vector<std::string>& prefixes, DWORD timeoutMs);
