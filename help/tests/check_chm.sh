#!/usr/bin/env bash
# check_chm.sh CHM SOURCE_DIR: reads the compiled help file back with chmls and
# checks that the two topics the programs open are in it, that every page came
# through as the Shift-JIS form of its source, and that every link of the pages,
# the table of contents and the index names a file (and anchor) inside it.
set -uo pipefail
chm=$1 src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
bad() { echo "FAIL: $*"; fail=1; }

chmls list "$chm" >"$work/list" 2>&1 || bad "chmls cannot list $chm"
names=$(awk '$NF ~ /^\// {print substr($NF, 2)}' "$work/list")
has() { grep -qxF "$1" <<<"$names"; }

for topic in Dexlor1.htm Pakmo1.htm; do has "$topic" || bad "topic $topic missing"; done

pages=$(cd "$src/pages" && ls)
for p in $pages; do
  has "$p" || { bad "$p missing"; continue; }
  chmls extract "$chm" "/$p" "$work/$p" >/dev/null 2>&1 || { bad "cannot extract $p"; continue; }
  iconv -f UTF-8 -t CP932 "$src/pages/$p" >"$work/$p.expected"
  cmp -s "$work/$p" "$work/$p.expected" || bad "$p differs from its source in Shift-JIS"
done
for f in toc.hhc index.hhk; do
  chmls extract "$chm" "/$f" "$work/$f" >/dev/null 2>&1 || bad "cannot extract $f"
done

# target[#anchor] as written in FILE: the file inside the help file, the anchor in it.
check_target() {
  local from=$1 target=$2 file=${2%%#*} anchor=
  [[ $target == *#* ]] && anchor=${target#*#}
  has "$file" || { bad "$from links to $file, which is not in the help file"; return; }
  if [ -n "$anchor" ]; then
    grep -q "name=\"$anchor\"" "$work/$file" || bad "$from links to $target: no such anchor"
  fi
}

links=0
for p in $pages; do
  [[ $p == *.htm ]] || continue
  iconv -f CP932 -t UTF-8 "$work/$p" >"$work/$p.utf8" || bad "$p is not Shift-JIS"
  grep -q 'charset=Shift_JIS' "$work/$p.utf8" || bad "$p does not declare Shift_JIS"
  while read -r t; do
    check_target "$p" "$t"; links=$((links + 1))
  done < <(grep -o 'href="[^"]*"' "$work/$p.utf8" | sed 's/^href="//; s/"$//' | grep -v '^[a-z]*:')
done
entries=0
for f in toc.hhc index.hhk; do
  while read -r t; do
    check_target "$f" "$t"; entries=$((entries + 1))
  done < <(grep -o 'name="Local" value="[^"]*"' "$work/$f" | sed 's/.*value="//; s/"$//')
done
[ "$entries" -gt 0 ] || bad "the table of contents and the index are empty"
grep -q 'value="Dexlor1.htm"' "$work/toc.hhc" && grep -q 'value="Pakmo1.htm"' "$work/toc.hhc" ||
  bad "the table of contents lacks a topic"

echo "help file: $(wc -w <<<"$names") entries, $links page links and $entries contents and index entries checked"
exit $fail
