#include "clipboard_files.h"

#include <windows.h>
#include <ole2.h>

#include <algorithm>
#include <fstream>

#include "file_list_block.h"
#include "ole_data_source.h"
#include "sjis.h"

namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return sjis::equalNoCase(n, name); });
}

void DeleteWorkFile(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

std::vector<std::string> ReadRecord(const std::string& path) {
  std::vector<std::string> names;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Only bare file names: a record edited to name "..\x" or "C:\x" deletes nothing.
    if (!line.empty() && line.find_first_of("\\/:") == std::string::npos && line != "." && line != "..")
      names.push_back(line);
  }
  return names;
}

void WriteRecord(const std::string& path, const std::vector<std::string>& names) {
  if (names.empty()) {
    DeleteFileA(path.c_str());
    return;
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const std::string& n : names) out << n << "\r\n";
}

// The paths the clipboard offers as a file list now.
std::vector<std::string> ClipboardPaths() {
  IDataObject* data = nullptr;
  if (FAILED(OleGetClipboard(&data)) || !data) return {};
  std::vector<std::string> paths = FileListOf(data);
  data->Release();
  return paths;
}

}  // namespace

const char* CClipboardFiles::RecordName() { return "Dexlor clipboard files.txt"; }

CClipboardFiles::~CClipboardFiles() { Drop(); }

void CClipboardFiles::Drop() {
  if (m_source) m_source->Release();
  m_source = nullptr;
  m_names.clear();
}

void CClipboardFiles::Hold(COleDataSource* source, const std::vector<std::string>& names,
                           const std::string& workFolder) {
  // The clipboard no longer offers the files of an earlier copy that are not
  // in this one, and no load may come to delete them: they go now.
  for (const std::string& n : m_names)
    if (!Contains(names, n)) DeleteWorkFile(workFolder + n);
  if (m_source) m_source->Release();
  m_source = source;
  if (m_source) m_source->AddRef();
  m_names = names;
}

bool CClipboardFiles::Offers(const std::string& name) const { return m_source && Contains(m_names, name); }

bool CClipboardFiles::ForgetIfReplaced(const std::string& workFolder) {
  if (!m_source) return false;
  if (m_source->IsOnClipboard()) return true;
  for (const std::string& n : m_names) DeleteWorkFile(workFolder + n);
  Drop();
  return false;
}

void CClipboardFiles::AtExit(const std::string& workFolder) {
  if (!m_source) return;
  if (!m_source->IsOnClipboard()) {
    ForgetIfReplaced(workFolder);
    return;
  }
  // The data object dies with the process: hand the blocks to the system first.
  OleFlushClipboard();
  const std::string record = workFolder + RecordName();
  std::vector<std::string> names = ReadRecord(record);  // another instance's, perhaps
  for (const std::string& n : m_names)
    if (!Contains(names, n)) names.push_back(n);
  WriteRecord(record, names);
  Drop();
}

void CClipboardFiles::CleanUpAtStart(const std::string& workFolder) {
  const std::string record = workFolder + RecordName();
  std::vector<std::string> names = ReadRecord(record);
  if (names.empty()) {
    DeleteFileA(record.c_str());
    return;
  }
  const std::vector<std::string> offered = ClipboardPaths();
  std::vector<std::string> kept;
  for (const std::string& n : names) {
    if (Contains(offered, workFolder + n))
      kept.push_back(n);
    else
      DeleteWorkFile(workFolder + n);
  }
  WriteRecord(record, kept);
}
