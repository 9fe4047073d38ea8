#!/usr/bin/env bash
# run_oracles.sh TREE: Pakmo's window makes LZH archives and cabinets through our
# real libraries (creator_test, RealLibraries.*) in a folder of this script's;
# then lhasa, cabextract and GNU tar, which share no code with us, extract them and
# every file must come back byte for byte. Neither tool reads Shift-JIS names
# (both take the trail byte 5C for a separator), so the Japanese file is found
# as the one extracted file with a non-ASCII path.
set -euo pipefail
tree=$1
here=$(cd "$(dirname "$0")" && pwd)
out="$tree/creator-oracles"
rm -rf "$out"
mkdir -p "$out"
PAKMO_ORACLE_DIR="Z:$(echo "$out" | tr / '\\')" WINEDEBUG=-all \
  "$here/../../tools/wine-run" "$tree/bin/creator-tests/creator_test.exe" --gtest_color=no --gtest_filter='RealLibraries.*'

src="$out/src"
japanese=$(cd "$src" && find . -type f -name '*.txt' | LC_ALL=C grep -a '[^ -~]' | sed 's|^\./||')
failures=0
fail() { echo "run_oracles: $*" >&2; failures=$((failures + 1)); }

# check ARCHIVE DIR FILE...: each FILE (relative to src) came back in DIR; "JP" for the Japanese one.
check() {
  local archive=$1 dir=$2; shift 2
  for f in "$@"; do
    if [ "$f" = JP ]; then
      got=$(cd "$dir" && find . -type f | LC_ALL=C grep -a '[^ -~]' || true)
      [ "$(echo "$got" | grep -c .)" = 1 ] || { fail "$archive: expected one Japanese-named file, got: $got"; continue; }
      cmp -s "$dir/$got" "$src/$japanese" || fail "$archive: the Japanese file differs"
    else
      cmp -s "$dir/$f" "$src/$f" || fail "$archive: $f missing or different"
    fi
  done
  # Nothing else came out.
  local count
  count=$(cd "$dir" && find . -type f | wc -l)
  [ "$count" = $# ] || fail "$archive: $count files extracted, $# expected"
}

lzh() {
  local name=$1; shift
  local dir="$out/x-$name"
  mkdir -p "$dir"
  (cd "$dir" && lha -xq "$out/$name.lzh") || fail "$name.lzh: lhasa failed"
  check "$name.lzh" "$dir" "$@"
}
cab() {
  local name=$1; shift
  local dir="$out/x-$name"
  mkdir -p "$dir"
  cabextract -q -d "$dir" "$out/$name.cab" || fail "$name.cab: cabextract failed"
  check "$name.cab" "$dir" "$@"
}

lzh lh5 a.txt b.bin sub/c.txt JP
lzh lh6 a.txt b.bin sub/c.txt sub/deep/d.txt JP
lzh lh7 a.txt b.bin sub/c.txt sub/deep/d.txt JP
cab mszip a.txt b.bin sub/c.txt sub/deep/d.txt JP
cab lzx18 a.txt b.bin sub/c.txt sub/deep/d.txt JP
cab stored a.txt b.bin sub/c.txt JP
# GNU tar reads the UTF-8 names our tar library writes.
tarx() {
  local name=$1; shift
  local dir="$out/x-$name"
  mkdir -p "$dir"
  tar -xf "$out/$name" -C "$dir" || fail "$name: GNU tar failed"
  local f
  for f in "$@"; do cmp -s "$dir/$f" "$src/$f" || fail "$name: $f missing or different"; done
  [ "$(cd "$dir" && find . -type f | wc -l)" = $# ] || fail "$name: other files came out"
}
tarx tgz.tar.gz a.txt b.bin sub/c.txt sub/deep/d.txt "$japanese"
tarx tbz.tar.bz2 a.txt b.bin sub/c.txt sub/deep/d.txt "$japanese"
tarx plain.tar a.txt b.bin sub/c.txt sub/deep/d.txt "$japanese"
gzip -t "$out/tgz.tar.gz" || fail "tgz.tar.gz is no gzip stream"
bzip2 -t "$out/tbz.tar.bz2" || fail "tbz.tar.bz2 is no bzip2 stream"

# Files on two drives: stored under their paths from the root, which extract.
for kind in lzh cab; do
  dir="$out/x-twodrives-$kind"
  mkdir -p "$dir"
  if [ $kind = lzh ]; then (cd "$dir" && lha -xq "$out/twodrives.lzh"); else cabextract -q -d "$dir" "$out/twodrives.cab"; fi
  c=$(cd "$dir" && find . -type f -name c-side.txt)
  z=$(cd "$dir" && find . -type f -path '*src/a.txt')
  [ -n "$c" ] && cmp -s "$dir/$c" "$out/twodrives-c-side.txt" || fail "twodrives.$kind: the C: file"
  [ -n "$z" ] && cmp -s "$dir/$z" "$src/a.txt" || fail "twodrives.$kind: the Z: file"
done

# The cabinet's LZX window as asked for (2^18).
cabextract -l "$out/lzx18.cab" >/dev/null
grep -qa 'LZX' <(7z l -slt "$out/lzx18.cab" 2>/dev/null) || fail "lzx18.cab: not LZX"
7z l -slt "$out/lzx18.cab" 2>/dev/null | grep -qa 'Method = LZX:18' || fail "lzx18.cab: window is not 18"
7z l -slt "$out/stored.cab" 2>/dev/null | grep -qa 'Method = None' || fail "stored.cab: not stored"
7z l -slt "$out/mszip.cab" 2>/dev/null | grep -qa 'Method = MSZip' || fail "mszip.cab: not MSZIP"
for m in 5 6 7; do
  lha -v "$out/lh$m.lzh" | grep -q -- "-lh$m-" || fail "lh$m.lzh: method -lh$m- not used"
done

[ $failures = 0 ] && echo "run_oracles: every archive read back byte for byte" || exit 1
