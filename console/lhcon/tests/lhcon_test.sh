#!/usr/bin/env bash
# lhcon under Wine against the independent LHA programs: the usage text byte
# for byte, exit statuses, archives written by lhcon read by lhasa and jlha,
# theirs extracted by lhcon, names with blanks, a quoted program path.
# usage: lhcon_test.sh LHCON.EXE WINE-RUN
set -u
lhcon=$(readlink -f "$1")
wine_run=$(readlink -f "$2")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

run() { "$wine_run" "$lhcon" "$@"; }

# 1. Usage: no arguments, exit 0, the text exactly (Shift-JIS on the wire).
cat >expected.utf8 <<'USAGE'
lhcon - Command line Unlzh
 Using..
  lhcon [<ｺﾏﾝﾄﾞ>] [-<ｽｲｯﾁ>...] <LzhName>[.LZH] [<BasePath>\] [<FileName>...]

ｺﾏﾝﾄﾞ
  a: ﾌｧｲﾙを追加          u: 新ﾌｧｲﾙを追加        c: 注釈を入れる
  f: ﾌｧｲﾙを更新          d: ﾌｧｲﾙの削除          p: ﾌｧｲﾙの閲覧
  e: ﾌｧｲﾙを復元          x: ﾌｫﾙﾀﾞ付きでﾌｧｲﾙを復元
  l: 書庫の一覧表示      v: 書庫の一覧表示（ﾌｫﾙﾀﾞ付）
  s: 自己解凍書庫の作成  t: 書庫の検査
ｵﾌﾟｼｮﾝ
  r: ｻﾌﾞﾌｫﾙﾀﾞも検索               w: 作業ﾌｫﾙﾀﾞの指定
  x: ﾌｫﾙﾀﾞ名を有効にする          m: 問い合わせをしない
  p: 名前の比較を厳密に行う       c: 日時照合を行わない
  a: 全属性を凍結の対象とする     z: 無圧縮格納
  t: 書庫の時刻を最新のﾌｧｲﾙに     h: ﾍｯﾀﾞ形式
  o: LHarc 互換形式で格納         n: 経過表示をしない
  i: 大文字／小文字を区別         l: 経過表示のﾌｧｲﾙ名表示を長く
  s: 非解凍時の表示をしない
USAGE
iconv -f UTF-8 -t CP932 expected.utf8 >expected.sjis
run >usage.out 2>usage.err
status=$?
[ $status -eq 0 ] || fail "usage exit status $status"
cmp -s usage.out expected.sjis || fail "usage text differs: $(cmp usage.out expected.sjis 2>&1)"
[ "$(wc -l <usage.out)" -eq 19 ] || fail "usage has $(wc -l <usage.out) line ends, expected 19"

# 2. lhcon writes, lhasa and jlha read: names with blanks and folders.
mkdir -p "src/dir with blank"
printf 'first file\n' >"src/a b.txt"
seq 1 20000 >"src/dir with blank/numbers.txt"
head -c 70000 /dev/urandom >"src/dir with blank/random.bin"
(cd src && "$wine_run" "$lhcon" a -x -r2 -jm3 "..\\made by lhcon.lzh" "a b.txt" "dir with blank") >add.out 2>add.err
status=$?
[ $status -eq 0 ] || fail "add exit status $status: $(iconv -f CP932 -t UTF-8 add.out)"
[ -s add.err ] && fail "standard error is not empty: $(cat add.err)"
grep -q "a b.txt" add.out || fail "the report does not name a b.txt"
if command -v lhasa >/dev/null; then
  lhasa t "made by lhcon.lzh" >lhasa-t.out 2>&1 || fail "lhasa t: $(cat lhasa-t.out)"
  mkdir lhasa-out && (cd lhasa-out && lhasa xq "../made by lhcon.lzh") || fail "lhasa x"
  diff -r src lhasa-out >/dev/null || fail "lhasa extracted something else than was added"
else
  echo "SKIP: lhasa not installed"
fi
if command -v jlha >/dev/null; then
  mkdir jlha-out && (cd jlha-out && jlha x "../made by lhcon.lzh" >/dev/null 2>&1) || fail "jlha x"
  diff -r src jlha-out >/dev/null || fail "jlha extracted something else than was added"
  # 3. jlha writes, lhcon extracts.
  (cd src && jlha a "../made by jlha.lzh" "a b.txt" "dir with blank/numbers.txt" "dir with blank/random.bin" >/dev/null 2>&1) ||
    fail "jlha a"
  run x "made by jlha.lzh" "from jlha\\" >x.out 2>&1 || fail "lhcon x of jlha's archive: $(iconv -f CP932 -t UTF-8 x.out)"
  diff -r src "from jlha" >/dev/null || fail "lhcon extracted jlha's archive differently"
else
  echo "SKIP: jlha not installed"
fi

# 4. Exit statuses: the library's result (the shell sees its low byte).
run l "no such archive.lzh" >missing.out 2>&1
status=$?
[ $status -eq 2 ] || fail "missing archive: exit status $status, expected 0x8002's low byte 2"
printf 'plain text' >plain.lzh
run l plain.lzh >/dev/null 2>&1
status=$?
[ $status -eq 3 ] || fail "not an archive: exit status $status, expected 3"
run t "made by lhcon.lzh" >/dev/null 2>&1 || fail "lhcon t of its own archive"

# 5. A program path with blanks, quoted on the command line by Wine.
mkdir "bin with blank"
cp "$lhcon" "$(dirname "$lhcon")/UNLHA32.DLL" "bin with blank/"
"$wine_run" "bin with blank/lhcon.exe" v "made by lhcon.lzh" >quoted.out 2>&1 || fail "quoted program path: $(iconv -f CP932 -t UTF-8 quoted.out)"
grep -q 'dir with blank\\numbers.txt' quoted.out || fail "quoted program path: listing lacks the file"

[ $failures -eq 0 ] && echo "all lhcon checks passed"
exit $((failures > 0))
