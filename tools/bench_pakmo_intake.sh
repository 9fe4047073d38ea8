#!/usr/bin/env bash
# bench_pakmo_intake.sh [FILES]: FILES (10000) small files in nested folders,
# all put on the clipboard and taken in by Pakmo with -copy under Wine; prints
# the time to the full list and the window's slowest answer afterwards. Needs
# the Windows tree's pakmo and intake_bench.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
n=${1:-10000}
src="$top/build/bench-pakmo/files-$n"
if [ ! -d "$src" ]; then
  mkdir -p "$src"
  python3 - "$src" "$n" <<'PY'
import os, sys
root, n = sys.argv[1], int(sys.argv[2])
for i in range(n):
    d = os.path.join(root, 'a%02d' % (i // 1000), 'b%02d' % (i // 100 % 10))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, 'ファイル%05d.txt' % i), 'w') as f:
        f.write('x' * (i % 50))
PY
fi
"$top/tools/wine-run" "$top/build/win64/bin/intake_bench.exe" "Z:$(echo "$src" | tr / '\\')"
