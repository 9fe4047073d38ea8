#!/usr/bin/env bash
# bench_extract.sh [BUILD_DIR]: the cost of the extraction policy itself
# (temporary file, rename, stamps, confinement checks) with no decoding to speak
# of: `arctool extract` of stored ZIP archives against `unzip -o -qq`, for the
# 100 MB of benchmark corpora in two files and for 3000 small files of 4 KB.
# User+system CPU and wall seconds, best of RUNS (3) runs; ratio above 1 means
# we are faster. Wall times vary with the machine's load.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
tool=$build/bin/arctool
[ -x "$tool" ] || { echo "bench_extract: no $tool (build the arctool target)" >&2; exit 1; }
command -v zip >/dev/null && command -v unzip >/dev/null || { echo "bench_extract: zip and unzip are needed" >&2; exit 1; }
corpus=$here/../build/bench-corpus
"$here/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-3}

best() {  # cmd...: runs it $runs times into a fresh folder, prints the least "cpu wall"
  local c w bc="" bw=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    /usr/bin/time -f "%U %S %e" -o "$work/time" "$@" >/dev/null
    read -r u s w <"$work/time"
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { print u + s }')
    bc=$(awk -v a="$c" -v b="$bc" 'BEGIN { print (b == "" || a < b) ? a : b }')
    bw=$(awk -v a="$w" -v b="$bw" 'BEGIN { print (b == "" || a < b) ? a : b }')
  done
  echo "$bc $bw"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }

(cd "$corpus" && zip -q -0 "$work/big.zip" text binary)
mkdir -p "$work/small/d"
for i in $(seq 3000); do head -c 4096 "$corpus/text" | tail -c +$((i % 97 + 1)) >"$work/small/d/f$i.txt"; done
(cd "$work/small" && zip -q -0 -r "$work/small.zip" d)

printf '%-12s %10s %10s %9s %9s %8s %8s\n' archive unzip_cpu our_cpu unzip_wall our_wall ratio_c ratio_w
for name in big small; do
  read -r rc rw < <(best unzip -o -qq "$work/$name.zip" -d "$work/out")
  read -r oc ow < <(best "$tool" extract "$work/$name.zip" "$work/out")
  printf '%-12s %10s %10s %9s %9s %8s %8s\n' "$name.zip" "$rc" "$oc" "$rw" "$ow" "$(ratio "$rc" "$oc")" "$(ratio "$rw" "$ow")"
done
cmp -s "$work/out/text" "$corpus/text" 2>/dev/null || [ -f "$work/out/d/f1.txt" ] || { echo "bench_extract: output missing" >&2; exit 1; }
