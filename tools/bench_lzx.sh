#!/usr/bin/env bash
# bench_lzx.sh [BUILD] [WINDOWBITS]: LZX encoder size and speed on the benchmark
# corpora against gcab -z (MSZIP), and decoding speed against cabextract.
# BUILD is a native build tree with libformats.a (default build/lzx).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/lzx}
bits=${2:-21}
corpus=$root/build/bench-corpus
"$root/tools/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lib=$(find "$build" -name libformats.a | head -1)
clang++ -std=c++20 -O2 -I"$root/libraries/formats" "$root/tools/lzx_bench.cpp" "$lib" -lz -o "$work/lzx_bench"

for name in text binary; do
  size=$(stat -c %s "$corpus/$name")
  mkdir -p "$work/$name"
  ln -s "$corpus/$name" "$work/$name/$name"
  (cd "$work/$name" && gcab -c -z "$work/$name-mszip.cab" "$name")
  mszip=$(stat -c %s "$work/$name-mszip.cab")
  line=$("$work/lzx_bench" "$corpus/$name" "$bits" "$work/$name-lzx.cab")
  lzx=$(stat -c %s "$work/$name-lzx.cab")
  start=$(date +%s.%N)
  cabextract -q -p "$work/$name-lzx.cab" >/dev/null
  end=$(date +%s.%N)
  echo "$name ($size bytes): $line"
  echo "$name: lzx:$bits cab $lzx, gcab -z cab $mszip, ratio $(echo "scale=4; $lzx / $mszip" | bc)," \
    "cabextract decode $(echo "scale=3; $end - $start" | bc)s"
done
