#include "cab/cab_folder_reader.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/error.h"

namespace fmt::cab {

FolderReader::FolderReader(const CabinetSet& set, size_t folder) : set_(set), folder_(folder) {
  const SetFolder& f = set.folders.at(folder);
  if (!f.missingBefore.empty())
    fail(ErrorKind::Truncated, "the folder starts in cabinet " + f.missingBefore + ", which is not there");
  decoder_ = makeDecoder(f.typeCompress);
  const FolderPart& p = f.parts.front();
  filePos_ = set.volumes[p.volume].cab.base + p.dataOffset;
}

// One CFDATA record's data at filePos_, its checksum checked.
void FolderReader::readPiece(const Volume& v, std::vector<uint8_t>& data, uint16_t& uncompressed) {
  uint8_t h[kDataSize];
  platform::File& f = *v.file;
  uint64_t size = f.size();
  if (filePos_ + kDataSize + v.cab.dataReserve > size) fail(ErrorKind::Truncated, "cabinet ends inside a data block");
  f.seek(filePos_);
  readExact(f, h, sizeof h, "a data block");
  uint32_t stored = get32(h);
  uint16_t packed = get16(h + 4);
  uncompressed = get16(h + 6);
  uint64_t at = filePos_ + kDataSize + v.cab.dataReserve;
  if (at + packed > size) fail(ErrorKind::Truncated, "cabinet ends inside a data block");
  size_t old = data.size();
  data.resize(old + packed);
  f.seek(at);
  readExact(f, data.data() + old, packed, "a data block");
  if (stored != 0) {
    uint32_t sum = checksum(h + 4, 4, checksum(data.data() + old, packed, 0));
    if (sum != stored) fail(ErrorKind::Checksum, "data block " + std::to_string(blockNumber_) + " fails its checksum");
  }
  filePos_ = at + packed;
}

bool FolderReader::nextBlock() {
  const SetFolder& f = set_.folders[folder_];
  while (part_ < f.parts.size() && blockInPart_ >= f.parts[part_].dataCount) {
    if (++part_ < f.parts.size()) {
      const FolderPart& p = f.parts[part_];
      filePos_ = set_.volumes[p.volume].cab.base + p.dataOffset;
      blockInPart_ = 0;
    }
  }
  if (part_ >= f.parts.size()) return false;
  in_.clear();
  uint16_t uncompressed = 0;
  readPiece(set_.volumes[f.parts[part_].volume], in_, uncompressed);
  blockInPart_++;
  // A block cut at the end of a part says 0 bytes; its rest opens the next part.
  while (uncompressed == 0 && blockInPart_ == f.parts[part_].dataCount) {
    if (part_ + 1 >= f.parts.size()) {
      if (!f.missingAfter.empty())
        fail(ErrorKind::Truncated, "the folder goes on in cabinet " + f.missingAfter + ", which is not there");
      break;
    }
    part_++;
    const FolderPart& p = f.parts[part_];
    filePos_ = set_.volumes[p.volume].cab.base + p.dataOffset;
    blockInPart_ = 0;
    if (p.dataCount == 0) continue;
    readPiece(set_.volumes[p.volume], in_, uncompressed);
    blockInPart_++;
  }
  if (uncompressed > kFrameSize) fail(ErrorKind::Corrupt, "data block of more than 32 KB");
  out_.resize(uncompressed);
  decoder_->decode(in_.data(), in_.size(), out_.data(), uncompressed);
  outAt_ = 0;
  blockNumber_++;
  return true;
}

size_t FolderReader::read(uint8_t* out, size_t n) {
  size_t done = 0;
  while (done < n) {
    if (outAt_ == out_.size()) {
      if (!nextBlock()) break;
      continue;
    }
    size_t k = std::min(n - done, out_.size() - outAt_);
    std::memcpy(out + done, out_.data() + outAt_, k);
    done += k, outAt_ += k;
  }
  position_ += done;
  return done;
}

void FolderReader::skip(uint64_t n) {
  while (n) {
    if (outAt_ == out_.size()) {
      if (!nextBlock()) {
        const SetFolder& f = set_.folders[folder_];
        if (!f.missingAfter.empty())
          fail(ErrorKind::Truncated, "the folder goes on in cabinet " + f.missingAfter + ", which is not there");
        fail(ErrorKind::Truncated, "folder ends before the file's data");
      }
      continue;
    }
    size_t k = static_cast<size_t>(std::min<uint64_t>(n, out_.size() - outAt_));
    outAt_ += k, n -= k, position_ += k;
  }
}

}  // namespace fmt::cab
