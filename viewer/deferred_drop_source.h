// The drag source of entries dragged out of the list: the files are extracted
// into the work folder only when the drop really happens, inside the drag loop.
#pragma once
#include <string>

#include "ole_drop_source.h"

class CArchiveManager;

class CDeferredDropSource : public COleDropSource {
 public:
  explicit CDeferredDropSource(CArchiveManager& archives) : m_archives(archives) {}
  // The work-folder extraction the next drop runs.
  void SetCommand(const std::string& command) { m_command = command; }
  const std::string& Command() const { return m_command; }
  // Runs the command once; a failure cancels the drop.
  bool OnDrop() override;

 private:
  CArchiveManager& m_archives;
  std::string m_command;
};
