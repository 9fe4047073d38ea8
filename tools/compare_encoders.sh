#!/usr/bin/env bash
# compare_encoders.sh OLD_ARCTOOL NEW_ARCTOOL [SLICE_MB]: every arctool create
# format written by two builds on the same inputs, for a refactoring that must
# not change a byte: says for each format whether the archives are identical,
# and each build's best user+system CPU seconds of RUNS runs (default 3) to
# write it and to read it back (arctool test on the same archive).
# Inputs: the first SLICE_MB (default 8) of each benchmark corpus, plus an empty
# file, one byte, 3 MB of zeros and 3 MB of random bytes (made once, fixed seed).
set -euo pipefail
old=$(readlink -f "${1:?usage: compare_encoders.sh OLD_ARCTOOL NEW_ARCTOOL [SLICE_MB]}")
new=$(readlink -f "${2:?usage: compare_encoders.sh OLD_ARCTOOL NEW_ARCTOOL [SLICE_MB]}")
slice=${3:-8}
runs=${RUNS:-3}
root=$(cd "$(dirname "$0")/.." && pwd)
corpus=$root/build/bench-corpus
"$root/tools/bench_corpus.sh" "$corpus" >/dev/null
work=$(mktemp -d -p "$root/build" compare-encoders.XXXXXX)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/in/text" "$work/in/binary" "$work/in/odd"
head -c $((slice * 1024 * 1024)) "$corpus/text" >"$work/in/text/text"
head -c $((slice * 1024 * 1024)) "$corpus/binary" >"$work/in/binary/binary"
: >"$work/in/odd/empty"
printf 'x' >"$work/in/odd/one"
head -c $((3 * 1024 * 1024)) /dev/zero >"$work/in/odd/zeros"
python3 -c "import random,sys; r=random.Random(1); sys.stdout.buffer.write(bytes(r.getrandbits(8) for _ in range(3*1024*1024)))" >"$work/in/odd/random"
touch -d '2020-01-02 03:04:05' "$work/in"/*/*

formats="lzh:lh0 lzh:lh5 lzh:lh6 lzh:lh7 cab:none cab:mszip cab:lzx:15 cab:lzx:18 cab:lzx:21
tar tgz:1 tgz:6 tgz:9 tbz:1 tbz:9 taz"
single="gz bz2 Z"  # one file each

# best CMD...: best user+system seconds of RUNS runs of a command.
best() {
  local b=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%U %S' -o "$work/time" "$@" >/dev/null
    local t; t=$(awk '{printf "%.2f", $1 + $2}' "$work/time")
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}

# cpu OUT TOOL FORMAT FILE...: best user+system seconds of RUNS runs, archive left in OUT.
cpu() {
  local out=$1 tool=$2 format=$3; shift 3
  local best=""
  for _ in $(seq "$runs"); do
    rm -f "$out"
    /usr/bin/time -f '%U %S' -o "$work/time" "$tool" create "$format" "$out" "$@" >/dev/null
    local t; t=$(awk '{printf "%.2f", $1 + $2}' "$work/time")
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
  done
  echo "$best"
}

printf '%-12s %-7s %-10s %8s %8s %6s  %8s %8s %6s\n' format input result old-s new-s new/old read-old read-new new/old
same=0 differ=0
compare() {  # format input files...
  local format=$1 input=$2; shift 2
  local tag=${format//:/-}
  local to tn
  to=$(cd "$work/in/$input" && cpu "$work/old.$tag" "$old" "$format" "$@")
  tn=$(cd "$work/in/$input" && cpu "$work/new.$tag" "$new" "$format" "$@")
  local result=identical
  if cmp -s "$work/old.$tag" "$work/new.$tag"; then same=$((same + 1)); else result=DIFFERENT; differ=$((differ + 1)); fi
  local ratio; ratio=$(awk "BEGIN{ if ($to > 0) printf \"%.3f\", $tn / $to; else print \"-\" }")
  local ro rn
  ro=$(best "$old" test "$work/new.$tag")
  rn=$(best "$new" test "$work/new.$tag")
  local rratio; rratio=$(awk "BEGIN{ if ($ro > 0) printf \"%.3f\", $rn / $ro; else print \"-\" }")
  printf '%-12s %-7s %-10s %8s %8s %6s  %8s %8s %6s\n' "$format" "$input" "$result" "$to" "$tn" "$ratio" "$ro" "$rn" "$rratio"
}
for f in $formats; do
  for input in text binary odd; do compare "$f" "$input" $(ls "$work/in/$input"); done
done
for f in $single; do
  for input in text binary; do compare "$f" "$input" "$input"; done
  compare "$f" odd random
done
echo "compare_encoders: $same identical, $differ different"
[ "$differ" -eq 0 ]
