#!/usr/bin/env bash
# cbcon under Wine against the independent Cabinet programs: the usage text
# byte for byte, exit status 0 always, every valid cabinet of the shared corpus
# extracted as cabextract extracts it, cabinets cbcon writes (each method, LZX
# 15 and 21, stored, empty files, Shift-JIS names, folders) extracted by
# cabextract as they were, gcab's cabinet extracted by cbcon, a quoted program path.
# usage: cbcon_test.sh CBCON.EXE WINE-RUN
set -u
cbcon=$(readlink -f "$1")
wine_run=$(readlink -f "$2")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

run() { "$wine_run" "$cbcon" "$@"; }
# The Windows form of an absolute Linux path (Wine's Z: drive is /).
winpath() { local p; p=$(readlink -f "$1"); printf 'Z:%s' "${p//\//\\}"; }
utf8() { iconv -f CP932 -t UTF-8 "$1" 2>/dev/null || cat "$1"; }
# Contents only, by checksum: for cabinets whose names we read in another encoding.
sums() { (cd "$1" && find . -type f -exec md5sum {} + | cut -d' ' -f1 | sort); }

# 1. Usage: no arguments, exit 0, the text exactly (Shift-JIS on the wire).
cat >expected.utf8 <<'USAGE'
cbcon - Command line Cab
 Using..
  cbcon [-<ｺﾏﾝﾄﾞ>] [-<ｽｲｯﾁ>...] <CabName>[.CAB] [<BasePath>\] [<FileName>...]

ｺﾏﾝﾄﾞ
  a: ｷｬﾋﾞﾈｯﾄを作成
  x: ｷｬﾋﾞﾈｯﾄ内のﾌｧｲﾙを展開
  l: ｷｬﾋﾞﾈｯﾄの内容の一覧出力
  t: ｷｬﾋﾞﾈｯﾄの検査
  f: 自己解凍形式ｷｬﾋﾞﾈｯﾄの作成

ｵﾌﾟｼｮﾝ
  r:      サブフォルダも検索
  j:      フォルダを無視して解凍
  i:      サイレントモード
  n:      新しいファイルのみ解凍
  o:      無条件に上書き解凍
　v:<nnn> ﾏﾙﾁﾎﾞﾘｭｰﾑｷｬﾋﾞﾈｯﾄの作成
  k:      ﾏﾙﾁﾎﾞﾘｭｰﾑｷｬﾋﾞﾈｯﾄの連続解凍
  m:      圧縮方式の指定
          -mz　　　　　　　　　MSZIP形式
          -ml[:nn] 15≦nn≦21　LZX形式
USAGE
iconv -f UTF-8 -t CP932 expected.utf8 >expected.sjis
run >usage.out 2>usage.err
status=$?
[ $status -eq 0 ] || fail "usage exit status $status"
cmp -s usage.out expected.sjis || fail "usage text differs: $(cmp usage.out expected.sjis 2>&1)"
[ "$(wc -l <usage.out)" -eq 22 ] || fail "usage has $(wc -l <usage.out) line ends, expected 22"
[ "$(grep -c $'\x81\x40' usage.out)" -eq 3 ] || fail "usage: ideographic spaces not on three lines"

