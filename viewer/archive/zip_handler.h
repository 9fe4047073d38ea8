// ZIP archives through UNZIP32.DLL: only the names travel in the response file.
#pragma once
#include "archive_handler.h"

class CZipHandler : public CArchiveHandler {
 public:
  CZipHandler() : CArchiveHandler("UNZIP32.DLL", "UnZip", archiver::kMinVersionZip) {}

  std::string Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                      const ExtractOptions& options) override;
  std::string BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const override;
  std::string FormatName() const override { return IsPresent() ? "Zip" : ""; }

  static std::string ExtractCommand(const ArchiveContext& ctx, const std::string& dest, const ExtractOptions& options,
                                    const std::string& responseFile);
};
