#!/usr/bin/env bash
# trcon under Wine against the independent tar programs: the usage text byte
# for byte and exit status 0 always; archives GNU tar writes (gnu, posix, ustar,
# v7, long names, sparse members) and bsdtar writes, plain and in each
# compressed form, listed and extracted as they were; lone .gz, .bz2 and .Z
# files; archives trcon writes read by GNU tar and bsdtar without a warning; a
# link to outside followed by a file through it kept inside.
# usage: trcon_test.sh TRCON.EXE WINE-RUN
set -u
trcon=$(readlink -f "$1")
wine_run=$(readlink -f "$2")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
for t in tar bsdtar gzip bzip2 compress; do
  command -v $t >/dev/null || { echo "SKIP: $t is not installed"; exit 0; }
done

run() { "$wine_run" "$trcon" "$@"; }
winpath() { local p; p=$(readlink -f "$1"); printf 'Z:%s' "${p//\//\\}"; }
utf8() { iconv -f CP932 -t UTF-8 "$1" 2>/dev/null || cat "$1"; }

# 1. Usage: no arguments, exit 0, the text exactly (Shift-JIS on the wire).
cat >expected.utf8 <<'USAGE'
trcon - Command line Tar
 Using..
 tar [-]{c|r|x|t|k}[v][a][M][i][I][e][n][z[N]][P{9|F|A}][f ARCH][b N]
       [N DATE][o PATH][PATH\] file...  #rule-file  @list-file
  trcon [-<ｺﾏﾝﾄﾞ>] [-<ｽｲｯﾁ>...] <TarName> [<BasePath>\] [<FileName>...]

ｺﾏﾝﾄﾞ
  c: ｱｰｶｲﾌﾞを作成
  r: ｱｰｶｲﾌﾞに追加(非圧縮のみ)
  x: ｱｰｶｲﾌﾞ内のﾌｧｲﾙを展開
  t: ｱｰｶｲﾌﾞ内のﾌｧｲﾙ一覧表示
  k: ｱｰｶｲﾌﾞ内のﾌｧｲﾙを比較

ｽｲｯﾁ
  a:      ASCIIﾌｧｲﾙと見なす       i:      一覧表示時展開障害ﾌｧｲﾙ名をﾘﾎﾟｰﾄ
  A[A|H]: ﾌｧｲﾙ属性を指定          l:      展開時属性無視
  B[N]:   ﾚﾍﾞﾙNでbzip2圧縮        M:      ﾏﾙﾁﾎﾞﾘｭｰﾑ
  b N:    ﾌﾞﾛｯｷﾝｸﾞﾌｧｸﾀを指定      n:      出力抑止
  e:      EUC->SJIS変換           N DATE: DATE以降の日付のﾌｧｲﾙのみを処理
　f ARCH: ｱｰｶｲﾌﾞﾌｧｲﾙ名            p:      標準出力に出力
  g:      GNUtar互換ﾍｯﾀﾞ          q:      展開時上書きしない
  o PATH: 展開先の指定            E:      書込ﾃﾞｰﾀのﾍﾞﾘﾌｧｲを実行
  z[N]:   ﾚﾍﾞﾙNでgzip圧縮         R:      読み取り専用属性を無視
USAGE
iconv -f UTF-8 -t CP932 expected.utf8 >expected.sjis
run >usage.out 2>usage.err
status=$?
[ $status -eq 0 ] || fail "usage exit status $status"
cmp -s usage.out expected.sjis || fail "usage text differs: $(cmp usage.out expected.sjis 2>&1)"
[ "$(wc -l <usage.out)" -eq 23 ] || fail "usage has $(wc -l <usage.out) line ends, expected 23"
[ "$(grep -c $'\x81\x40' usage.out)" -eq 1 ] || fail "usage: the ideographic space is not on one line"

# 2. What GNU tar and bsdtar write, trcon extracts as it was.
long=$(printf 'long%.0s' {1..30})  # a 120-character folder name
mkdir -p "src/日本語/サブ" "src/$long" src/empty-dir
printf 'first file\n' >"src/a b.txt"
: >src/empty.dat
seq 1 30000 >"src/日本語/表.txt"
head -c 200000 /dev/urandom >"src/日本語/サブ/random.bin"
printf 'deep\n' >"src/$long/$long.txt"
truncate -s 3M src/sparse.img && printf 'middle' | dd of=src/sparse.img bs=1 seek=1500000 conv=notrunc 2>/dev/null
touch -d '2020-02-03 04:05:06' "src/a b.txt"
mkdir -p short && cp "src/a b.txt" short/ && seq 1 5000 >short/numbers.txt && mkdir short/sub && : >short/sub/e

check_extract() {  # label archive reference-folder
  local label=$1 archive=$2 ref=$3
  rm -rf "out-$label" && mkdir "out-$label"
  run --use-directory=1 xvf "$(winpath "$archive")" "out-$label\\" >"x-$label.out" 2>&1
  diff -r "$ref" "out-$label" >"diff-$label" 2>&1 ||
    fail "$label: extracted differently: $(head -3 "diff-$label") $(utf8 "x-$label.out" | tail -2)"
  run tvf "$(winpath "$archive")" >"t-$label.out" 2>&1
  utf8 "t-$label.out" | grep -q '表.txt\|numbers.txt' || fail "$label: the listing lacks a name: $(utf8 "t-$label.out" | head -5)"
}
for format in gnu posix; do
  (cd src && tar --format=$format --sparse -cf "../gnu-$format.tar" .) || fail "tar --format=$format"
