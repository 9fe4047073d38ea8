// `arctool create tar|tgz[:1..9]|tbz[:1..9]|taz|gz[:1..9]|bz2[:1..9]|Z ARCHIVE FILE...`.
// gz, bz2 and Z compress exactly one file.
#include <filesystem>
#include <system_error>

#include "base/error.h"
#include "create_registry.h"
#include "platform/platform.h"
#include "tar/tar_writer.h"

namespace {

namespace fs = std::filesystem;

// "tgz" alone is level 6 as gzip's own default, "tbz" level 9 as bzip2's.
fmt::tar::TarWriteOptions optionsFor(const std::string& format, bool& single) {
  const size_t colon = format.find(':');
  const std::string kind = format.substr(0, colon);
  fmt::tar::TarWriteOptions o;
  single = kind == "gz" || kind == "bz2" || kind == "Z";
  if (kind == "tgz" || kind == "gz") {
    o.compression = fmt::tar::Filter::Gzip;
    o.level = 6;
  } else if (kind == "tbz" || kind == "bz2") {
    o.compression = fmt::tar::Filter::Bzip2;
    o.level = 9;
  } else if (kind == "taz" || kind == "Z") {
    o.compression = fmt::tar::Filter::Compress;
  } else if (kind != "tar") {
    fmt::fail(fmt::ErrorKind::Usage, "unknown tar format " + format);
  }
  if (colon != std::string::npos) {
    const std::string level = format.substr(colon + 1);
    const bool levelled = o.compression == fmt::tar::Filter::Gzip || o.compression == fmt::tar::Filter::Bzip2;
    if (!levelled || level.size() != 1 || level[0] < '1' || level[0] > '9')
      fmt::fail(fmt::ErrorKind::Usage, "unknown tar format " + format + " (levels 1 to 9 for tgz, tbz, gz, bz2)");
    o.level = level[0] - '0';
  }
  return o;
}

// collectSources leaves symbolic links out; a tar keeps the ones inside the
// folders it stores, as links.
std::vector<fmt::tar::LinkItem> linksInside(const std::vector<fmt::SourceItem>& items) {
  std::vector<fmt::tar::LinkItem> links;
  for (const fmt::SourceItem& item : items) {
    if (!item.isFolder) continue;
    std::error_code ec;
    for (const auto& child : fs::directory_iterator(item.diskPath, ec)) {
      if (!child.is_symlink(ec)) continue;
      fmt::tar::LinkItem link;
      link.name = item.name + "/" + child.path().filename().string();
      link.target = fs::read_symlink(child.path(), ec).string();
      if (ec) continue;
      link.mtime = fmt::platform::stat(child.path().string()).mtime;
      links.push_back(std::move(link));
    }
  }
  return links;
}

int createTar(const std::string& format, const std::string& archive, const std::vector<fmt::SourceItem>& items) {
  bool single = false;
  const fmt::tar::TarWriteOptions options = optionsFor(format, single);
  if (single) {
    if (items.size() != 1 || items[0].isFolder)
      fmt::fail(fmt::ErrorKind::Usage, format + " compresses exactly one file");
    fmt::tar::writeCompressedFile(archive, items[0], options);
  } else {
    fmt::tar::writeTarArchive(archive, items, linksInside(items), options);
  }
  return 0;
}

arctool::CreateRegistrar tarRegistrar("tar", createTar);
arctool::CreateRegistrar tgzRegistrar("tgz", createTar);
arctool::CreateRegistrar tbzRegistrar("tbz", createTar);
arctool::CreateRegistrar tazRegistrar("taz", createTar);
arctool::CreateRegistrar gzRegistrar("gz", createTar);
arctool::CreateRegistrar bz2Registrar("bz2", createTar);
arctool::CreateRegistrar zRegistrar("Z", createTar);

}  // namespace
