#!/usr/bin/env bash
# bench_corpus.sh DIR: makes DIR/text (60 MB) and DIR/binary (40 MB), the two
# corpora every benchmark uses, from files on this machine in a fixed order.
# Kept when already made. The same machine gives the same bytes.
set -euo pipefail
dir=${1:?usage: bench_corpus.sh DIR}
mkdir -p "$dir"
export LC_ALL=C

make_corpus() {  # out size find-args...
  local out=$1 size=$2; shift 2
  [ -f "$out" ] && [ "$(stat -c %s "$out")" -eq "$size" ] && return 0
  find "$@" -type f -size +1k 2>/dev/null | sort | while read -r f; do cat "$f" 2>/dev/null; done \
    | head -c "$size" >"$out.tmp" || true
  [ "$(stat -c %s "$out.tmp")" -eq "$size" ] || { echo "bench_corpus: not enough data for $out" >&2; exit 1; }
  mv "$out.tmp" "$out"
}

# Text: C headers, Perl and Python sources, documentation.
make_corpus "$dir/text" $((60 * 1024 * 1024)) /usr/include /usr/share/perl /usr/lib/python3* \
  \( -name '*.h' -o -name '*.pm' -o -name '*.py' -o -name '*.txt' -o -name '*.pod' \)
# Binary: shared libraries and programs.
make_corpus "$dir/binary" $((40 * 1024 * 1024)) /usr/lib/x86_64-linux-gnu /usr/bin \
  \( -name '*.so*' -o -perm -u+x \)
echo "$dir/text $dir/binary"
