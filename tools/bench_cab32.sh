#!/usr/bin/env bash
# bench_cab32.sh [SLICE_MB]: the Cabinet library as a program reaches it
# (CAB32.DLL's command entry under Wine) against the engine alone (native
# arctool) and cabextract, on the first SLICE_MB (default 32) of each benchmark
# corpus. Extraction of an MSZIP and an LZX:21 cabinet, creation with -mz.
# Seconds, best of RUNS (3). The library's call is timed inside the Windows
# process (archiver_timer.exe), so Wine's start-up, which varies by more than a
# whole extraction takes, is not counted; arctool and cabextract are timed as
# whole processes, which favours the library slightly.
# Needs both trees (tools/build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
slice=${1:-32}
runs=${RUNS:-3}
arctool=$top/build/host/bin/arctool
timer=$top/build/win64/bin/archiver_timer.exe
for f in "$arctool" "$timer" "$top/build/win64/bin/CAB32.DLL"; do
  [ -f "$f" ] || { echo "bench_cab32: $f is missing (run tools/build)" >&2; exit 1; }
done
command -v cabextract >/dev/null || { echo "bench_cab32: cabextract is not installed" >&2; exit 1; }
corpus=$top/build/bench-corpus
"$top/tools/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d -p "$top/build" bench-cab32.XXXXXX)
trap 'rm -rf "$work"' EXIT
export WINEPREFIX=$top/build/win64/wineprefix
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

mkdir -p "$work/in"
head -c $((slice * 1024 * 1024)) "$corpus/text" >"$work/in/text"
head -c $((slice * 1024 * 1024)) "$corpus/binary" >"$work/in/binary"

# best CMD...: least wall seconds of RUNS runs, each into an emptied $work/out.
best() {
  local b=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    /usr/bin/time -f '%e' -o "$work/time" "$@" >/dev/null 2>&1
    local t; t=$(cat "$work/time")
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", (b > 0 ? a / b : 0) }'; }

# inlib COMMAND-LINE: least in-process seconds of RUNS calls, each into an emptied $work/out.
inlib() {
  local b=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    local t; t=$("$top/tools/wine-run" "$timer" CAB32.DLL Cab "$1" 2>/dev/null | cut -d' ' -f1)
    [ -n "$t" ] || { echo "bench_cab32: the library failed on: $1" >&2; exit 1; }
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}

printf '%-16s %9s %9s %11s %10s %10s\n' what engine library cabextract lib/engine lib/cabext
for method in mszip lzx:21; do
  (cd "$work/in" && "$arctool" create "cab:$method" "$work/$method.cab" text binary)
  e=$(best "$arctool" extract "$work/$method.cab" "$work/out")
  l=$(inlib "-x -i -o $(winpath "$work/$method.cab") $(winpath "$work/out")\\")
  c=$(best cabextract -q -d "$work/out" "$work/$method.cab")
  printf '%-16s %9s %9s %11s %10s %10s\n' "extract $method" "$e" "$l" "$c" "$(ratio "$l" "$e")" "$(ratio "$l" "$c")"
done
e=$(cd "$work/in" && best "$arctool" create cab:mszip "$work/made.cab" text binary)
l=$(cd "$work/in" && inlib "-a -i -mz $(winpath "$work/out/made2.cab") $(winpath "$work/in")\\ text binary")
printf '%-16s %9s %9s %11s %10s %10s\n' "create mszip" "$e" "$l" "-" "$(ratio "$l" "$e")" "-"
[ -f "$work/out/made2.cab" ] || { echo "bench_cab32: the library made no cabinet" >&2; exit 1; }
cabextract -q -t "$work/out/made2.cab" >/dev/null || { echo "bench_cab32: the library's cabinet does not test" >&2; exit 1; }
