// Files copied to the clipboard live in the work folder, which a new load and
// the program's end empty. So that a paste still finds them, the files the
// clipboard offers are kept for as long as it offers them: past a new load
// (they go at the first load after the clipboard changed), and past the
// program's end, when the clipboard's data is handed over to the system and
// the names are recorded in the work folder; the next start deletes those the
// clipboard no longer offers.
#pragma once
#include <string>
#include <vector>

class COleDataSource;

class CClipboardFiles {
 public:
  CClipboardFiles() = default;
  ~CClipboardFiles();
  CClipboardFiles(const CClipboardFiles&) = delete;
  CClipboardFiles& operator=(const CClipboardFiles&) = delete;

  // `source` was put on the clipboard offering these work-folder file names.
  void Hold(COleDataSource* source, const std::vector<std::string>& names, const std::string& workFolder);
  // Deletes the held files once the clipboard holds something else; true
  // while it still holds our source.
  bool ForgetIfReplaced(const std::string& workFolder);
  // True when the held source offers `name` (a work-folder file name).
  bool Offers(const std::string& name) const;
  // At the program's end: while the clipboard still holds our source, its data
  // is handed to the system and the names recorded for the next start.
  void AtExit(const std::string& workFolder);

  // At start: deletes the recorded files the clipboard no longer offers.
  static void CleanUpAtStart(const std::string& workFolder);
  // The record's file name in the work folder.
  static const char* RecordName();

 private:
  void Drop();
  COleDataSource* m_source = nullptr;
  std::vector<std::string> m_names;
};
