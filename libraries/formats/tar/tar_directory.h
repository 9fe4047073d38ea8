// Reading the headers of a tar archive into entries: one pass over the decoded
// stream, with GNU long names, pax records and sparse maps applied.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/entry.h"
#include "base/error.h"
#include "tar/tar_input.h"
#include "tar/tar_sparse.h"

namespace fmt::tar {

constexpr size_t kMaxEntries = 1 << 20;

// Where an entry's data lies in the decoded stream, and what was wrong with it.
struct Item {
  uint64_t dataOffset = 0;
  uint64_t storedSize = 0;  // bytes of data stored (for sparse files, the chunks only)
  bool sparse = false;
  SparseMap map;
  std::string problem;  // set when the entry cannot be extracted
  ErrorKind problemKind = ErrorKind::Corrupt;
};

struct Directory {
  std::vector<Entry> entries;
  std::vector<Item> items;
  std::vector<std::string> warnings;
};

class DirectoryScanner;

// The members one after another from where `in` stands (the start of the
// archive), for a reader that extracts while it reads.
class DirectoryWalk {
 public:
  DirectoryWalk(DecodedInput& in, std::vector<std::string>& warnings);
  ~DirectoryWalk();
  // The next member; `in` then stands at its data (a sparse map already read).
  // Its data is passed at the next call when the caller did not read it.
  // False at the end of the archive; a warning says why when it ended early.
  bool next(Entry& e, Item& it);
  // Goes past the data of the member next() gave last; false when the archive
  // ends inside it (`last` then records why it cannot be extracted).
  bool passData(Item& last);
  // Whether a warning so far said something may be missing (not merely data
  // after the end).
  bool damaged() const;

 private:
  std::unique_ptr<DirectoryScanner> scanner_;
};

// Reads from the start of `in`. Damage ends the listing with a warning; what
// was read before it stays.
void readDirectory(DecodedInput& in, Directory& dir);

}  // namespace fmt::tar
