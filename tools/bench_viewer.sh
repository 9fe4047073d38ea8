#!/usr/bin/env bash
# bench_viewer.sh [ENTRIES]: lists an LZH archive of ENTRIES (100000) small files
# in Dexlor under Wine and prints the time to the filled list, peak memory and
# the time of each column's sort. Needs tools/build first.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
n=${1:-100000}
cache="$top/build/bench-viewer"
archive="$cache/entries-$n.lzh"
if [ ! -f "$archive" ]; then
  mkdir -p "$cache/src"
  ( cd "$cache/src" && rm -rf d && mkdir d &&
    python3 -c "
import os
for i in range($n):
    d = 'd/%03d' % (i // 1000)
    os.makedirs(d, exist_ok=True)
    with open('%s/ファイル%06d.txt' % (d, i), 'w') as f: f.write('x' * (i % 97))
" && "$top/build/host/bin/arctool" create lzh:lh5 "$archive" d >/dev/null && rm -rf d )
fi
win="Z:$(echo "$archive" | tr / '\\')"
# A settings key that switches the notice off, so that the timing is the listing's.
export WINEPREFIX="$top/build/win64/wineprefix"
key='HKCU\Software\Varn Software Factory\Dexlor'
for v in Left=10 Top=10 Width=800 Hight=600 Col0=300 Col1=100 Col2=60 Col3=120 ViewMessage=TRUE; do
  "$top/tools/wine-run" 'C:\windows\system32\reg.exe' add "$key" /v "${v%%=*}" /t REG_SZ /d "${v#*=}" /f >/dev/null 2>&1
done
"$top/tools/wine-run" "$top/build/win64/bin/viewer_bench.exe" "$win"
