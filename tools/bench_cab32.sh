#!/usr/bin/env bash
# bench_cab32.sh [SLICE_MB]: the Cabinet library as a user reaches it (cbcon.exe
# over CAB32.DLL under Wine) against the engine alone (native arctool) and
# cabextract, on the first SLICE_MB (default 32) of each benchmark corpus.
# Extraction of an MSZIP and an LZX:21 cabinet, creation with -mz. Wall seconds,
# best of RUNS (3); the Wine start-up (cbcon printing its usage) is measured the
# same way and taken off the library's times. That start-up (3.5 to 4.5 s on a
# shared machine) varies by more than a 64 MB extraction takes, so extraction
# figures mean something only with a large SLICE_MB and a quiet machine.
# Needs both trees (tools/build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
slice=${1:-32}
runs=${RUNS:-3}
arctool=$top/build/host/bin/arctool
cbcon=$top/build/win64/bin/cbcon.exe
for f in "$arctool" "$cbcon" "$top/build/win64/bin/CAB32.DLL"; do
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

"$top/tools/wine-run" "$cbcon" >/dev/null 2>&1 || true  # the prefix made before timing
startup=$(best "$top/tools/wine-run" "$cbcon")
echo "Wine start-up of cbcon: ${startup} s (taken off the library's times)"
printf '%-16s %9s %9s %11s %10s %10s\n' what engine library cabextract lib/engine lib/cabext
for method in mszip lzx:21; do
  (cd "$work/in" && "$arctool" create "cab:$method" "$work/$method.cab" text binary)
  e=$(best "$arctool" extract "$work/$method.cab" "$work/out")
  l=$(best "$top/tools/wine-run" "$cbcon" -x -i -o "$(winpath "$work/$method.cab")" "$(winpath "$work/out")\\")
  l=$(awk -v a="$l" -v b="$startup" 'BEGIN { printf "%.2f", a - b }')
  c=$(best cabextract -q -d "$work/out" "$work/$method.cab")
  printf '%-16s %9s %9s %11s %10s %10s\n' "extract $method" "$e" "$l" "$c" "$(ratio "$l" "$e")" "$(ratio "$l" "$c")"
done
e=$(cd "$work/in" && best "$arctool" create cab:mszip "$work/made.cab" text binary)
l=$(cd "$work/in" && best "$top/tools/wine-run" "$cbcon" -a -i -mz "$(winpath "$work/made2.cab")" text binary)
l=$(awk -v a="$l" -v b="$startup" 'BEGIN { printf "%.2f", a - b }')
printf '%-16s %9s %9s %11s %10s %10s\n' "create mszip" "$e" "$l" "-" "$(ratio "$l" "$e")" "-"
[ -f "$work/made2.cab" ] || { echo "bench_cab32: cbcon made no cabinet" >&2; exit 1; }
cabextract -q -t "$work/made2.cab" >/dev/null || { echo "bench_cab32: cbcon's cabinet does not test" >&2; exit 1; }
