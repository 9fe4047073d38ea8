#!/usr/bin/env bash
# bench_zip32.sh: extraction through UNZIP32.DLL (timed inside the Windows
# process by archiver_timer.exe, so Wine's start-up is left out) against
# Info-ZIP `unzip -o -qq`, on zip -6 and zip -9 archives of the benchmark
# corpora (60 MB text, 40 MB binary) and on a 7z AES-256 archive of the text
# (unzip cannot read AES; 7z x is timed there instead). Wall seconds, best of
# RUNS (3), each into an emptied folder; a ratio above 1 means the DLL is
# faster. Needs the Windows tree's UNZIP32.DLL and archiver_timer.exe.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin=$top/build/win64/bin
for f in "$bin/UNZIP32.DLL" "$bin/archiver_timer.exe"; do
  [ -f "$f" ] || { echo "bench_zip32: $f is missing (build the unzip32 and archiver_timer targets)" >&2; exit 1; }
done
for t in zip unzip 7z; do command -v $t >/dev/null || { echo "bench_zip32: $t is not installed" >&2; exit 1; }; done
runs=${RUNS:-3}
corpus=$top/build/bench-corpus
"$top/tools/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d -p "$top/build" bench-zip32.XXXXXX)
trap 'rm -rf "$work"' EXIT
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

best_of() {  # prints the least of the numbers on stdin
  sort -n | head -1
}
dll() {  # archive [switches]: best seconds of the DLL's own timing
  local i t
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir "$work/out"
    t=$("$top/tools/wine-run" "$bin/archiver_timer.exe" "$bin/UNZIP32.DLL" UnZip \
      "-x -o ${2:-} \"$(winpath "$1")\" \"$(winpath "$work/out")\\\"" | tr -d '\r')
    echo "${t%% *}"
  done | best_of
}
native() {  # cmd...: best wall seconds
  local i
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir "$work/out"
    /usr/bin/time -f '%e' -o "$work/time" "$@" >/dev/null 2>&1
    cat "$work/time"
  done | best_of
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
same() { cmp -s "$work/out/$1" "$corpus/$1" || { echo "bench_zip32: $1 did not come back byte for byte" >&2; exit 1; }; }

"$top/tools/wine-run" "$bin/archiver_timer.exe" >/dev/null 2>&1 || true  # the prefix made before timing
printf '%-18s %9s %9s %7s\n' archive other dll other/dll
for level in 6 9; do
  for name in text binary; do
    zip -q -j -"$level" "$work/$name$level.zip" "$corpus/$name"
    d=$(dll "$work/$name$level.zip"); same "$name"
    u=$(native unzip -o -qq "$work/$name$level.zip" -d "$work/out"); same "$name"
    printf '%-18s %9s %9s %7s\n' "unzip $name -$level" "$u" "$d" "$(ratio "$u" "$d")"
  done
done
7z a -tzip -mem=AES256 -pbench "$work/aes.zip" "$corpus/text" >/dev/null
d=$(dll "$work/aes.zip" -Pbench); same text
s=$(native 7z x -y -pbench -o"$work/out" "$work/aes.zip"); same text
printf '%-18s %9s %9s %7s\n' "7z text AES-256" "$s" "$d" "$(ratio "$s" "$d")"
