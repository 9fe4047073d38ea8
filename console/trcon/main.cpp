// trcon: the tar library's command entry from a console. Everything but the
// usage text is the library's: its report goes to standard output unchanged.
// The exit status is 0 whatever the library returned.
#include <windows.h>

#include <type_traits>

#include "archiver.h"
#include "console_main.h"

// Imported by name and bound when the program loads (tar32_import.def).
extern "C" std::remove_pointer_t<archiver::CommandFn> Tar;

namespace {

// Line 18 begins with an ideographic space (U+3000), not blanks.
const char kUsage[] =
    "trcon - Command line Tar\n"
    " Using..\n"
    " tar [-]{c|r|x|t|k}[v][a][M][i][I][e][n][z[N]][P{9|F|A}][f ARCH][b N]\n"
    "       [N DATE][o PATH][PATH\\] file...  #rule-file  @list-file\n"
    "  trcon [-<ｺﾏﾝﾄﾞ>] [-<ｽｲｯﾁ>...] <TarName> [<BasePath>\\] [<FileName>...]\n"
    "\n"
    "ｺﾏﾝﾄﾞ\n"
    "  c: ｱｰｶｲﾌﾞを作成\n"
    "  r: ｱｰｶｲﾌﾞに追加(非圧縮のみ)\n"
    "  x: ｱｰｶｲﾌﾞ内のﾌｧｲﾙを展開\n"
    "  t: ｱｰｶｲﾌﾞ内のﾌｧｲﾙ一覧表示\n"
    "  k: ｱｰｶｲﾌﾞ内のﾌｧｲﾙを比較\n"
    "\n"
    "ｽｲｯﾁ\n"
    "  a:      ASCIIﾌｧｲﾙと見なす       i:      一覧表示時展開障害ﾌｧｲﾙ名をﾘﾎﾟｰﾄ\n"
    "  A[A|H]: ﾌｧｲﾙ属性を指定          l:      展開時属性無視\n"
    "  B[N]:   ﾚﾍﾞﾙNでbzip2圧縮        M:      ﾏﾙﾁﾎﾞﾘｭｰﾑ\n"
    "  b N:    ﾌﾞﾛｯｷﾝｸﾞﾌｧｸﾀを指定      n:      出力抑止\n"
    "  e:      EUC->SJIS変換           N DATE: DATE以降の日付のﾌｧｲﾙのみを処理\n"
    "\u3000f ARCH: ｱｰｶｲﾌﾞﾌｧｲﾙ名            p:      標準出力に出力\n"
    "  g:      GNUtar互換ﾍｯﾀﾞ          q:      展開時上書きしない\n"
    "  o PATH: 展開先の指定            E:      書込ﾃﾞｰﾀのﾍﾞﾘﾌｧｲを実行\n"
    "  z[N]:   ﾚﾍﾞﾙNでgzip圧縮         R:      読み取り専用属性を無視\n";

}  // namespace

int main(int argc, char**) { return RunConsole(argc, Tar, kUsage, sizeof kUsage - 1, ConsoleExit::AlwaysZero); }
