#!/usr/bin/env bash
# bench_bzip2.sh [BUILD_DIR]: our bzip2 codec (bzip2_tool) against bzip2 1.x on the
# benchmark corpora: user CPU time and wall time of decoding and of encoding at
# level 9, and the size of our output against bzip2 -9's. Ratios above 1 mean we
# are faster (speed) or bigger (size). Wall times vary with the machine's load.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build/host}
tool=$build/bin/bzip2_tool
[ -x "$tool" ] || { echo "bench_bzip2: no $tool (build the bzip2_tool target)" >&2; exit 1; }
command -v bzip2 >/dev/null || { echo "bench_bzip2: bzip2 not installed" >&2; exit 1; }
corpus=$here/../build/bench-corpus
"$here/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

timed() {  # out-file cmd... <stdin: prints "user wall"
  local out=$1; shift
  /usr/bin/time -f "%U %e" -o "$work/time" "$@" >"$out"
  cat "$work/time"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }

printf '%-7s %-6s %10s %10s %8s %8s %8s %8s %7s\n' corpus step ref_user our_user ref_wall our_wall speed_u speed_w size
for name in text binary; do
  in=$corpus/$name
  read -r ru rw < <(timed "$work/ref.bz2" bzip2 -9 -c <"$in")
  read -r ou ow < <(timed "$work/our.bz2" "$tool" -9 <"$in")
  rs=$(stat -c %s "$work/ref.bz2") os=$(stat -c %s "$work/our.bz2")
  bzip2 -d -c "$work/our.bz2" | cmp -s - "$in" || { echo "bench_bzip2: bzip2 -d does not give back $name" >&2; exit 1; }
  printf '%-7s %-6s %10s %10s %8s %8s %8s %8s %7s\n' "$name" encode "$ru" "$ou" "$rw" "$ow" \
    "$(ratio "$ru" "$ou")" "$(ratio "$rw" "$ow")" "$(ratio "$os" "$rs")"
  read -r ru rw < <(timed "$work/ref-back" bzip2 -d -c <"$work/ref.bz2")
  read -r ou ow < <(timed "$work/back" "$tool" -d <"$work/ref.bz2")
  cmp -s "$work/back" "$in" || { echo "bench_bzip2: we do not give back $name" >&2; exit 1; }
  printf '%-7s %-6s %10s %10s %8s %8s %8s %8s %7s\n' "$name" decode "$ru" "$ou" "$rw" "$ow" \
    "$(ratio "$ru" "$ou")" "$(ratio "$rw" "$ow")" "-"
  echo "$name: bzip2 -9 $rs bytes, ours $os bytes"
done
