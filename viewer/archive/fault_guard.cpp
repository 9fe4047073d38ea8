#include "fault_guard.h"

#include <windows.h>

namespace {

// One guard per thread; the suite's programs are single-threaded, but a second
// thread must not be sent into another thread's recovery point.
struct Guard {
  void* jump[5];  // __builtin_setjmp buffer
  bool active = false;
};
thread_local Guard t_guard;

bool isFault(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO: case EXCEPTION_FLT_INVALID_OPERATION: case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR: case EXCEPTION_INT_DIVIDE_BY_ZERO: case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION: case EXCEPTION_STACK_OVERFLOW:
      return true;
    default:
      return false;  // C++ exceptions and the like unwind to the catch below
  }
}

[[noreturn]] __attribute__((noinline)) void recover() { __builtin_longjmp(t_guard.jump, 1); }

LONG CALLBACK onException(EXCEPTION_POINTERS* info) {
  if (!t_guard.active || !isFault(info->ExceptionRecord->ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
  // Leave the dispatcher normally and continue in recover() on a sane stack,
  // which jumps back to the guard's frame.
  CONTEXT* c = info->ContextRecord;
  c->Rsp = ((c->Rsp - 512) & ~static_cast<DWORD64>(15)) - 8;
  c->Rip = reinterpret_cast<DWORD64>(&recover);
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Kept out of line: the C++ unwinder must never walk the frame that holds the
// setjmp buffer.
__attribute__((noinline)) int callCatchingExceptions(int (*fn)(void*), void* arg, bool* threw) {
  try {
    return fn(arg);
  } catch (...) {
    *threw = true;
    return 0;
  }
}

}  // namespace

bool CallGuarded(int (*fn)(void* arg), void* arg, int* result) {
  static PVOID handler = AddVectoredExceptionHandler(1, onException);
  (void)handler;
  volatile bool ok = false;
  volatile int value = 0;
  t_guard.active = true;
  if (__builtin_setjmp(t_guard.jump) == 0) {
    bool threw = false;
    value = callCatchingExceptions(fn, arg, &threw);
    ok = !threw;
  }
  t_guard.active = false;
  if (ok && result) *result = value;
  return ok;
}
