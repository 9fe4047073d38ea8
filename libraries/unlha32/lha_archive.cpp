#include "lha_archive.h"

#include "archive_commands.h"
#include "lzh/lzh_reader.h"

namespace unlha {

std::unique_ptr<fmt::ArchiveReader> openForCommand(Context& ctx, int& result) {
  return dllsupport::openForCommand(ctx.report, ctx.options.archive, &fmt::openLzh,
                                    {"書庫が見つかりません", "LZH 書庫ではありません"}, result);
}

std::vector<size_t> selectEntries(Context& ctx, const fmt::ArchiveReader& reader) {
  return dllsupport::selectEntries(ctx.report, reader, ctx.options.names, ctx.options.wholePath,
                                   ctx.options.caseSensitive);
}

std::string baseFolder(const Context& ctx) { return dllsupport::destinationFolder(ctx.options.base); }

}  // namespace unlha
