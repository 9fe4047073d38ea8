// Runs a call into a foreign library so that neither a C++ exception nor a
// processor fault (access violation, division by zero, ...) raised inside it
// ends the program. GCC has no __try: a vectored exception handler sends the
// faulting thread back to the guard instead.
#pragma once

// Calls fn(arg); true with its result in *result when it returned normally,
// false when it raised anything.
bool CallGuarded(int (*fn)(void* arg), void* arg, int* result);
