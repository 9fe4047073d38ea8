#include "debug_trace.h"

#include <windows.h>

namespace shellext_test {
namespace {

constexpr DWORD kPrint = 0x40010006;      // DBG_PRINTEXCEPTION_C
constexpr DWORD kPrintWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C, which also carries the narrow text

std::vector<std::string>* g_calls = nullptr;
PVOID g_handler = nullptr;

LONG CALLBACK onException(EXCEPTION_POINTERS* ep) {
  const EXCEPTION_RECORD* r = ep->ExceptionRecord;
  if (!g_calls) return EXCEPTION_CONTINUE_SEARCH;
  if (r->ExceptionCode == kPrint && r->NumberParameters >= 2) {
    // The length counts the terminating zero.
    size_t len = static_cast<size_t>(r->ExceptionInformation[0]);
    const char* text = reinterpret_cast<const char*>(r->ExceptionInformation[1]);
    g_calls->emplace_back(text, len > 0 ? len - 1 : 0);
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  if (r->ExceptionCode == kPrintWide && r->NumberParameters >= 4) {
    size_t len = static_cast<size_t>(r->ExceptionInformation[2]);
    const char* text = reinterpret_cast<const char*>(r->ExceptionInformation[3]);
    g_calls->emplace_back(text, len > 0 ? len - 1 : 0);
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

DebugTrace::DebugTrace() {
  g_calls = new std::vector<std::string>();
  g_handler = AddVectoredExceptionHandler(1, onException);
}

DebugTrace::~DebugTrace() {
  RemoveVectoredExceptionHandler(g_handler);
  g_handler = nullptr;
  delete g_calls;
  g_calls = nullptr;
}

std::vector<std::string> DebugTrace::calls() const { return *g_calls; }
void DebugTrace::clear() { g_calls->clear(); }

}  // namespace shellext_test
