// Captures what the process writes with OutputDebugStringA while no debugger is
// attached: the call raises DBG_PRINTEXCEPTION_C, and a vectored handler sees
// it first and takes the text.
#pragma once
#include <string>
#include <vector>

namespace shellext_test {

class DebugTrace {
 public:
  DebugTrace();
  ~DebugTrace();
  DebugTrace(const DebugTrace&) = delete;
  DebugTrace& operator=(const DebugTrace&) = delete;

  // Each call's text, in order, exactly as written.
  std::vector<std::string> calls() const;
  void clear();
};

}  // namespace shellext_test
