#!/usr/bin/env bash
# bench_tar_onepass.sh: test and extraction of a lone .gz and .bz2 (the 60 MB
# text corpus) and of a .tar.gz and .tar.bz2 (text and binary, 100 MB) through
# the user's paths: the native arctool, and TAR32.DLL under Wine timed inside
# its process (build/win64/bin/archiver_timer.exe: the full check TarCheckArchive
# mode 2 as the test, the x command as the extraction), against
# gzip -t / bzip2 -t / gzip -dc / bzip2 -dc and GNU tar. Listing is shown too:
# it may cost one decode, a test or an extraction must not cost a second.
# Wall seconds, best of RUNS (default 3); "speed" is reference time over ours
# (above 1: we are faster). Needs both trees: build/host (arctool) and
# build/win64 (TAR32.DLL, archiver_timer.exe).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-3}
arctool=$top/build/host/bin/arctool
timer=$top/build/win64/bin/archiver_timer.exe
for f in "$arctool" "$timer" "$top/build/win64/bin/TAR32.DLL"; do
  [ -f "$f" ] || { echo "bench_tar_onepass: $f is missing (build arctool, tar32 and archiver_timer)" >&2; exit 1; }
done
for t in gzip bzip2 tar; do command -v $t >/dev/null || { echo "bench_tar_onepass: $t not installed" >&2; exit 1; }; done
corpus=$top/build/bench-corpus
"$top/tools/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d -p "$top/build" bench-tar.XXXXXX)
trap 'rm -rf "$work"' EXIT
winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

cp "$corpus/text" "$work/text"
gzip -6 -c "$work/text" >"$work/text.gz"
bzip2 -9 -c "$work/text" >"$work/text.bz2"
(cd "$corpus" && tar -cf "$work/corpus.tar" text binary)
gzip -6 -c "$work/corpus.tar" >"$work/corpus.tar.gz"
bzip2 -9 -c "$work/corpus.tar" >"$work/corpus.tar.bz2"

# best CMD...: least wall seconds of RUNS runs, each into an emptied $work/out.
best() {
  local b=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    /usr/bin/time -f '%e' -o "$work/time" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }
    local t; t=$(cat "$work/time")
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}
# bestdll check|list|extract ARCHIVE: the library's own seconds, best of RUNS.
bestdll() {
  local b="" line
  case $1 in
    check) line="--check $(winpath "$2")" ;;
    list) line="--count $(winpath "$2")" ;;
    extract) line="--use-directory=1 xnf \"$(winpath "$2")\" -o \"$(winpath "$work/out")\"" ;;
  esac
  for _ in $(seq "$runs"); do
    rm -rf "$work/out" && mkdir "$work/out"
    local t; t=$("$top/tools/wine-run" "$timer" TAR32.DLL Tar "$line" 2>"$work/err" | cut -d' ' -f1)
    [ -n "$t" ] || { echo "bench_tar_onepass: TAR32 failed on $line: $(cat "$work/err")" >&2; exit 1; }
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
row() { printf '%-14s %-8s %8s %8s %8s %8s %8s %7s %7s\n' "$@"; }
decomp() { case $1 in *gz) echo gzip ;; *) echo bzip2 ;; esac; }

"$top/tools/wine-run" "$timer" >/dev/null 2>&1 || true  # the prefix made before timing
row archive step reference arctool TAR32 a_list T_list speed_a speed_T
for a in text.gz text.bz2 corpus.tar.gz corpus.tar.bz2; do
  f=$work/$a
  z=$(decomp "$a")
  case $a in
    corpus.*) ref_test=$(best tar -xf "$f" -O)
              ref_x=$(best tar -xf "$f" -C "$work/out") ;;
    *)        ref_test=$(best "$z" -t "$f")
              ref_x=$(best sh -c "$z -dc '$f' >'$work/out/text'") ;;
  esac
  a_list=$(best "$arctool" list "$f")
  t_list=$(bestdll list "$f")
  a_test=$(best "$arctool" test "$f")
  t_test=$(bestdll check "$f")
  row "$a" test "$ref_test" "$a_test" "$t_test" "$a_list" "$t_list" "$(ratio "$ref_test" "$a_test")" "$(ratio "$ref_test" "$t_test")"
  a_x=$(best "$arctool" extract "$f" "$work/out")
  t_x=$(bestdll extract "$f")
  row "$a" extract "$ref_x" "$a_x" "$t_x" - - "$(ratio "$ref_x" "$a_x")" "$(ratio "$ref_x" "$t_x")"
done
