// lhcon: the LHA library's command entry from a console. Everything but the
// usage text is the library's: its report goes to standard output unchanged
// and its result is the exit status.
#include <windows.h>

#include <type_traits>

#include "archiver.h"
#include "console_main.h"

// Imported by ordinal 1 and bound when the program loads (unlha32_import.def),
// so it has the command entry's type rather than a pointer bound at run time.
extern "C" std::remove_pointer_t<archiver::CommandFn> Unlha;

namespace {


const char kUsage[] =
    "lhcon - Command line Unlzh\n"
    " Using..\n"
    "  lhcon [<ｺﾏﾝﾄﾞ>] [-<ｽｲｯﾁ>...] <LzhName>[.LZH] [<BasePath>\\] [<FileName>...]\n"
    "\n"
    "ｺﾏﾝﾄﾞ\n"
    "  a: ﾌｧｲﾙを追加          u: 新ﾌｧｲﾙを追加        c: 注釈を入れる\n"
    "  f: ﾌｧｲﾙを更新          d: ﾌｧｲﾙの削除          p: ﾌｧｲﾙの閲覧\n"
    "  e: ﾌｧｲﾙを復元          x: ﾌｫﾙﾀﾞ付きでﾌｧｲﾙを復元\n"
    "  l: 書庫の一覧表示      v: 書庫の一覧表示（ﾌｫﾙﾀﾞ付）\n"
    "  s: 自己解凍書庫の作成  t: 書庫の検査\n"
    "ｵﾌﾟｼｮﾝ\n"
    "  r: ｻﾌﾞﾌｫﾙﾀﾞも検索               w: 作業ﾌｫﾙﾀﾞの指定\n"
    "  x: ﾌｫﾙﾀﾞ名を有効にする          m: 問い合わせをしない\n"
    "  p: 名前の比較を厳密に行う       c: 日時照合を行わない\n"
    "  a: 全属性を凍結の対象とする     z: 無圧縮格納\n"
    "  t: 書庫の時刻を最新のﾌｧｲﾙに     h: ﾍｯﾀﾞ形式\n"
    "  o: LHarc 互換形式で格納         n: 経過表示をしない\n"
    "  i: 大文字／小文字を区別         l: 経過表示のﾌｧｲﾙ名表示を長く\n"
    "  s: 非解凍時の表示をしない\n";

}  // namespace

int main(int argc, char**) { return RunConsole(argc, Unlha, kUsage, sizeof kUsage - 1, ConsoleExit::LibraryResult); }
