// Cabinet archives through CAB32.DLL. Every command goes directly as the command line.
#pragma once
#include "archive_handler.h"

class CCabHandler : public CArchiveHandler {
 public:
  CCabHandler() : CArchiveHandler("CAB32.DLL", "Cab", archiver::kMinVersionCab) {}

  std::string Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                      const ExtractOptions& options) override;
  // The kind plays no part for cabinets.
  std::string MakeSfx(const ArchiveContext& ctx, const std::string& dest, int kind) override;
  std::string BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const override;
  std::string FormatName() const override { return IsPresent() ? "Cab" : ""; }

  static std::string ExtractCommand(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                    const ExtractOptions& options);
  static std::string SfxCommand(const ArchiveContext& ctx, const std::string& dest);
};
