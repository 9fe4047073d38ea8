// Errors raised inside the engines. Every public entry of a library DLL catches
// them and turns them into a report line and a result code.
#pragma once
#include <exception>
#include <stdexcept>
#include <string>

namespace fmt {

enum class ErrorKind {
  Io,           // the operating system refused a read or write
  Corrupt,      // the data contradicts its own format (bad header, bad code)
  Truncated,    // the data ends before the format says it should
  Checksum,     // decoded data does not match its stored check value
  Unsupported,  // a valid feature this engine does not handle (method, encryption)
  Cancelled,    // the caller's progress callback asked to stop
  Usage,        // the caller asked for something impossible (bad option, no such entry)
  Password,     // an encrypted entry: no password was given, or it was wrong
};

// On std::exception with a string of its own rather than std::runtime_error,
// whose message lives in the C++ library's old reference-counted string: a
// program that links only the engines (the self-extractors) then does without
// that string altogether.
class Error : public std::exception {
 public:
  Error(ErrorKind kind, const std::string& what) : what_(what), kind_(kind) {}
  const char* what() const noexcept override { return what_.c_str(); }
  ErrorKind kind() const { return kind_; }

 private:
  std::string what_;
  ErrorKind kind_;
};

[[noreturn]] inline void fail(ErrorKind kind, const std::string& what) { throw Error(kind, what); }

}  // namespace fmt
