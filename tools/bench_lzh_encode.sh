#!/usr/bin/env bash
# bench_lzh_encode.sh [BUILD_DIR]: times our -lh5-/-lh6-/-lh7- encoder against jlha
# -o5/-o6/-o7 on the two benchmark corpora and prints sizes and ratios. Times are wall
# and user CPU seconds, each the best of RUNS runs (default 3; the machine's cores
# are shared: user time is the steadier figure). Every archive we write is tested
# with lhasa before its figures count.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
corpus=$root/build/bench-corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$root/tools/bench_corpus.sh" "$corpus" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build" --target lh_encode_bench >/dev/null
ours=$build/bin/lh_encode_bench
for tool in jlha lhasa; do
  command -v $tool >/dev/null || { echo "bench_lzh_encode: $tool is not installed" >&2; exit 1; }
done

runs=${RUNS:-3}
timed() {  # out-file command...: runs it RUNS times, leaves the best "wall user" in out-file
  local t=$1 i; shift
  : >"$t.all"
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%e %U" -o "$t.one" "$@" >/dev/null 2>&1
    cat "$t.one" >>"$t.all"
  done
  sort -n -k1,1 "$t.all" | head -1 | cut -d' ' -f1 >"$t.w"
  sort -n -k2,2 "$t.all" | head -1 | cut -d' ' -f2 >"$t.u"
  echo "$(cat "$t.w") $(cat "$t.u")" >"$t"
}

printf '%-7s %-6s %12s %12s %7s %8s %8s %8s %8s %6s %6s\n' corpus method ours jlha size% \
  our-wall our-user jl-wall jl-user wallx userx
for method in 5 6 7; do
  for name in text binary; do
    in=$corpus/$name
    timed "$work/ours.t" "$ours" $method "$in" "$work/ours.lzh"
    lhasa t "$work/ours.lzh" >/dev/null 2>&1 || { echo "lhasa rejects our $name -lh$method- archive" >&2; exit 1; }
    # jlha stores the name it is given: run it beside the file so that names match.
    (cd "$corpus" && timed "$work/jlha.t" jlha co$method "$work/jlha.lzh" "$name")
    read -r ow ou <"$work/ours.t"
    read -r jw ju <"$work/jlha.t"
    os=$(stat -c %s "$work/ours.lzh")
    js=$(stat -c %s "$work/jlha.lzh")
    rm -f "$work/ours.lzh" "$work/jlha.lzh"
    awk -v n=$name -v m=lh$method -v os=$os -v js=$js -v ow=$ow -v ou=$ou -v jw=$jw -v ju=$ju 'BEGIN {
      printf "%-7s %-6s %12d %12d %7.2f %8.2f %8.2f %8.2f %8.2f %6.2f %6.2f\n",
        n, m, os, js, 100 * os / js, ow, ou, jw, ju, jw / ow, (ou > 0 ? ju / ou : 0) }'
  done
done
echo "size% = ours / jlha; wallx, userx = how many times faster than jlha (archive sizes include headers)"
