// cbcon: the Cabinet library's command entry from a console. Everything but
// the usage text is the library's: its report goes to standard output
// unchanged. The exit status is 0 whatever the library returned.
#include <windows.h>

#include <type_traits>

#include "archiver.h"
#include "console_main.h"

// Imported by ordinal 1 and bound when the program loads (cab32_import.def).
extern "C" std::remove_pointer_t<archiver::CommandFn> Cab;

namespace {


// Lines 16 and 19-20 carry ideographic spaces (U+3000), not blanks.
const char kUsage[] =
    "cbcon - Command line Cab\n"
    " Using..\n"
    "  cbcon [-<ｺﾏﾝﾄﾞ>] [-<ｽｲｯﾁ>...] <CabName>[.CAB] [<BasePath>\\] [<FileName>...]\n"
    "\n"
    "ｺﾏﾝﾄﾞ\n"
    "  a: ｷｬﾋﾞﾈｯﾄを作成\n"
    "  x: ｷｬﾋﾞﾈｯﾄ内のﾌｧｲﾙを展開\n"
    "  l: ｷｬﾋﾞﾈｯﾄの内容の一覧出力\n"
    "  t: ｷｬﾋﾞﾈｯﾄの検査\n"
    "  f: 自己解凍形式ｷｬﾋﾞﾈｯﾄの作成\n"
    "\n"
    "ｵﾌﾟｼｮﾝ\n"
    "  r:      サブフォルダも検索\n"
    "  j:      フォルダを無視して解凍\n"
    "  i:      サイレントモード\n"
    "  n:      新しいファイルのみ解凍\n"
    "  o:      無条件に上書き解凍\n"
    "\u3000v:<nnn> ﾏﾙﾁﾎﾞﾘｭｰﾑｷｬﾋﾞﾈｯﾄの作成\n"
    "  k:      ﾏﾙﾁﾎﾞﾘｭｰﾑｷｬﾋﾞﾈｯﾄの連続解凍\n"
    "  m:      圧縮方式の指定\n"
    "          -mz\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000MSZIP形式\n"
    "          -ml[:nn] 15≦nn≦21\u3000LZX形式\n";

}  // namespace

int main(int argc, char**) { return RunConsole(argc, Cab, kUsage, sizeof kUsage - 1, ConsoleExit::AlwaysZero); }
