#!/usr/bin/env bash
# bench_cab.sh [BUILD]: the Cabinet engine on the benchmark corpora, through
# arctool. MSZIP and LZX:21 decoding time against cabextract (both writing to
# /dev/null), MSZIP size and time against gcab -z, LZX:21 size against gcab -z.
# Encoders show wall and CPU (user + system) seconds; MSZIP encodes on several
# threads and LZX on two, so both are also run pinned to one CPU ("1 CPU", with
# taskset), which gives their single-thread time. BUILD is a native build tree
# with bin/arctool (default build/cab). Each time is the best of three runs; the machine may be
# shared, so read them as such.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/cab}" && pwd)
arctool=$build/bin/arctool
[ -x "$arctool" ] || { echo "bench_cab: no $arctool (build the arctool target)" >&2; exit 1; }
for tool in gcab cabextract bc taskset /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench_cab: $tool is not installed" >&2; exit 1; }
done
corpus=$root/build/bench-corpus
"$root/tools/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d -p "$root/build" bench-cab.XXXXXX)
trap 'rm -rf "$work"' EXIT

# best3 CMD...: the shortest wall time of three runs, in seconds; that run's
# user + system seconds are left for cpu() (best3 runs in a subshell).
best3() {
  local best="" cpu=""
  for _ in 1 2 3; do
    local t
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null || { echo "bench_cab: $* failed" >&2; exit 1; }
    read -r wall user sys <"$work/time"
    t=$wall
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc)" -eq 1 ]; then best=$t; cpu=$(echo "$user + $sys" | bc); fi
  done
  echo "$cpu" >"$work/cpu"
  printf '%.3f' "$best"
}
cpu() { cat "$work/cpu"; }
ratio() { printf '%.3f' "$(echo "scale=6; $1 / $2" | bc)"; }
mb_s() { printf '%.1f' "$(echo "scale=6; $1 / 1048576 / $2" | bc)"; }

printf '%-7s %-30s %12s %9s %9s %8s %9s\n' corpus what bytes seconds cpu MB/s ratio
row() {  # corpus what bytes wall cpu size ratio
  printf '%-7s %-30s %12s %9.3f %9s %8s %9s\n' "$1" "$2" "$3" "$4" "$5" "$(mb_s "$6" "$4")" "$7"
}
for name in text binary; do
  size=$(stat -c %s "$corpus/$name")
  mkdir -p "$work/$name"
  # arctool leaves symbolic links out: a hard link, or a copy.
  ln "$corpus/$name" "$work/$name/$name" 2>/dev/null || cp "$corpus/$name" "$work/$name/$name"
  cd "$work/$name"

  t_gcab=$(best3 gcab -c -z "$work/gcab.cab" "$name"); c_gcab=$(cpu)
  s_gcab=$(stat -c %s "$work/gcab.cab")
  t_mszip=$(best3 "$arctool" create cab:mszip "$work/mszip.cab" "$name"); c_mszip=$(cpu)
  s_mszip=$(stat -c %s "$work/mszip.cab")
  t_one=$(best3 taskset -c 0 "$arctool" create cab:mszip "$work/mszip1.cab" "$name"); c_one=$(cpu)
  cmp -s "$work/mszip.cab" "$work/mszip1.cab" || { echo "bench_cab: MSZIP output depends on the CPUs" >&2; exit 1; }
  t_lzx=$(best3 "$arctool" create cab:lzx:21 "$work/lzx.cab" "$name"); c_lzx=$(cpu)
  s_lzx=$(stat -c %s "$work/lzx.cab")
  t_lzx1=$(best3 taskset -c 0 "$arctool" create cab:lzx:21 "$work/lzx1.cab" "$name"); c_lzx1=$(cpu)
  cmp -s "$work/lzx.cab" "$work/lzx1.cab" || { echo "bench_cab: LZX output depends on the CPUs" >&2; exit 1; }

  row "$name" "gcab -z encode" "$s_gcab" "$t_gcab" "$c_gcab" "$size" 1.000
  row "$name" "arctool cab:mszip encode" "$s_mszip" "$t_mszip" "$c_mszip" "$size" "$(ratio "$s_mszip" "$s_gcab")"
  row "$name" "arctool cab:mszip encode 1 CPU" "$s_mszip" "$t_one" "$c_one" "$size" "$(ratio "$s_mszip" "$s_gcab")"
  row "$name" "arctool cab:lzx:21 encode" "$s_lzx" "$t_lzx" "$c_lzx" "$size" "$(ratio "$s_lzx" "$s_gcab")"
  row "$name" "arctool cab:lzx:21 encode 1 CPU" "$s_lzx" "$t_lzx1" "$c_lzx1" "$size" "$(ratio "$s_lzx" "$s_gcab")"

  for cab in mszip lzx; do
    t_ours=$(best3 "$arctool" cat "$work/$cab.cab" "$name")
    t_theirs=$(best3 cabextract -q -p "$work/$cab.cab")
    row "$name" "cabextract $cab decode" - "$t_theirs" - "$size" 1.000
    row "$name" "arctool $cab decode" - "$t_ours" - "$size" "$(ratio "$t_ours" "$t_theirs")"
  done
  # The decoded bytes must be the corpus's, or the times mean nothing.
  cmp -s <("$arctool" cat "$work/mszip.cab" "$name") "$corpus/$name" || { echo "bench_cab: MSZIP round trip differs" >&2; exit 1; }
  cmp -s <("$arctool" cat "$work/lzx.cab" "$name") "$corpus/$name" || { echo "bench_cab: LZX round trip differs" >&2; exit 1; }
done
echo "ratio: size against gcab -z for encoders, time against cabextract for decoders (lower is better)"
