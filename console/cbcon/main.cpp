// cbcon: the Cabinet library's command entry from a console. Everything but
// the usage text is the library's: its report goes to standard output
// unchanged. The exit status is 0 whatever the library returned.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "archiver.h"

// Imported by ordinal 1 and bound when the program loads (cab32_import.def).
extern "C" std::remove_pointer_t<archiver::CommandFn> Cab;

namespace {

constexpr DWORD kBufferSize = 1048576;

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

void writeOut(const char* data, size_t size) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(out, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) return;
    data += written;
    size -= written;
  }
}

// The command line without the program name as written (quotes included) and
// the one character after it.
const char* commandText(const char* line) {
  const char* p = line;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t') ++p;
  }
  if (*p) ++p;
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  (void)argv;
  if (argc < 2) {
    writeOut(kUsage, sizeof kUsage - 1);
    return 0;
  }
  char* buffer = static_cast<char*>(std::calloc(kBufferSize, 1));
  if (!buffer) return 0;
  Cab(nullptr, commandText(GetCommandLineA()), buffer, kBufferSize);
  writeOut(buffer, strnlen(buffer, kBufferSize));
  std::free(buffer);
  return 0;
}
