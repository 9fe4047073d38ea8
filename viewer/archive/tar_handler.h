// tar archives and single compressed files through TAR32.DLL. Asks the library
// for the kind at open, shields the format check against failures inside the
// library, and cuts the folder part off the first listed name.
#pragma once
#include "archive_handler.h"

class CTarHandler : public CArchiveHandler {
 public:
  CTarHandler() : CArchiveHandler("TAR32.DLL", "Tar", archiver::kMinVersionTar) {}

  int CheckArchive(const std::string& path, int mode) override;
  bool OpenArchive(HWND window, const std::string& path, DWORD mode) override;
  int FindFirst(const std::string& wildcard, archiver::ArcItemInfo* info) override;
  std::string Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                      const ExtractOptions& options) override;
  std::string BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const override;
  // By the kind of the last opened archive, whether or not the library is present.
  std::string FormatName() const override;

  static std::string ExtractText(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                 const ExtractOptions& options);

 protected:
  bool BindExtras() override;

 private:
  int m_archiveType = -1;  // the library's kind of the archive opened last
  archiver::GetArchiveTypeFn m_getArchiveType = nullptr;
};
