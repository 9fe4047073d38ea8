// LHA archives through UNLHA32.DLL: the only handler that changes archives.
#pragma once
#include "archive_handler.h"

class CLhaHandler : public CArchiveHandler {
 public:
  CLhaHandler() : CArchiveHandler("UNLHA32.DLL", "Unlha", archiver::kMinVersionLha) {}

  std::string Extract(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                      const ExtractOptions& options) override;
  std::string MakeSfx(const ArchiveContext& ctx, const std::string& dest, int kind) override;
  std::string BuildWorkExtractCommand(const ArchiveContext& ctx, const std::string& names) const override;
  bool CanEdit() const override { return true; }
  // Asks first; "" when the user cancels (nothing written, nothing called).
  std::string Delete(const ArchiveContext& ctx, const std::string& names) override;
  bool Rename(const ArchiveContext& ctx, const std::string& oldName, const std::string& newName) override;
  std::string FormatName() const override { return IsPresent() ? "LHA" : ""; }

  // The command texts, apart from running them, so that they can be checked byte for byte.
  static std::string ExtractText(const ArchiveContext& ctx, const std::string& names, const std::string& dest,
                                 const ExtractOptions& options);
  static std::string SfxCommand(const ArchiveContext& ctx, const std::string& dest, int kind);
  static std::string DeleteText(const ArchiveContext& ctx, const std::string& names);
  static std::string RenameCommand(const ArchiveContext& ctx, const std::string& oldName, const std::string& newName);
};
