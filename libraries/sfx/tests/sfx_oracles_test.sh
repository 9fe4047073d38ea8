#!/usr/bin/env bash
# Self-extracting files made by lhcon (UNLHA32 s) and cbcon (CAB32 -f) under
# Wine, checked outside our code: lhasa lists and extracts the LZH ones,
# cabextract the cabinet ones, and the DOS extractor runs in DOSBox, where its
# files must match the sources byte for byte under their 8.3 names.
# usage: sfx_oracles_test.sh LHCON.EXE CBCON.EXE WINE-RUN
set -u
lhcon=$(readlink -f "$1")
cbcon=$(readlink -f "$2")
wine_run=$(readlink -f "$3")
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

winpath() { local p; p=$(readlink -f "$1"); printf 'Z:%s' "${p//\//\\}"; }
lh() { "$wine_run" "$lhcon" "$@" >>lhcon.log 2>&1; }
cb() { "$wine_run" "$cbcon" "$@" >>cbcon.log 2>&1; }
# Contents only: lhasa writes a 5C trail byte of a name as a separator.
sums() { (cd "$1" && find . -type f -exec sh -c 'md5sum <"$1"' _ {} \; | cut -d' ' -f1 | sort); }

# The sources: text, random bytes, an empty file, folders, names DOS cannot hold.
mkdir -p src/sub/deep src/kanji
python3 - <<'EOF'
import random
r = random.Random(7)
words = [bytes(r.choice(b'abcdefghij') for _ in range(r.randint(2, 8))) for _ in range(500)]
text = b'\r\n'.join(b' '.join(r.choice(words) for _ in range(10)) for _ in range(4000))
open('src/text.txt', 'wb').write(text)
open('src/rand.bin', 'wb').write(bytes(r.getrandbits(8) for _ in range(70000)))
open('src/empty.dat', 'wb').close()
open('src/sub/deep/verylongname.text', 'wb').write(text[:90000])
open('src/sub/my.file.name.txt', 'wb').write(bytes(r.choice(b'ab\0\xff') for _ in range(120000)))
open('src/kanji/' + '表示ソフト.txt', 'wb').write(text[:5000])
EOF
# DOSBox cannot create names with Shift-JIS bytes in its host folder: the DOS
# runs take the tree without them.
cp -r src srcdos && rm -r srcdos/kanji
# The DOS names of the same files, as the extractor makes them.
declare -A dosname=(
  [text.txt]=TEXT.TXT [rand.bin]=RAND.BIN [empty.dat]=EMPTY.DAT
  [sub/deep/verylongname.text]=SUB/DEEP/VERYLONG.TEX [sub/my.file.name.txt]=SUB/MY_FILE_.TXT
)

dosbox_ok=1
command -v dosbox >/dev/null || { echo "dosbox missing: the DOS checks are skipped"; dosbox_ok=0; }
# Runs PROGRAM.EXE in DOSBox inside DIR; its report in DIR/LOG.TXT, its exit status in DIR/RC.TXT.
run_dos() {
  local dir=$1
  printf 'ARC.EXE > LOG.TXT\r\nIF ERRORLEVEL 2 GOTO two\r\nIF ERRORLEVEL 1 GOTO one\r\nECHO 0 > RC.TXT\r\nGOTO end\r\n:two\r\nECHO 2 > RC.TXT\r\nGOTO end\r\n:one\r\nECHO 1 > RC.TXT\r\n:end\r\nEXIT\r\n' >"$dir/RUN.BAT"
  SDL_VIDEODRIVER=dummy dosbox -c "mount c $(readlink -f "$dir")" -c "c:" -c "RUN.BAT" >dosbox.log 2>&1
  tr -d ' \r\n' <"$dir/RC.TXT" 2>/dev/null
}

# Runs the DOS program EXE in a fresh folder RUN: status 0, every file as its source.
check_dos() {
  local label=$1 exe=$2 run=$3 rc f
  mkdir -p "$run"
  cp "$exe" "$run/ARC.EXE"
  rc=$(run_dos "$run")
  [ "$rc" = 0 ] || fail "$label: the DOS extractor's status is '$rc'"
  for f in "${!dosname[@]}"; do
    cmp -s "src/$f" "$run/${dosname[$f]}" || fail "$label: DOS ${dosname[$f]} differs from $f"
  done
}