done
(cd short && tar --format=ustar -cf ../gnu-ustar.tar .) && (cd short && tar --format=v7 -cf ../gnu-v7.tar .) || fail "tar ustar/v7"
(cd src && bsdtar -cf ../bsd.tar .) || fail "bsdtar -c"
(cd short && bsdtar --format=ustar -cf ../bsd-ustar.tar .) || fail "bsdtar ustar"
check_extract gnu gnu-gnu.tar src
check_extract posix gnu-posix.tar src
check_extract ustar gnu-ustar.tar short
check_extract v7 gnu-v7.tar short
check_extract bsd bsd.tar src
check_extract bsd-ustar bsd-ustar.tar short
gzip -9 -c gnu-posix.tar >posix.tar.gz && check_extract tgz posix.tar.gz src
bzip2 -c gnu-posix.tar >posix.tar.bz2 && check_extract tbz posix.tar.bz2 src
compress -c gnu-gnu.tar >gnu.tar.Z && check_extract taz gnu.tar.Z src
cp posix.tar.gz posix.tgz && check_extract tgz-name posix.tgz src

# 2b. Names an old Unix tar stored in EUC-JP come out under their own characters with e.
euc() { printf '%s' "$1" | iconv -f UTF-8 -t EUC-JP; }
mkdir -p euc-ref/日本語 "euc-src/$(euc 日本語)"
seq 1 100 >euc-ref/日本語/表.txt && printf 'kana\n' >euc-ref/ｱｲｳ.txt && printf 'plain\n' >euc-ref/plain.txt
cp euc-ref/日本語/表.txt "euc-src/$(euc 日本語)/$(euc 表.txt)"
cp euc-ref/ｱｲｳ.txt "euc-src/$(euc ｱｲｳ.txt)" && cp euc-ref/plain.txt euc-src/
(cd euc-src && tar --format=gnu -cf ../euc.tar .) || fail "tar with EUC-JP names"
rm -rf out-euc && mkdir out-euc
run --use-directory=1 xvef "$(winpath euc.tar)" "out-euc\\" >x-euc.out 2>&1
diff -r euc-ref out-euc >diff-euc 2>&1 || fail "EUC-JP names: $(head -3 diff-euc) $(utf8 x-euc.out | tail -2)"

# 3. Lone compressed files: one entry under the stored name or the file's name.
seq 1 100000 >lone.txt
gzip -N -c lone.txt >stored-name.gz
bzip2 -c lone.txt >lone.txt.bz2
compress -c lone.txt >lone.txt.Z
for f in stored-name.gz lone.txt.bz2 lone.txt.Z; do
  rm -rf "single-$f" && mkdir "single-$f"
  run xvf "$(winpath "$f")" "single-$f\\" >"s-$f.out" 2>&1
  cmp -s lone.txt "single-$f/lone.txt" || fail "$f: not extracted to lone.txt: $(ls "single-$f") $(utf8 "s-$f.out" | tail -2)"
done
run tvf "$(winpath stored-name.gz)" >s-list.out 2>&1
grep -q "$(stat -c %s lone.txt)" s-list.out || fail "lone .gz: the listing lacks the real size: $(utf8 s-list.out)"

# 4. trcon writes, GNU tar and bsdtar read without a word.
for kind in "z6 x.tar.gz" "B9 x.tar.bz2" "- x.tar"; do
  set -- $kind
  sw=$1 name=$2
  [ "$sw" = - ] && sw=
  (cd src && "$wine_run" "$trcon" c -vf$sw "..\\$name" "a b.txt" empty.dat 日本語 "$long" empty-dir) >"c-$name.out" 2>&1
  for reader in tar bsdtar; do
    rm -rf "r-$reader" && mkdir "r-$reader"
    $reader -xf "$name" -C "r-$reader" 2>"r-$reader.err" || fail "$name: $reader -x failed: $(cat "r-$reader.err")"
    [ -s "r-$reader.err" ] && fail "$name: $reader warned: $(head -3 "r-$reader.err")"
    for p in "a b.txt" empty.dat "日本語/表.txt" "日本語/サブ/random.bin" "$long/$long.txt"; do
      cmp -s "src/$p" "r-$reader/$p" || fail "$name: $reader gives $p otherwise"
    done
    [ -d "r-$reader/empty-dir" ] || fail "$name: $reader: no folder entry for empty-dir"
  done
  [ "$(stat -c %Y "r-tar/a b.txt")" = "$(stat -c %Y "src/a b.txt")" ] || fail "$name: the stamp of a b.txt was not kept"
done
tar -tzf x.tar.gz >/dev/null 2>&1 || fail "x.tar.gz is not gzip"
tar -tjf x.tar.bz2 >/dev/null 2>&1 || fail "x.tar.bz2 is not bzip2"

# 5. A link to outside, then a file through it: nothing lands outside.
mkdir -p hostile/out outside
ln -s ../../outside hostile/lnk
printf 'through\n' >x
tar -cf hostile.tar -C hostile lnk && tar -rf hostile.tar --transform 's,^x$,lnk/x,' x
run --use-directory=1 xvf "$(winpath hostile.tar)" "hostile\\out\\" >hostile.out 2>&1
[ -z "$(ls -A outside)" ] || fail "a file was written through the link: $(ls -A outside)"
utf8 hostile.out | grep -q 'lnk' || fail "the link is not named in the report: $(utf8 hostile.out)"

# 6. Exit status 0 even for errors; the report says what went wrong.
run xf "no such.tar" >missing.out 2>&1
status=$?
[ $status -eq 0 ] || fail "missing archive: exit status $status"
grep -q "no such.tar" missing.out || fail "missing archive: not named in the report"

[ $failures -eq 0 ] && echo "all trcon checks passed"
exit $((failures > 0))
