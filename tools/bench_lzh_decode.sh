#!/usr/bin/env bash
# bench_lzh_decode.sh [BUILD_DIR]: decode speed of our -lh5-/-lh7- decoder against
# lhasa on the two benchmark corpora (archives written by jlha, an independent
# encoder), then the peak memory of extracting a member of more than 1 GB.
# Both sides test every member (decode and check the CRC) and write nothing.
# Times are user CPU seconds, the steadier figure on a shared machine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
corpus=$root/build/bench-corpus
cache=$root/build/bench-lzh-decode
mkdir -p "$cache"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$root/tools/bench_corpus.sh" "$corpus" >/dev/null
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$build" --target arctool >/dev/null
build=$(cd "$build" && pwd)
arctool=$build/bin/arctool
for tool in jlha lhasa; do
  command -v $tool >/dev/null || { echo "bench_lzh_decode: $tool is not installed" >&2; exit 1; }
done

usertime() {  # command...: prints the user CPU seconds it took (best of 3)
  local best=""
  for _ in 1 2 3; do
    /usr/bin/time -f "%U" -o "$work/t" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    t=$(cat "$work/t")
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

printf '%-7s %-6s %10s %10s %9s %9s %7s\n' corpus method ours-s lhasa-s ours-MB/s lhasa-MB/s speedup
for method in 5 7; do
  for name in text binary; do
    arc=$cache/$name-lh$method.lzh
    [ -f "$arc" ] || (cd "$corpus" && jlha co$method "$arc.tmp" "$name" >/dev/null 2>&1 && mv "$arc.tmp" "$arc")
    mb=$(( $(stat -c %s "$corpus/$name") / 1048576 ))
    ours=$(usertime "$arctool" test "$arc")
    theirs=$(usertime lhasa t "$arc")
    awk -v n="$name" -v m="-lh$method-" -v o="$ours" -v t="$theirs" -v mb="$mb" 'BEGIN{
      printf "%-7s %-6s %10.2f %10.2f %9.0f %9.0f %6.2fx\n", n, m, o, t, mb/(o>0?o:0.01), mb/(t>0?t:0.01), t/(o>0?o:0.01)}'
  done
done

# Memory: the corpus text repeated to 1.2 GB as one -lh5- member, extracted to
# nowhere; max RSS must stay under 64 MB whatever the member's size.
big=$cache/big-lh5.lzh
if [ ! -f "$big" ]; then
  for _ in $(seq 20); do cat "$corpus/text"; done >"$work/big"
  (cd "$work" && "$arctool" create lzh:lh5 "$big.tmp" big >/dev/null && mv "$big.tmp" "$big")
  rm -f "$work/big"
fi
/usr/bin/time -v "$arctool" cat "$big" big 2>"$work/mem" >/dev/null
rss=$(awk -F: '/Maximum resident set size/{gsub(/ /,"",$2); print $2}' "$work/mem")
echo "1.2 GB -lh5- member extracted: max RSS ${rss} KB ($(( rss / 1024 )) MB; limit 64 MB)"
[ "$rss" -lt $((64 * 1024)) ] || { echo "bench_lzh_decode: memory over 64 MB" >&2; exit 1; }
