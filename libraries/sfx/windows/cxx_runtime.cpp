// How the C++ library's own failures end an extractor program, kept small.
// Its throw helpers for logic errors (length_error, out_of_range, ...) make
// exception classes whose messages live in the library's old reference-counted
// string, and its terminate handler names the exception's type through a
// demangler: linking either brings in some 30 to 45 KB. Nothing in the program
// catches those errors, so they end it as an uncaught exception would, with the
// status of an internal error; memory exhaustion is still thrown, since the
// extraction reports it per file.
#include <windows.h>

#include <exception>
#include <new>
#include <typeinfo>

#include "sfx_run.h"

namespace {

[[noreturn]] void internalError() { ExitProcess(sfx::kExitInternal); }

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() { internalError(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char*) { internalError(); }
void __throw_domain_error(const char*) { internalError(); }
void __throw_invalid_argument(const char*) { internalError(); }
void __throw_length_error(const char*) { internalError(); }
void __throw_out_of_range(const char*) { internalError(); }
void __throw_out_of_range_fmt(const char*, ...) { internalError(); }
void __throw_runtime_error(const char*) { internalError(); }
void __throw_range_error(const char*) { internalError(); }
void __throw_overflow_error(const char*) { internalError(); }
void __throw_underflow_error(const char*) { internalError(); }
}  // namespace std
