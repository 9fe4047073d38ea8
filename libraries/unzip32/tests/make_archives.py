#!/usr/bin/env python3
"""make_archives.py OUT: the archives the UNZIP32.DLL tests read under Wine,
made on the Linux side by Info-ZIP zip and 7z, and crafted ones (Shift-JIS
names, hostile names, ZIP64) that no tool writes. OUT/src holds the files the
tool-made archives were made of; OUT/stamp is written last."""
import os
import shutil
import struct
import subprocess
import sys
import zlib

out = os.path.abspath(sys.argv[1])
src = os.path.join(out, "src")
shutil.rmtree(out, ignore_errors=True)
os.makedirs(os.path.join(src, "sub", "inner"))

JAPANESE = "日本語の名前.txt"


def text(n, seed):
    words = [b"alpha", b"beta", b"gamma", b"delta", b"\xe8\xa1\xa8", b"\n", b"1234", b"zip"]
    x, res = seed, bytearray()
    while len(res) < n:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        res += words[x % len(words)] + b" "
    return bytes(res[:n])


def noise(n, seed):
    x, res = seed, bytearray(n)
    for i in range(n):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        res[i] = (x >> 16) & 0xFF
    return bytes(res)


files = {"text.txt": text(400000, 1), "noise.bin": noise(70000, 2), "empty": b"",
         "sub/inner/" + JAPANESE: text(5000, 3)}
for name, data in files.items():
    with open(os.path.join(src, name), "wb") as f:
        f.write(data)


def tool(*args, stdout=None):
    env = dict(os.environ, LC_ALL="C.UTF-8")
    subprocess.run(args, cwd=src, check=True, env=env, stdout=stdout or subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def target(name):
    return os.path.join(out, name)


if shutil.which("zip"):
    for level in "0169":
        tool("zip", "-q", "-r", "-" + level, target("info%s.zip" % level), ".")
    tool("zip", "-q", "-r", "-Z", "bzip2", target("infobz2.zip"), ".")
    tool("zip", "-q", "-r", "-P", "zip pass", target("infoenc.zip"), ".")
    with open(target("infostream.zip"), "wb") as f:  # to a pipe: data descriptors
        p = subprocess.Popen(["zip", "-q", "-r", "-", "."], cwd=src, stdout=subprocess.PIPE,
                             env=dict(os.environ, LC_ALL="C.UTF-8"))
        f.write(p.stdout.read())
        p.wait()
if shutil.which("7z"):
    for method in ("Deflate", "Deflate64", "BZip2"):
        tool("7z", "a", "-tzip", "-mm=" + method, target("7z%s.zip" % method.lower()), ".")
    for enc in ("ZipCrypto", "AES128", "AES256"):
        tool("7z", "a", "-tzip", "-p7z pass", "-mem=" + enc, target("7z%s.zip" % enc.lower()), ".")


# --- crafted archives ------------------------------------------------------
def craft(path, entries, zip64_end=False):
    """entries: dicts with name (bytes), data, and optional flags, madeBy,
    localOffset (to alias another entry), statedSize, extra."""
    body, central, offsets = bytearray(), bytearray(), []
    for e in entries:
        data = e.get("data", b"")
        packed = zlib.compress(data, 6)[2:-4] if e.get("deflate") else data
        method = 8 if e.get("deflate") else 0
        crc = zlib.crc32(data)
        size = e.get("statedSize", len(data))
        offset = e.get("localOffset")
        if offset is None:
            offset = len(body)
            body += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, e.get("flags", 0), method, 0x6000, 0x5A21, crc,
                                len(packed), size, len(e["name"]), 0) + e["name"] + packed
        extra = e.get("extra", b"")
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, e.get("madeBy", 20), 20, e.get("flags", 0), method,
                               0x6000, 0x5A21, crc, len(packed), size, len(e["name"]), len(extra), 0, 0, 0,
                               e.get("attr", 0x20), offset) + e["name"] + extra
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central), len(body), 0)
    with open(path, "wb") as f:
        f.write(body + central + end)


