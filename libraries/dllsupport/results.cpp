#include "results.h"

namespace dllsupport {

Result resultFor(fmt::ErrorKind kind) {
  switch (kind) {
    case fmt::ErrorKind::Io: return kIoError;
    case fmt::ErrorKind::Corrupt:
    case fmt::ErrorKind::Truncated: return kDamaged;
    case fmt::ErrorKind::Checksum: return kCrcError;
    case fmt::ErrorKind::Unsupported: return kUnsupported;
    case fmt::ErrorKind::Cancelled: return kCancelled;
    case fmt::ErrorKind::Usage: return kBadCommand;
    case fmt::ErrorKind::Password: return kPassword;
  }
  return kInternal;
}

const char* describe(Result r) {
  switch (r) {
    case kOk: return "正常終了";
    case kBadCommand: return "コマンド行の誤り";
    case kArchiveNotFound: return "書庫が見つかりません";
    case kNotArchive: return "書庫ではありません";
    case kDamaged: return "書庫が壊れています";
    case kCrcError: return "CRC エラー";
    case kIoError: return "読み書きに失敗しました";
    case kCancelled: return "中止しました";
    case kNoMatch: return "該当するファイルがありません";
    case kNothingToDo: return "処理するファイルがありません";
    case kUnsupported: return "未対応の機能です";
    case kSkipped: return "一部のファイルを処理しませんでした";
    case kInternal: return "内部エラー";
    case kBadHandle: return "無効なハンドルです";
    case kPassword: return "パスワードがないか、違います";
  }
  return "エラー";
}

}  // namespace dllsupport
