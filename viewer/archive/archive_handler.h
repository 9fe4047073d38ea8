// The base of the four format handlers: binds one archiver library by name,
// checks its version, and runs its functions with the neutral results of an
// absent library. Format handlers add their command lines and override the
// operations their format has (self-extracting archives, delete, rename).
#pragma once
#include <windows.h>

#include <string>

#include "archive_types.h"
#include "archiver.h"
#include "proc_address.h"

class CArchiveHandler {
 public:
  CArchiveHandler(const char* fileName, const char* prefix, unsigned minVersion);
  virtual ~CArchiveHandler();
  CArchiveHandler(const CArchiveHandler&) = delete;
  CArchiveHandler& operator=(const CArchiveHandler&) = delete;

  // Loads the library; false (and absent) when it is missing, too old or lacks
  // one of the functions bound by name.
  bool Load();
  // Closes an open archive, then frees the library.
  void Unload();
  bool IsPresent() const { return m_module != nullptr; }
  // The library's 16-bit version value; 0 while absent.
  DWORD Version() const { return m_version; }

  int RunCommand(HWND window, const std::string& commandLine, char* output, DWORD size);
  virtual int CheckArchive(const std::string& path, int mode);
  int GetFileCount(const std::string& path);
  virtual bool OpenArchive(HWND window, const std::string& path, DWORD mode);
  virtual int FindFirst(const std::string& wildcard, archiver::ArcItemInfo* info);
  int FindNext(archiver::ArcItemInfo* info);
  void CloseArchive();

  virtual std::string Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                              const ExtractOptions& options) = 0;
  virtual std::string BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const = 0;
  virtual std::string FormatName() const = 0;

  // What a format without self-extracting archives or editing answers, the
  // library untouched: no report, nothing renamed, not editable.
  virtual std::string MakeSfx(const ArchiveContext& ctx, const std::string& dest, int kind);
  virtual bool CanEdit() const { return false; }
  virtual std::string Delete(const ArchiveContext& ctx, const std::string& names);
  virtual bool Rename(const ArchiveContext& ctx, const std::string& oldName, const std::string& newName);

  const char* FileName() const { return m_fileName; }

 protected:
  // Binds what a handler needs beyond the eight; false makes the library absent.
  virtual bool BindExtras() { return true; }
  // The export named by the prefix and `suffix`, as the type Fn.
  template <typename Fn>
  Fn Bind(const char* suffix) const {
    return procAddress<Fn>(m_module, (std::string(m_prefix) + suffix).c_str());
  }
  // The bound functions; all null while absent.
  const archiver::Functions& Library() const { return m_library; }

  // Runs the command entry and returns its report (up to the first NUL), with
  // the result in *result when given. The library absent: "" and -1.
  std::string RunForOutput(HWND window, const std::string& commandLine, DWORD size, int* result = nullptr);
  // Writes `text` into the response file `fileName` in the temporary folder
  // (text mode: a line feed becomes CR LF), runs `commandLine` (or "@" and the
  // file's path when empty) with a 1 048 576-byte buffer, deletes the file
  // whatever happened, and returns the report.
  std::string RunWithResponseFile(HWND window, const char* fileName, const std::string& text,
                                  const std::string& commandLine = std::string());

 private:
  const char* m_fileName;
  const char* m_prefix;
  unsigned m_minVersion;
  HMODULE m_module = nullptr;
  DWORD m_version = 0;
  archiver::Functions m_library;
  archiver::ArchiveHandle m_handle = nullptr;  // the archive open for listing, if any
};

// The temporary folder, always ending in a backslash (a trail byte 5C of the
// last character does not count as one).
std::string TempFolder();
// The full path of a response file in the temporary folder.
std::string ResponseFilePath(const char* fileName);
