#!/usr/bin/env bash
# bench_cab.sh [BUILD]: the Cabinet engine on the benchmark corpora, through
# arctool. MSZIP and LZX:21 decoding time against cabextract (both writing to
# /dev/null), MSZIP size and time against gcab -z, LZX:21 size against gcab -z.
# BUILD is a native build tree with bin/arctool (default build/cab). Each time
# is the best of three runs; the machine may be shared, so read them as such.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/cab}" && pwd)
arctool=$build/bin/arctool
[ -x "$arctool" ] || { echo "bench_cab: no $arctool (build the arctool target)" >&2; exit 1; }
for tool in gcab cabextract bc; do
  command -v "$tool" >/dev/null || { echo "bench_cab: $tool is not installed" >&2; exit 1; }
done
corpus=$root/build/bench-corpus
"$root/tools/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d -p "$root/build" bench-cab.XXXXXX)
trap 'rm -rf "$work"' EXIT

# best3 CMD...: the shortest wall time of three runs, in seconds.
best3() {
  local best=""
  for _ in 1 2 3; do
    local start end t
    start=$(date +%s.%N)
    "$@" >/dev/null || { echo "bench_cab: $* failed" >&2; exit 1; }
    end=$(date +%s.%N)
    t=$(echo "$end - $start" | bc)
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" -eq 1 ]; then best=$t; fi
  done
  printf '%.3f' "$best"
}
ratio() { printf '%.3f' "$(echo "scale=6; $1 / $2" | bc)"; }
mb_s() { printf '%.1f' "$(echo "scale=6; $1 / 1048576 / $2" | bc)"; }

printf '%-7s %-28s %12s %9s %8s %9s\n' corpus what bytes seconds MB/s ratio
for name in text binary; do
  size=$(stat -c %s "$corpus/$name")
  mkdir -p "$work/$name"
  # arctool leaves symbolic links out: a hard link, or a copy.
  ln "$corpus/$name" "$work/$name/$name" 2>/dev/null || cp "$corpus/$name" "$work/$name/$name"
  cd "$work/$name"

  t_gcab=$(best3 gcab -c -z "$work/gcab.cab" "$name")
  s_gcab=$(stat -c %s "$work/gcab.cab")
  t_mszip=$(best3 "$arctool" create cab:mszip "$work/mszip.cab" "$name")
  s_mszip=$(stat -c %s "$work/mszip.cab")
  start=$(date +%s.%N)
  "$arctool" create cab:lzx:21 "$work/lzx.cab" "$name"
  t_lzx=$(echo "$(date +%s.%N) - $start" | bc)
  s_lzx=$(stat -c %s "$work/lzx.cab")

  printf '%-7s %-28s %12d %9.3f %8s %9s\n' "$name" "gcab -z encode" "$s_gcab" "$t_gcab" "$(mb_s "$size" "$t_gcab")" 1.000
  printf '%-7s %-28s %12d %9.3f %8s %9s\n' "$name" "arctool cab:mszip encode" "$s_mszip" "$t_mszip" \
    "$(mb_s "$size" "$t_mszip")" "$(ratio "$s_mszip" "$s_gcab")"
  printf '%-7s %-28s %12d %9.3f %8s %9s\n' "$name" "arctool cab:lzx:21 encode" "$s_lzx" "$t_lzx" \
    "$(mb_s "$size" "$t_lzx")" "$(ratio "$s_lzx" "$s_gcab")"

  for cab in mszip lzx; do
    t_ours=$(best3 "$arctool" cat "$work/$cab.cab" "$name")
    t_theirs=$(best3 cabextract -q -p "$work/$cab.cab")
    printf '%-7s %-28s %12s %9.3f %8s %9s\n' "$name" "cabextract $cab decode" - "$t_theirs" "$(mb_s "$size" "$t_theirs")" 1.000
    printf '%-7s %-28s %12s %9.3f %8s %9s\n' "$name" "arctool $cab decode" - "$t_ours" "$(mb_s "$size" "$t_ours")" \
      "$(ratio "$t_ours" "$t_theirs")"
  done
  # The decoded bytes must be the corpus's, or the times mean nothing.
  cmp -s <("$arctool" cat "$work/mszip.cab" "$name") "$corpus/$name" || { echo "bench_cab: MSZIP round trip differs" >&2; exit 1; }
  cmp -s <("$arctool" cat "$work/lzx.cab" "$name") "$corpus/$name" || { echo "bench_cab: LZX round trip differs" >&2; exit 1; }
done
echo "ratio: size against gcab -z for encoders, time against cabextract for decoders (lower is better)"