# 2. The shared corpus: cbcon extracts what cabextract extracts.
corpus=${SUITE_TESTDATA:-}/cab
if [ -d "$corpus/valid" ] && command -v cabextract >/dev/null; then
  checked=0
  for cabfile in "$corpus"/valid/*.cab; do
    name=$(basename "$cabfile" .cab)
    case $name in
      multi_basic_pt[2-9] | split-[2-9]) continue ;;  # read through the set's first part
      dirwalk-vulns | utf8-stresstest) continue ;;     # hostile names: checked below
    esac
    # The set's parts name their neighbours cabd_multi_basic_ptN.cab; cabextract
    # follows only those names (we also find them by set id): give it them.
    if [ "$name" = multi_basic_pt1 ]; then
      mkdir -p set
      for part in "$corpus"/valid/multi_basic_pt*.cab; do cp "$part" "set/cabd_$(basename "$part")"; done
      cabfile=set/cabd_multi_basic_pt1.cab
    fi
    enc=()
    [ "$name" = encoding-sjis ] && enc=(-e CP932)
    mkdir -p "ours/$name" "theirs/$name"
    cabextract -q "${enc[@]}" -d "theirs/$name" "$cabfile" >/dev/null 2>&1
    run -x -k "$(winpath "$cabfile")" "ours\\$name\\" >"ours-$name.out" 2>&1
    status=$?
    [ $status -eq 0 ] || fail "$name: cbcon exit status $status"
    case $name in
      encoding-koi8 | encoding-latin1 | case-*)
        # Names are read as Shift-JIS (the format's rule), not as cabextract reads them.
        [ "$(sums "ours/$name")" = "$(sums "theirs/$name")" ] ||
          fail "$name: contents differ from cabextract's: $(utf8 "ours-$name.out" | tail -3)" ;;
      *)
        diff -r "ours/$name" "theirs/$name" >"diff-$name" 2>&1 ||
          fail "$name: differs from cabextract: $(head -5 "diff-$name") $(utf8 "ours-$name.out" | tail -3)" ;;
    esac
    checked=$((checked + 1))
  done
  [ $checked -gt 20 ] || fail "only $checked corpus cabinets compared"
  # Names that are not valid UTF-8 or hold characters Windows refuses: made safe, all inside.
  mkdir -p stress/inside
  run -x "$(winpath "$corpus/valid/utf8-stresstest.cab")" "stress\\inside\\" >stress.out 2>&1
  [ "$(ls -A stress)" = inside ] || fail "utf8-stresstest wrote outside the destination: $(ls -A stress)"
  [ "$(find stress/inside -type f | wc -l)" -gt 50 ] || fail "utf8-stresstest: few files extracted: $(utf8 stress.out | tail -2)"
  # Hostile names: nothing outside the destination folder.
  mkdir -p walk/inside
  run -x "$(winpath "$corpus/valid/dirwalk-vulns.cab")" "walk\\inside\\" >walk.out 2>&1
  [ "$(ls -A walk)" = inside ] || fail "dirwalk-vulns wrote outside the destination: $(ls -A walk)"
  grep -q "$(printf '安全でないため' | iconv -f UTF-8 -t CP932)" walk.out || fail "dirwalk-vulns: no unsafe name reported"
  # Malformed cabinets: a report, and cbcon still exits with 0.
  for cabfile in "$corpus"/malformed/*.cab; do
    name=$(basename "$cabfile" .cab)
    run -t "$(winpath "$cabfile")" >"bad-$name.out" 2>&1
    status=$?
    [ $status -eq 0 ] || fail "$name: exit status $status"
    [ -s "bad-$name.out" ] || fail "$name: empty report"
  done
else
  echo "SKIP: no shared testdata or no cabextract"
fi

# 3. cbcon writes, cabextract reads: each method, empty files, 5C trail bytes, folders.
mkdir -p "src/フォルダ/ソフト" "src/dir with blank"
printf 'first file\n' >"src/a b.txt"
: >"src/empty.dat"
seq 1 30000 >"src/フォルダ/表.txt"
head -c 100000 /dev/urandom >"src/フォルダ/ソフト/random.bin"
: >"src/dir with blank/empty too"
for m in -mz -ml:15 -ml:21 -ms; do
  (cd src && "$wine_run" "$cbcon" -a -r $m "..\\made$m.cab" "a b.txt" "empty.dat" "フォルダ" "dir with blank") \
    >"add$m.out" 2>&1
  cabextract -t "made$m.cab" >"cx-t$m.out" 2>&1 || fail "$m: cabextract -t: $(cat "cx-t$m.out")"
  mkdir "cx$m" && cabextract -q -e CP932 -d "cx$m" "made$m.cab" >/dev/null 2>&1 || fail "$m: cabextract -d"
  diff -r src "cx$m" >/dev/null || fail "$m: cabextract extracted something else than was added: $(diff -r src "cx$m" | head -3)"
done
cabextract -l made-ml:15.cab | grep -q 'フォルダ/ソフト/random.bin' 2>/dev/null ||
  cabextract -l -e CP932 made-ml:15.cab | grep -q 'フォルダ/ソフト/random.bin' || fail "cabextract lists no nested Shift-JIS name"

# 4. gcab writes, cbcon extracts.
if command -v gcab >/dev/null; then
  (cd src && gcab -c -z ../gcab.cab "a b.txt" "empty.dat" "dir with blank/empty too" >/dev/null 2>&1) || fail "gcab -c"
  run -x gcab.cab "from gcab\\" >gx.out 2>&1
  cmp -s "src/a b.txt" "from gcab/a b.txt" || fail "gcab's cabinet extracted differently: $(utf8 gx.out)"
  [ -f "from gcab/dir with blank/empty too" ] || fail "gcab's folder entry missing"
fi

# 5. Exit status 0 even for errors; the report says what went wrong.
run -l "no such cabinet.cab" >missing.out 2>&1
status=$?
[ $status -eq 0 ] || fail "missing cabinet: exit status $status"
grep -q "no such cabinet.cab" missing.out || fail "missing cabinet: not named in the report"

# 6. A program path with blanks, quoted on the command line by Wine.
mkdir "bin with blank"
cp "$cbcon" "$(dirname "$cbcon")/CAB32.DLL" "bin with blank/"
"$wine_run" "bin with blank/cbcon.exe" -l made-mz.cab >quoted.out 2>&1
grep -q 'dir with blank\\empty too' quoted.out || fail "quoted program path: listing lacks the file: $(utf8 quoted.out)"

[ $failures -eq 0 ] && echo "all cbcon checks passed"
exit $((failures > 0))
