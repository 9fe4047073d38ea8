#!/usr/bin/env bash
# bench_cab32.sh [SLICE_MB]: the Cabinet library as a program reaches it
# (CAB32.DLL's command entry under Wine) against the engine alone (native
# arctool) and cabextract, on the first SLICE_MB (default 32) of each benchmark
# corpus. Extraction of an MSZIP and an LZX:21 cabinet, creation with -mz.
# Seconds, best of RUNS (3). Columns: the engine natively (arctool, clang), the
# engine as a Windows program under the same Wine (arctool.exe, the compiler
# and run-time the library has), the library, cabextract. Windows-side times
# are taken inside the process (ARCTOOL_TIME, archiver_timer.exe), so Wine's
# start-up, which varies by more than a whole extraction takes, is not counted;
# arctool and cabextract are timed as whole processes. lib/eng.exe is the cost
# of the library's own layer over the engine.
# Needs both trees (tools/build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
slice=${1:-32}
runs=${RUNS:-3}
arctool=$top/build/host/bin/arctool
timer=$top/build/win64/bin/archiver_timer.exe
arcexe=$top/build/win64/bin/arctool.exe
for f in "$arctool" "$timer" "$arcexe" "$top/build/win64/bin/CAB32.DLL"; do
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

# inexe ARGS...: least in-process seconds of RUNS runs of arctool.exe, each into an emptied $work/out.
inexe() {
  local b=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    local t; t=$(ARCTOOL_TIME=1 "$top/tools/wine-run" "$arcexe" "$@" 2>&1 >/dev/null | sed -n 's/^arctool-time //p')
    [ -n "$t" ] || { echo "bench_cab32: arctool.exe failed on: $*" >&2; exit 1; }
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}

row() { printf '%-14s %8s %8s %8s %10s %11s %11s\n' "$@"; }
row what engine eng.exe library cabextract lib/eng.exe lib/cabext
for method in mszip lzx:21; do
  (cd "$work/in" && "$arctool" create "cab:$method" "$work/$method.cab" text binary)
  e=$(best "$arctool" extract "$work/$method.cab" "$work/out")
  w=$(inexe extract "$(winpath "$work/$method.cab")" "$(winpath "$work/out")")
  l=$(inlib "-x -i -o $(winpath "$work/$method.cab") $(winpath "$work/out")\\")
  c=$(best cabextract -q -d "$work/out" "$work/$method.cab")
  row "extract $method" "$e" "$w" "$l" "$c" "$(ratio "$l" "$w")" "$(ratio "$l" "$c")"
done
e=$(cd "$work/in" && best "$arctool" create cab:mszip "$work/made.cab" text binary)
w=$(cd "$work/in" && inexe create cab:mszip "$(winpath "$work/out/made.cab")" text binary)
l=$(cd "$work/in" && inlib "-a -i -mz $(winpath "$work/out/made2.cab") $(winpath "$work/in")\\ text binary")
[ -f "$work/out/made2.cab" ] || { echo "bench_cab32: the library made no cabinet" >&2; exit 1; }
cabextract -q -t "$work/out/made2.cab" >/dev/null || { echo "bench_cab32: the library's cabinet does not test" >&2; exit 1; }
row "create mszip" "$e" "$w" "$l" "-" "$(ratio "$l" "$w")" "-"
