// a, u, f, d and n: changes to an archive, each written to a temporary file
// and put in place only when complete (the engine's update operations).
#include <algorithm>
#include <cstdio>

#include "item_info.h"
#include "lha_archive.h"
#include "lha_commands.h"
#include "lzh/lzh_update.h"
#include "operands.h"
#include "platform/platform.h"
#include "results.h"
#include "short_names.h"
#include "sjis_path.h"
#include "lzh/lzh_reader.h"

namespace unlha {

using namespace dllsupport;

namespace {

fmt::lzh::ItemProgressFn progressFn(Context& ctx) {
  return [&ctx](const std::string& name, uint64_t done, uint64_t total) {
    return !ctx.progress || ctx.progress->update(backslashSeparators(fromEngine(name)), done, total);
  };
}

// -t: the archive takes the time of its newest member.
void stampNewest(const std::string& utf8Path) {
  auto reader = fmt::openLzh(utf8Path);
  if (!reader) return;
  int64_t newest = 0;
  for (const auto& e : reader->entries()) newest = std::max(newest, e.mtime);
  reader.reset();
  if (newest > 0) fmt::platform::setMtime(utf8Path, newest);
}

void nameAll(Report& r, const char* label, const std::vector<std::string>& utf8Names) {
  for (const auto& n : utf8Names) r.file(label, backslashSeparators(fromEngine(n)));
}

// A new stored name from the suite (Shift-JIS, '\' or '/'): a bare name keeps the
// entry's folder. Roots and ".." are refused: a name must stay inside the archive.
std::string newStoredName(const std::string& sjisNew, const fmt::Entry& old) {
  std::string name = slashSeparators(sjisNew);
  if (name.empty() || name == "/") fmt::fail(fmt::ErrorKind::Usage, "empty new name");
  if (name[0] == '/' || (name.size() >= 2 && name[1] == ':'))
    fmt::fail(fmt::ErrorKind::Usage, "the new name must be relative: " + fmt::platform::sjisToUtf8(sjisNew));
  for (const auto& part : fmt::splitName(name, fmt::NameEncoding::ShiftJis))
    if (part == ".." || part == ".")
      fmt::fail(fmt::ErrorKind::Usage, "the new name must not hold . or ..: " + fmt::platform::sjisToUtf8(sjisNew));
  if (name.find('/') == std::string::npos) {
    const std::string oldName = matchName(old);
    const size_t slash = oldName.rfind('/');
    if (slash != std::string::npos) name = oldName.substr(0, slash + 1) + name;
  }
  return fmt::platform::sjisToUtf8(name);
}

}  // namespace

int addCommand(Context& ctx) {
  const auto& o = ctx.options;
  const std::string archive = toEnginePath(o.archive);
  SourceOptions so;
  so.recurse = o.recurse;
  so.keepFolders = o.keepFolders;
  so.allAttributes = o.allAttributes;
  std::vector<std::string> names = o.names;
  if (names.empty()) names.push_back("*.*");
  std::vector<std::string> left;
  std::vector<fmt::SourceItem> items = collectOperands(names, baseFolder(ctx), so, &left);
  // The archive never goes into itself.
  items.erase(std::remove_if(items.begin(), items.end(),
                             [&](const fmt::SourceItem& it) { return samePath(it.diskPath, archive); }),
              items.end());
  for (const auto& l : left) ctx.report.file("対象外", fromEngine(l));
  if (o.shortNames)
    for (auto& it : items) it.name = shortStoredName(it.diskPath, it.name);
  if (items.empty()) {
    ctx.report.line(describe(kNothingToDo));
    return kNothingToDo;
  }
  fmt::lzh::WriteOptions wo;
  wo.method = o.method;
  wo.headerLevel = o.headerLevel;
  const fmt::lzh::AddMode mode = o.command == 'u'   ? fmt::lzh::AddMode::Update
                                 : o.command == 'f' ? fmt::lzh::AddMode::Freshen
                                                    : fmt::lzh::AddMode::Replace;
  const fmt::lzh::UpdateReport r = fmt::lzh::addToArchive(archive, items, mode, wo, progressFn(ctx));
  nameAll(ctx.report, "追加しました", r.added);
  nameAll(ctx.report, "更新しました", r.replaced);
  nameAll(ctx.report, "追加しませんでした", r.skipped);
  if (o.newestTime && fmt::platform::stat(archive).exists) stampNewest(archive);
  char summary[128];
  std::snprintf(summary, sizeof summary, "追加 %zu 個、更新 %zu 個、対象外 %zu 個", r.added.size(), r.replaced.size(),
                r.skipped.size() + left.size());
  ctx.report.line(summary);
  return r.added.empty() && r.replaced.empty() ? kNothingToDo : kOk;
}

int deleteCommand(Context& ctx) {
  if (ctx.options.names.empty()) {
    ctx.report.line("削除するファイルを指定してください");
    return kBadCommand;
  }
  int result = kOk;
  auto reader = openForCommand(ctx, result);
  if (!reader) return result;
  const std::vector<size_t> picked = selectEntries(ctx, *reader);
  if (picked.empty()) {
    ctx.report.line(describe(kNoMatch));
    return kNoMatch;
  }
  std::vector<std::string> names;
  for (size_t i : picked) names.push_back(reportedName(reader->entries()[i]));
  reader.reset();  // the engine reopens the archive; the file must not stay open here
  fmt::lzh::deleteFromArchive(toEnginePath(ctx.options.archive), picked);
  for (const auto& n : names) ctx.report.file("削除しました", n);
  char summary[64];
  std::snprintf(summary, sizeof summary, "削除 %zu 個", names.size());
  ctx.report.line(summary);
  return kOk;
}

int renameCommand(Context& ctx) {
  const auto& o = ctx.options;
  if (o.names.size() != 1) {
    ctx.report.line("名前を変える書庫内のファイルを一つ指定してください");
    return kBadCommand;
  }
  int result = kOk;
  auto reader = openForCommand(ctx, result);
  if (!reader) return result;
  EntryMatcher matcher(o.names, true, o.caseSensitive);
  const auto& entries = reader->entries();
  size_t index = entries.size();
  for (size_t i = 0; i < entries.size() && index == entries.size(); ++i)
    if (matcher.whichMatches(matchName(entries[i])) >= 0) index = i;
  if (index == entries.size()) {
    ctx.report.file("該当するファイルがありません", o.names[0]);
    return kNoMatch;
  }
  const fmt::Entry old = entries[index];
  std::string sjisNew = o.newName;
  if (!o.hasNewName) {
    if (!ctx.window || o.noQuestions) {
      ctx.report.line("新しい名前を -gr で指定してください");
      return kBadCommand;
    }
    sjisNew = reportedName(old);
    if (!askText(ctx.window, "名前の変更", "新しい名前: " + reportedName(old), sjisNew)) {
      ctx.report.line(describe(kCancelled));
      return kCancelled;
    }
  }
  const std::string stored = newStoredName(sjisNew, old);
  reader.reset();
  fmt::lzh::renameInArchive(toEnginePath(o.archive), index, stored);
  ctx.report.line("名前を変更しました: " + reportedName(old) + " -> " + backslashSeparators(fromEngine(stored)));
  return kOk;
}

int runCommand(Context& ctx) {
  switch (ctx.options.command) {
    case 'e':
    case 'x':
    case 't': return extractCommand(ctx);
    case 'l':
    case 'v': return listCommand(ctx);
    case 'p': return printCommand(ctx);
    case 'a':
    case 'u':
    case 'f': return addCommand(ctx);
    case 'd': return deleteCommand(ctx);
    case 'n': return renameCommand(ctx);
    case 's': return sfxCommand(ctx);
    case 'c':
      ctx.report.line("注釈の設定には対応していません。書庫は変更していません");
      return kUnsupported;
  }
  return kBadCommand;
}

}  // namespace unlha
