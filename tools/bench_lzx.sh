#!/usr/bin/env bash
# bench_lzx.sh [BUILD] [WINDOWBITS]: the LZX encoder's size and speed on the
# benchmark corpora against gcab -z (MSZIP), with and without the x86 call
# translation, and decoding time against cabextract on the same cabinets.
# BUILD is a native build tree holding libformats_archive.a (default build/lzx).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/lzx}
bits=${2:-21}
corpus=$root/build/bench-corpus
"$root/tools/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lib=$(find "$build" -name libformats_archive.a | head -1)
[ -n "$lib" ] || { echo "bench_lzx: no libformats_archive.a under $build" >&2; exit 1; }
for tool in lzx_bench lzx_cab_decode_bench; do
  clang++ -std=c++20 -O2 -I"$root/libraries/formats" "$root/tools/$tool.cpp" "$lib" -lz -o "$work/$tool"
done
cpu() { /usr/bin/time -f "%U+%S" "$@" 2>&1 >/dev/null | tail -1 | bc; }

for name in text binary; do
  mkdir -p "$work/$name"
  ln -s "$corpus/$name" "$work/$name/$name"
  (cd "$work/$name" && gcab -c -z "$work/$name-mszip.cab" "$name")
  mszip=$(stat -c %s "$work/$name-mszip.cab")
  for e8 in 0 12000000; do
    echo "$name, E8 size $e8: $("$work/lzx_bench" "$corpus/$name" "$bits" "$work/$name-lzx.cab" 32 "$e8")"
    lzx=$(stat -c %s "$work/$name-lzx.cab")
    echo "  cabinet $lzx bytes, gcab -z $mszip bytes: $(echo "scale=3; $lzx / $mszip" | bc)x"
    echo "  ours: $("$work/lzx_cab_decode_bench" "$work/$name-lzx.cab" 5)"
    for k in 1 2 3; do echo "  cabextract -p: $(cpu cabextract -q -p "$work/$name-lzx.cab") CPU seconds"; done
  done
done
