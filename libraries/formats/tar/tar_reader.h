// The tar reader behind fmt::openTar: plain tar, tar inside gzip, compress (.Z)
// or bzip2, and a single compressed file shown as one entry.
#pragma once
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "core/archive.h"
#include "tar/tar_directory.h"
#include "tar/tar_filters.h"
#include "tar/tar_input.h"

namespace fmt::tar {

inline constexpr char kFormatName[] = "tar";

// The archive kinds as the tar library reports them.
enum class TarKind { Tar = 1, TarGz = 2, TarZ = 3, Gz = 4, Z = 5, TarBz2 = 6, Bz2 = 7 };

// Listing reads every header (and decodes a compressed archive to its end) when
// opened; a walk reads the headers as extraction goes (ArchiveReader::readMore).
enum class Opening { Listing, ForWalk };

class TarReader : public ArchiveReader {
 public:
  // Null when the source is neither a tar archive nor gzip, compress or bzip2
  // data. `fileName` names a single compressed file without a stored name;
  // `fileMtime` stamps it when the data has no stamp of its own.
  // With ForWalk a single compressed file's size and check value are known
  // only once it was extracted.
  static std::unique_ptr<TarReader> open(std::unique_ptr<ByteSource> src, const std::string& fileName,
                                         int64_t fileMtime = 0, Opening opening = Opening::Listing);
  ~TarReader() override;

  const char* formatName() const override { return kFormatName; }
  const std::vector<Entry>& entries() const override { return dir_.entries; }
  void extract(size_t index, OutStream& out, const ProgressFn& progress = {}) override;
  const std::vector<std::string>& warnings() const override { return dir_.warnings; }
  bool readMore() override;
  // A walk: whether the archive turned out damaged on the way (entries or data
  // may be missing; warnings() says what). False before anything was found.
  bool damaged() const { return streamDamaged_ || (walk_ && walk_->damaged()); }
  // Names (and link targets) that are EUC-JP are given as Shift-JIS from now
  // on, those listed already included; others stay as detected.
  void readNamesAsEucJp();

  TarKind kind() const { return kind_; }
  // The offset in the decoded stream after the last member's data (its
  // padding included): where members can be appended. 0 when there are none.
  uint64_t membersEnd() const;
  Filter filter() const { return input_->filter(); }

 private:
  TarReader(std::unique_ptr<ByteSource> src, Filter filter);
  void readSingleFile(const std::string& fileName, int64_t fileMtime);
  void describeSingleFile(Entry& e, const std::string& fileName, int64_t fileMtime);
  size_t lastDataIndex() const;
  void extractSingleInWalk(Entry& e, OutStream& out, const ProgressFn& progress);
  void scanOne();
  void lookPastData();
  void damagedStream(const Error& e);
  void convertName(Entry& e) const;

  std::unique_ptr<ByteSource> src_;
  std::unique_ptr<DecodedInput> input_;
  Directory dir_;
  TarKind kind_ = TarKind::Tar;
  bool single_ = false;
  bool walking_ = false;
  // A walk: headers read ahead of the entries handed out, so that the last
  // entry with data also verifies the stream's end.
  std::unique_ptr<DirectoryWalk> walk_;
  std::deque<std::pair<Entry, Item>> ahead_;
  bool walkEnded_ = false;
  bool tailChecked_ = false;
  bool streamDamaged_ = false;
  bool eucJpNames_ = false;
};

// The kind of a reader that openTar (or openArchive) gave; 0 for other formats.
int tarArchiveKind(const ArchiveReader& reader);

// A single compressed file's entry name when the data stores none: the file
// name without its folder and its compression extension (".tgz" gives ".tar").
std::string singleFileName(const std::string& archivePath);

}  // namespace fmt::tar

namespace fmt {

// Null when the file is not a tar archive; a reader otherwise.
std::unique_ptr<ArchiveReader> openTar(const std::string& path);
// The same opened for one walk (ArchiveReader::readMore): only the start is read.
std::unique_ptr<ArchiveReader> openTarForWalk(const std::string& path);

}  // namespace fmt
