#!/usr/bin/env bash
# bench_tar.sh [BUILD_DIR]: our compress (.Z) LZW codec against ncompress and our
# gzip (over zlib) against gzip, both directions, on the benchmark corpora; then
# the bzip2 figures from bench_bzip2.sh when it is there. Prints user CPU and wall
# seconds, each the best of RUNS runs (default 3); speed ratios above 1 mean we are
# faster, the size ratio is our output over theirs. The driver is built here against BUILD_DIR's formats library.
# Both sides of a decode write their output to a file, so that both pay for it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
lib=$build/lib/libformats_archive.a
[ -f "$lib" ] || { echo "bench_tar: no $lib (build the formats_archive target)" >&2; exit 1; }
for t in compress gzip; do command -v $t >/dev/null || { echo "bench_tar: $t not installed" >&2; exit 1; }; done
corpus=$here/../build/bench-corpus
"$here/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
driver=$work/bench_tar_driver
"${CXX:-clang++}" -std=c++20 -O2 -I"$here/../libraries/formats" "$here/bench_tar_driver.cpp" "$lib" -lz -o "$driver"

runs=${RUNS:-3}
timed() {  # out-file in-file cmd...: prints "user wall", each the best of RUNS runs
  local out=$1 input=$2 i; shift 2
  : >"$work/times"
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%U %e" -o "$work/time" "$@" <"$input" >"$out" || [ $? -eq 2 ]  # compress: 2 = output grew
    cat "$work/time" >>"$work/times"
  done
  echo "$(sort -n -k1,1 "$work/times" | head -1 | cut -d' ' -f1) $(sort -n -k2,2 "$work/times" | head -1 | cut -d' ' -f2)"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }
row() { printf '%-7s %-11s %9s %9s %8s %8s %8s %8s %7s\n' "$@"; }

row corpus step ref_user our_user ref_wall our_wall speed_u speed_w size
for name in text binary; do
  in=$corpus/$name
  # compress -b16, block mode, against ours (the same settings).
  read -r ru rw < <(timed "$work/ref.Z" "$in" compress -c)
  read -r ou ow < <(timed "$work/our.Z" "$in" "$driver" lzw-enc)
  compress -dc <"$work/our.Z" | cmp -s - "$in" || { echo "bench_tar: compress -d does not give back $name" >&2; exit 1; }
  rs=$(stat -c %s "$work/ref.Z") os=$(stat -c %s "$work/our.Z")
  row "$name" Z-encode "$ru" "$ou" "$rw" "$ow" "$(ratio "$ru" "$ou")" "$(ratio "$rw" "$ow")" "$(ratio "$os" "$rs")"
  read -r ru rw < <(timed "$work/ref-back" "$work/ref.Z" compress -dc)
  read -r ou ow < <(timed "$work/back" "$work/ref.Z" "$driver" lzw-dec)
  cmp -s "$work/back" "$in" || { echo "bench_tar: we do not give back $name from .Z" >&2; exit 1; }
  row "$name" Z-decode "$ru" "$ou" "$rw" "$ow" "$(ratio "$ru" "$ou")" "$(ratio "$rw" "$ow")" -
  echo "$name: compress $rs bytes, ours $os bytes"
  for level in 6 9; do
    read -r ru rw < <(timed "$work/ref.gz" "$in" gzip -$level -c)
    read -r ou ow < <(timed "$work/our.gz" "$in" "$driver" gz-enc $level)
    gzip -dc <"$work/our.gz" | cmp -s - "$in" || { echo "bench_tar: gzip -d does not give back $name" >&2; exit 1; }
    rs=$(stat -c %s "$work/ref.gz") os=$(stat -c %s "$work/our.gz")
    row "$name" gz$level-encode "$ru" "$ou" "$rw" "$ow" "$(ratio "$ru" "$ou")" "$(ratio "$rw" "$ow")" "$(ratio "$os" "$rs")"
    echo "$name: gzip -$level $rs bytes, ours $os bytes"
  done
  read -r ru rw < <(timed "$work/ref-back" "$work/ref.gz" gzip -dc)
  read -r ou ow < <(timed "$work/back" "$work/ref.gz" "$driver" gz-dec)
  cmp -s "$work/back" "$in" || { echo "bench_tar: we do not give back $name from .gz" >&2; exit 1; }
  row "$name" gz-decode "$ru" "$ou" "$rw" "$ow" "$(ratio "$ru" "$ou")" "$(ratio "$rw" "$ow")" -
done
if [ -x "$here/bench_bzip2.sh" ] && [ -x "$build/bin/bzip2_tool" ]; then
  echo "bzip2 (tools/bench_bzip2.sh):"
  "$here/bench_bzip2.sh" "$build"
else
  echo "bzip2: skipped (needs tools/bench_bzip2.sh and $build/bin/bzip2_tool)"
fi
