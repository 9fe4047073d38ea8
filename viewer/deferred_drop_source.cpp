#include "deferred_drop_source.h"

#include <vector>

#include "archive_manager.h"

// Our libraries, like the others of their kind, report a failure as a value
// above zero (0x8001 and on), never below: only 0 means every file was
// extracted, so anything else cancels the drop rather than letting the target
// copy files that are missing or stale.
bool CDeferredDropSource::OnDrop() {
  const std::string command = m_command;
  m_command.clear();  // used at most once
  if (command.empty()) return false;
  std::vector<char> output(65535, '\0');
  return m_archives.RunCommand(command, output.data(), static_cast<DWORD>(output.size())) == 0;
}
