#!/usr/bin/env bash
# bench_vs_oracles.sh BEFORE_ARCTOOL AFTER_ARCTOOL: two arctool builds and the
# independent writers in one run, through the command line as a user would:
# LZH -lh5-/-lh6-/-lh7- against jlha, Cabinet MSZIP against gcab -z, and LZX:21
# (which gcab does not write) in MB/s. Corpora: text and binary from
# bench_corpus.sh, and "mix" (text, lists of numbers, random bytes).
# Each figure is the best of RUNS runs (default 1): wall seconds and CPU seconds
# (user + system). Every archive the AFTER build writes is extracted byte for
# byte by lhasa and jlha (LZH) or cabextract (Cabinet) before its row is printed.
# ONLY=lzh or ONLY=cab keeps the rows of that format alone.
set -euo pipefail
before=$(readlink -f "${1:?usage: bench_vs_oracles.sh BEFORE_ARCTOOL AFTER_ARCTOOL}")
after=$(readlink -f "${2:?usage: bench_vs_oracles.sh BEFORE_ARCTOOL AFTER_ARCTOOL}")
runs=${RUNS:-1}
only=${ONLY:-}
case "$only" in ""|lzh|cab) ;; *) echo "bench_vs_oracles: ONLY is lzh or cab" >&2; exit 1 ;; esac
root=$(cd "$(dirname "$0")/.." && pwd)
for tool in jlha lhasa gcab cabextract python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench_vs_oracles: $tool is not installed" >&2; exit 1; }
done
corpus=$root/build/bench-corpus
"$root/tools/bench_corpus.sh" "$corpus" >/dev/null
if [ ! -f "$corpus/mix" ]; then
  { head -c $((10 << 20)) "$corpus/text"; seq 1 1500000
    python3 -c "import random,sys; r=random.Random(21); sys.stdout.buffer.write(r.randbytes(4 << 20))"; } >"$corpus/mix.tmp"
  mv "$corpus/mix.tmp" "$corpus/mix"
fi
work=$(mktemp -d -p "$root/build" bench-oracles.XXXXXX)
trap 'rm -rf "$work"' EXIT

# timed CMD...: runs it RUNS times in the corpus folder; prints "wall cpu" of the fastest.
timed() {
  local best="" cpu="" i
  for ((i = 0; i < runs; i++)); do
    (cd "$corpus" && /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null 2>&1) ||
      { echo "bench_vs_oracles: $* failed" >&2; exit 1; }
    read -r w u s <"$work/time"
    if [ -z "$best" ] || awk -v a="$w" -v b="$best" 'BEGIN { exit !(a < b) }'; then
      best=$w; cpu=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
    fi
  done
  echo "$best $cpu"
}
size() { stat -c %s "$1"; }

checkLzh() {  # archive name: lhasa and jlha must give the corpus file back
  local t
  for t in lhasa jlha; do
    rm -rf "$work/x" && mkdir "$work/x"
    (cd "$work/x" && $t x "$1" >/dev/null 2>&1) && cmp -s "$work/x/$2" "$corpus/$2" ||
      { echo "$t: $1 differs" >&2; exit 1; }
  done
  rm -rf "$work/x"
}
checkCab() {
  cabextract -q -p "$1" 2>/dev/null | cmp -s - "$corpus/$2" || { echo "cabextract: $1 differs" >&2; exit 1; }
}

printf '%-7s %-6s %10s %10s %10s %7s %7s  %6s %6s %6s  %5s %5s %5s\n' corpus format before after oracle \
  b/o a/o b-wall a-wall o-wall b-cpu a-cpu o-cpu
row() {  # corpus format sizes(3) times(6)
  awk -v c="$1" -v f="$2" -v b="$3" -v a="$4" -v o="$5" -v bw="$6" -v bc="$7" -v aw="$8" -v ac="$9" \
    -v ow="${10}" -v oc="${11}" 'BEGIN {
    printf "%-7s %-6s %10d %10d %10s %7s %7s  %6.2f %6.2f %6s  %5.2f %5.2f %5s\n", c, f, b, a,
      (o == "-" ? "-" : o), (o == "-" ? "-" : sprintf("%.4f", b / o)), (o == "-" ? "-" : sprintf("%.4f", a / o)),
      bw, aw, ow, bc, ac, oc }'
}

for name in text binary mix; do
  for m in 5 6 7; do
    [ "$only" = cab ] && break
    read -r bw bc < <(timed "$before" create lzh:lh$m "$work/b.lzh" "$name")
    read -r aw ac < <(timed "$after" create lzh:lh$m "$work/a.lzh" "$name")
    read -r ow oc < <(timed jlha co$m "$work/j.lzh" "$name")
    checkLzh "$work/a.lzh" "$name"
    row "$name" "lh$m" "$(size "$work/b.lzh")" "$(size "$work/a.lzh")" "$(size "$work/j.lzh")" "$bw" "$bc" "$aw" "$ac" "$ow" "$oc"
    rm -f "$work"/*.lzh
  done
  [ "$only" = lzh ] && continue
  read -r bw bc < <(timed "$before" create cab:mszip "$work/b.cab" "$name")
  read -r aw ac < <(timed "$after" create cab:mszip "$work/a.cab" "$name")
  read -r ow oc < <(timed gcab -c -z "$work/g.cab" "$name")
  checkCab "$work/a.cab" "$name"
  row "$name" mszip "$(size "$work/b.cab")" "$(size "$work/a.cab")" "$(size "$work/g.cab")" "$bw" "$bc" "$aw" "$ac" "$ow" "$oc"
  read -r bw bc < <(timed "$before" create cab:lzx:21 "$work/b.cab" "$name")
  read -r aw ac < <(timed "$after" create cab:lzx:21 "$work/a.cab" "$name")
  checkCab "$work/a.cab" "$name"
  row "$name" lzx21 "$(size "$work/b.cab")" "$(size "$work/a.cab")" - "$bw" "$bc" "$aw" "$ac" - -
  awk -v n="$(size "$corpus/$name")" -v b="$bw" -v a="$aw" \
    'BEGIN { printf "%-7s lzx21 MB/s (wall): before %.2f, after %.2f\n", "", n / 1048576 / b, n / 1048576 / a }'
  rm -f "$work"/*.cab
done
echo "b/o, a/o: size against the oracle (jlha co5..7, gcab -z); cpu = user + system seconds"