for pair in 0:lh0 1:lh5 3:lh6 4:lh7; do
  m=${pair%%:*} method=${pair#*:}
  arc=$method.lzh
  lh a -x -r2 -jm$m "$(winpath .)\\$arc" "$(winpath src)\\" '*.*'
  [ -f "$arc" ] || { fail "$method: no archive made"; continue; }

  # -gw: the Windows extractor; lhasa reads the archive inside it.
  mkdir -p "win_$method"
  lh s "$(winpath "$arc")" "$(winpath "win_$method")\\" -gw -x -+ -a1
  exe=win_$method/$method.exe
  if [ -f "$exe" ]; then
    mkdir -p "lhasa_$method"
    (cd "lhasa_$method" && lha xq "../$exe" >/dev/null 2>&1) || fail "$method: lhasa cannot extract $exe"
    [ "$(sums src)" = "$(sums "lhasa_$method")" ] || fail "$method: lhasa's files from $exe differ from the sources"
    [ "$(head -c 2 "$exe")" = MZ ] || fail "$method: $exe is no program"
  else
    fail "$method: s -gw made no $exe"
  fi

  # No kind switch: the DOS extractor, run in DOSBox.
  mkdir -p "dos_$method"
  lh a -x -r2 -jm$m "$(winpath "dos_$method")\\$arc" "$(winpath srcdos)\\" '*.*'
  lh s "$(winpath "dos_$method/$arc")" "$(winpath "dos_$method")\\" -x -+ -a1
  exe=dos_$method/$method.exe
  [ -f "$exe" ] || { fail "$method: s made no DOS $exe"; continue; }
  (mkdir -p "lhasa_dos_$method" && cd "lhasa_dos_$method" && lha xq "../$exe" >/dev/null 2>&1) ||
    fail "$method: lhasa cannot extract the DOS $exe"
  [ $dosbox_ok = 1 ] || continue
  run=run_$method
  check_dos "$method" "$exe" "$run"
  grep -q 'verylongname.text -> sub\\deep\\verylong.tex  OK' "$run/LOG.TXT" ||
    fail "$method: the report does not name both forms: $(cat "$run/LOG.TXT")"
  ls "$run" | grep -qi '\.TMP$' && fail "$method: a temporary file was left"
done

# Header levels 0 and 1 (the loop above wrote level 2) in the DOS extractor.
if [ $dosbox_ok = 1 ]; then
  for h in 0 1; do
    mkdir -p "level$h"
    lh a -x -r2 -h$h -jm1 "$(winpath "level$h")\\l$h.lzh" "$(winpath srcdos)\\" '*.*'
    lh s "$(winpath "level$h/l$h.lzh")" "$(winpath "level$h")\\" -x -+ -a1
    [ -f "level$h/l$h.exe" ] || { fail "level $h: s made no DOS program"; continue; }
    check_dos "level $h" "level$h/l$h.exe" "run_level$h"
  done
fi

# A damaged member in the DOS extractor: reported, status 1, the file removed.
if [ $dosbox_ok = 1 ] && [ -f dos_lh7/lh7.exe ]; then
  mkdir -p run_bad
  python3 - dos_lh7/lh7.exe run_bad/ARC.EXE <<'EOF'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
# text.txt's compressed data: just after its header, which names it.
at = data.index(b'text.txt') + 200
for i in range(40):
    data[at + i] ^= 0x55
open(sys.argv[2], 'wb').write(data)
EOF
  rc=$(run_dos run_bad)
  [ "$rc" = 1 ] || fail "damaged DOS member: status '$rc'"
  [ -e run_bad/TEXT.TXT ] && fail "damaged DOS member: TEXT.TXT left behind"
  grep -q 'text.txt  \(CRC error\|damaged data\)' run_bad/LOG.TXT || fail "damaged DOS member not reported: $(cat run_bad/LOG.TXT)"
  cmp -s src/rand.bin run_bad/RAND.BIN || fail "damaged DOS member: the sound RAND.BIN is missing"
  # Only the program, cut inside the archive's first header: status 2, nothing written.
  mkdir -p run_cut
  python3 - dos_lh7/lh7.exe run_cut/ARC.EXE <<'EOF'
import sys
data = open(sys.argv[1], 'rb').read()
last, pages = int.from_bytes(data[2:4], 'little'), int.from_bytes(data[4:6], 'little')
stub = pages * 512 - (512 - last if last else 0)
open(sys.argv[2], 'wb').write(data[:stub + 10])
EOF
  rc=$(run_dos run_cut)
  [ "$rc" = 2 ] || fail "cut DOS archive: status '$rc'"
  [ "$(ls run_cut | sort | tr '\n' ' ')" = "ARC.EXE LOG.TXT RC.TXT RUN.BAT " ] || fail "cut DOS archive wrote: $(ls run_cut)"
fi

# Long names that shorten alike, in the DOS extractor: each keeps its own file.
# Checks RUN against SRC: every source file is byte for byte under the DOS name
# its report line gives, and the files made are exactly the DOS names that follow.
reported_names_ok() {
  python3 - "$@" <<'EOF'
import os, sys
label, src, run, *expected = sys.argv[1:]
problems = []
named = {}
for line in open(os.path.join(run, 'LOG.TXT'), 'rb').read().decode('latin-1').replace('\r', '').split('\n'):
    if line.endswith('  OK'):
        stored, _, dos = line[:-4].partition(' -> ')
        named[stored.replace('\\', '/')] = (dos or stored).replace('\\', '/').upper()
for root, _, files in os.walk(src):
    for f in files:
        rel = os.path.relpath(os.path.join(root, f), src)
        dos = os.path.join(run, named.get(rel, '?'))
        if not os.path.isfile(dos) or open(dos, 'rb').read() != open(os.path.join(src, rel), 'rb').read():
            problems.append(f'{rel} is not under its reported name {named.get(rel)}')
made = sorted(os.path.relpath(os.path.join(r, f), run) for r, _, fs in os.walk(run) for f in fs
              if r != run or f not in ('ARC.EXE', 'LOG.TXT', 'RC.TXT', 'RUN.BAT'))
if made != sorted(expected):
    problems.append(f'made {made}')
for p in problems:
    print(f'FAIL: {label}: {p}')
sys.exit(1 if problems else 0)
EOF
}
if [ $dosbox_ok = 1 ]; then
  mkdir -p coll/LongFolderA coll/LongFolderB coll_dos
  python3 - <<'EOF'
import random
r = random.Random(11)
for name in ('LongName1.txt', 'LongName2.txt', 'LongName3.txt', 'a.htm', 'a.html',
             'LongFolderA/x.txt', 'LongFolderA/y.txt', 'LongFolderB/x.txt', 'LongFolderB/y.txt'):
    open('coll/' + name, 'wb').write(bytes(r.getrandbits(8) for _ in range(r.randint(100, 3000))))
EOF
  collided=(LONGNAME.TXT LONGNA~1.TXT LONGNA~2.TXT A.HTM A~1.HTM LONGFOLD/X.TXT LONGFOLD/Y.TXT LONGFO~1/X.TXT LONGFO~1/Y.TXT)
  lh a -x -r2 "$(winpath coll_dos)\\coll.lzh" "$(winpath coll)\\" '*.*'
  lh s "$(winpath coll_dos/coll.lzh)" "$(winpath coll_dos)\\" -x -+ -a1
  if [ -f coll_dos/coll.exe ]; then
    mkdir -p run_coll
    cp coll_dos/coll.exe run_coll/ARC.EXE
    rc=$(run_dos run_coll)
    [ "$rc" = 0 ] || fail "colliding names: status '$rc'"
    reported_names_ok "colliding names" coll run_coll "${collided[@]}" || failures=$((failures + 1))
    grep -q 'LongName[123]\.txt -> LongNa~2\.txt  OK' run_coll/LOG.TXT ||
      fail "colliding names: no ~2 in the report: $(cat run_coll/LOG.TXT)"
    # Again over its own output, one file spoilt: the same names, replaced, no new ~N.
    cp run_coll/LOG.TXT first_log.txt
    echo spoilt >run_coll/LONGNA~1.TXT
    rc=$(run_dos run_coll)
    [ "$rc" = 0 ] || fail "colliding names, second run: status '$rc'"
    reported_names_ok "colliding names, second run" coll run_coll "${collided[@]}" || failures=$((failures + 1))
    cmp -s first_log.txt run_coll/LOG.TXT || fail "colliding names, second run: another report: $(cat run_coll/LOG.TXT)"

    # A member stored twice under one name (folder case aside): the later replaces the earlier.
    mkdir -p run_twice
    python3 - coll_dos/coll.exe run_twice/ARC.EXE <<'EOF'
import sys
def crc16(data):
    c = 0
    for b in data:
        c ^= b
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
    return c
def member(folder, name, data):
    # level 2, -lh0-: name and folder extended headers, then the data
    ext = b''.join((len(e) + 2).to_bytes(2, 'little') + e for e in (b'\1' + name, b'\2' + folder + b'\xff'))
    fixed = (b'-lh0-' + len(data).to_bytes(4, 'little') * 2 + (1262304000).to_bytes(4, 'little')
             + b'\x20\x02' + crc16(data).to_bytes(2, 'little') + b'M')
    return (2 + len(fixed) + len(ext) + 2).to_bytes(2, 'little') + fixed + ext + b'\0\0' + data
prog = open(sys.argv[1], 'rb').read()
last, pages = int.from_bytes(prog[2:4], 'little'), int.from_bytes(prog[4:6], 'little')
stub = prog[:pages * 512 - (512 - last if last else 0)]
open(sys.argv[2], 'wb').write(stub + member(b'LongFolder', b'Twice.txt', b'first' * 300)
                              + member(b'LONGFOLDER', b'Twice.txt', b'second' * 200) + b'\0')
EOF
    rc=$(run_dos run_twice)
    [ "$rc" = 0 ] || fail "a member stored twice: status '$rc'"
    [ "$(cd run_twice && find . -type f ! -name ARC.EXE ! -name LOG.TXT ! -name RC.TXT ! -name RUN.BAT)" = ./LONGFOLD/TWICE.TXT ] ||
      fail "a member stored twice: made $(cd run_twice && find . -type f)"
    [ "$(cat run_twice/LONGFOLD/TWICE.TXT 2>/dev/null)" = "$(python3 -c "print('second' * 200, end='')")" ] ||
      fail "a member stored twice: the later one did not replace the earlier"
  else
    fail "colliding names: s made no DOS coll.exe"
  fi
fi

# -jw: refused, nothing made.
mkdir -p w31
lh s "$(winpath lh7.lzh)" "$(winpath w31)\\" -jw -x -+ -a1
[ -z "$(ls w31)" ] || fail "-jw made $(ls w31)"

# CAB32 -f: cabextract reads the cabinet inside the program.
for ml in -mz -ml:21; do
  cab=t${ml//[:-]/}.cab
  cb -a -r $ml "$(winpath .)\\$cab" "$(winpath src)\\" '*.*'
  [ -f "$cab" ] || { fail "$ml: no cabinet"; continue; }
  mkdir -p "cab_$ml"
  cb -f "$(winpath "$cab")" "$(winpath "cab_$ml")\\"
  exe=cab_$ml/${cab%.cab}.exe
  [ -f "$exe" ] || { fail "$ml: -f made no $exe"; continue; }
  mkdir -p "cabextract_$ml"
  cabextract -q -d "cabextract_$ml" "$exe" >/dev/null 2>&1 || fail "$ml: cabextract cannot extract $exe"
  [ "$(sums src)" = "$(sums "cabextract_$ml")" ] || fail "$ml: cabextract's files from $exe differ from the sources"
done

if [ $failures -gt 0 ]; then
  echo "--- lhcon"; iconv -f CP932 -t UTF-8 lhcon.log 2>/dev/null | tail -20
  echo "--- cbcon"; iconv -f CP932 -t UTF-8 cbcon.log 2>/dev/null | tail -20
  echo "$failures failure(s)"
  exit 1
fi
echo "all self-extracting checks passed"