# Shift-JIS names as Japanese Windows writes them: no flag, 5C trail bytes.
sjis = ["表\\ソ.txt", "予定表.txt", "能力\\十.txt", "ﾊﾝｶｸ.txt"]
craft(target("sjis.zip"), [{"name": n.encode("cp932"), "data": ("内容 " + n).encode("cp932"), "deflate": True}
                           for n in sjis])
# The UTF-8 flag, and the Info-ZIP Unicode path field over a meaningless header name.
upath = "ユニコード名.txt".encode("utf-8")
header_name = b"unicode_path.txt"
craft(target("utf8.zip"), [
    {"name": "フラグ付き.txt".encode("utf-8"), "flags": 0x800, "data": b"flagged"},
    {"name": "한글.txt".encode("utf-8"), "flags": 0x800, "data": b"no Shift-JIS form"},
    {"name": header_name, "data": b"from the field",
     "extra": struct.pack("<HHBI", 0x7075, 5 + len(upath), 1, zlib.crc32(header_name)) + upath},
])
# Names that try to leave the destination, and one whose ".." hides behind a trail byte.
craft(target("hostile.zip"), [
    {"name": b"../../evil1.txt", "data": b"1"},
    {"name": b"/abs/evil2.txt", "data": b"2"},
    {"name": b"C:\\evil3.txt", "data": b"3"},
    {"name": b"..\\evil4.txt", "data": b"4"},
    {"name": "ソ..\\safe5.txt".encode("cp932"), "data": b"5"},
    {"name": b"good.txt", "data": b"good"},
])
# Three central records over one local header: a bomb's layout.
craft(target("overlap.zip"), [{"name": b"a.txt", "data": b"x" * 5000, "deflate": True},
                              {"name": b"a.txt", "data": b"x" * 5000, "deflate": True, "localOffset": 0},
                              {"name": b"alone.txt", "data": b"alone"}])
# A central directory that states less than the data decodes to.
craft(target("liar.zip"), [{"name": b"big.txt", "data": b"y" * 200000, "deflate": True, "statedSize": 1000},
                           {"name": b"ok.txt", "data": b"fine"}])

# More entries than the 16-bit count holds, by Info-ZIP zip from a file list.
if shutil.which("zip"):
    many = os.path.join(out, "many")
    os.makedirs(many)
    for i in range(65600):
        open(os.path.join(many, "f%05d" % i), "wb").close()
    subprocess.run(["zip", "-q", "-0", "-r", target("many.zip"), "."], cwd=many, check=True)
    shutil.rmtree(many)

# An entry over 4 GiB, stored, the archive itself sparse, and a small entry
# after it whose offset only the ZIP64 field can hold. Reading the big one takes
# long; the small one shows that sizes and offsets beyond 32 bits are right.
huge = 4 * 1024 ** 3 + 12345
crc, chunk, left = 0, b"\0" * (1 << 24), huge
while left:
    n = min(left, len(chunk))
    crc = zlib.crc32(chunk[:n], crc)
    left -= n
small = b"after the hole\r\n"
with open(target("zip64.zip"), "wb") as f:
    cd = bytearray()
    for name, size, data_crc, data in ((b"huge.bin", huge, crc, None), (b"after.txt", len(small), zlib.crc32(small), small)):
        offset = f.tell()
        local_extra = struct.pack("<HHQQ", 1, 16, size, size)
        f.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, 45, 0, 0, 0x6000, 0x5A21, data_crc, 0xFFFFFFFF, 0xFFFFFFFF,
                            len(name), len(local_extra)) + name + local_extra)
        if data is None:
            f.seek(f.tell() + size)
        else:
            f.write(data)
        central_extra = struct.pack("<HHQQQ", 1, 24, size, size, offset)
        cd += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 45, 0, 0, 0x6000, 0x5A21, data_crc, 0xFFFFFFFF,
                          0xFFFFFFFF, len(name), len(central_extra), 0, 0, 0, 0x20, 0xFFFFFFFF) + name + central_extra
    cd_offset = f.tell()
    f.write(cd)
    end64 = f.tell()
    f.write(struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, 2, 2, len(cd), cd_offset))
    f.write(struct.pack("<IIQI", 0x07064B50, 0, end64, 1))
    f.write(struct.pack("<IHHHHIIH", 0x06054B50, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0))

open(target("stamp"), "w").write("made\n")
