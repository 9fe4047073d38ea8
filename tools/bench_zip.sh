#!/usr/bin/env bash
# bench_zip.sh [BUILD_DIR]: extracting a zip -9 archive of the 60 MB text corpus
# (and, for reference, of the 40 MB binary one) with `arctool extract` against
# `unzip -o -qq`: user CPU time and wall time, best of three runs each. A ratio
# above 1 means we are faster. Wall times vary with the machine's load.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
tool=$build/bin/arctool
[ -x "$tool" ] || { echo "bench_zip: no $tool (build the arctool target)" >&2; exit 1; }
command -v zip >/dev/null && command -v unzip >/dev/null || { echo "bench_zip: zip and unzip are needed" >&2; exit 1; }
corpus=$here/../build/bench-corpus
"$here/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
runs=${RUNS:-3}

best() {  # cmd...: runs it $runs times in a fresh folder, prints the least "user wall"
  local u w bu="" bw=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    /usr/bin/time -f "%U %e" -o "$work/time" "$@" >/dev/null
    read -r u w <"$work/time"
    bu=$(awk -v a="$u" -v b="$bu" 'BEGIN { print (b == "" || a < b) ? a : b }')
    bw=$(awk -v a="$w" -v b="$bw" 'BEGIN { print (b == "" || a < b) ? a : b }')
  done
  echo "$bu $bw"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }

printf '%-7s %10s %10s %8s %8s %8s %8s\n' corpus unzip_user our_user unzip_wall our_wall speed_u speed_w
for name in text binary; do
  (cd "$corpus" && zip -q -9 "$work/$name.zip" "$name")
  read -r ru rw < <(best unzip -o -qq "$work/$name.zip" -d "$work/out")
  read -r ou ow < <(best "$tool" extract "$work/$name.zip" "$work/out")
  cmp -s "$work/out/$name" "$corpus/$name" || { echo "bench_zip: arctool did not give back $name" >&2; exit 1; }
  printf '%-7s %10s %10s %8s %8s %8s %8s\n' "$name" "$ru" "$ou" "$rw" "$ow" "$(ratio "$ru" "$ou")" "$(ratio "$rw" "$ow")"
done
