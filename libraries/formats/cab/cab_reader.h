// The Cabinet ArchiveReader: a cabinet set's files as entries, extracted by
// decoding their folder from its start, with the folder's decoder kept so that
// extracting every entry in order decodes each folder once.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cab/cab_folder_reader.h"
#include "cab/cab_set.h"
#include "core/archive.h"

namespace fmt::cab {

inline constexpr char kFormatName[] = "Cabinet";

class CabReader : public ArchiveReader {
 public:
  explicit CabReader(CabinetSet set);
  const char* formatName() const override { return kFormatName; }
  const std::vector<Entry>& entries() const override { return entries_; }
  void extract(size_t index, OutStream& out, const ProgressFn& progress = {}) override;
  const std::vector<std::string>& warnings() const override { return set_.warnings; }

  const CabinetSet& set() const { return set_; }

 private:
  CabinetSet set_;
  std::vector<Entry> entries_;
  std::unique_ptr<FolderReader> cached_;
};

// The stored name with '\' turned into '/', never inside a Shift-JIS character.
std::string entryName(const std::string& stored, bool utf8);

}  // namespace fmt::cab

namespace fmt {

// Null when the file is not a cabinet (self-extracting programs are searched); a reader otherwise.
std::unique_ptr<ArchiveReader> openCab(const std::string& path);

}  // namespace fmt
