#!/usr/bin/env python3
"""Writes the hand-made bad inputs beside this script. The files are kept in
the repository; run this only to change them.

faces/*.rvk   face archives: a 532-byte header (entry count at 512, version
              at 522), the entries' data, the entry table at the end of the
              file (name[256], offset, length, state byte at 264).
              expected.txt: file name, then how many portraits it yields.
ini/*.ini     INI files that break naive line handling.
patch/*       preset patches with malformed lines.
portraits/*   portrait table sources with broken blocks.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(rel, data):
    path = os.path.join(HERE, rel)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def archive(entries, version=512, count=None, cut=0):
    """entries: (name bytes, data bytes, offset override, length override)."""
    out = bytearray(532)
    struct.pack_into("<i", out, 512, len(entries) if count is None else count)
    struct.pack_into("<H", out, 522, version)
    offsets = []
    for name, data, _, _ in entries:
        offsets.append(len(out))
        out += data
    size = 280 if version > 511 else 276
    for (name, data, off, length), at in zip(entries, offsets):
        rec = bytearray(size)
        rec[: min(len(name), 256)] = name[:256]
        struct.pack_into("<I", rec, 256, at if off is None else off)
        struct.pack_into("<I", rec, 260, len(data) if length is None else length)
        out += rec
    return bytes(out[: len(out) - cut] if cut else out)


def e(name, data=b"portrait", off=None, length=None):
    return (name.encode() if isinstance(name, str) else name, data, off, length)


good = [e("BigFaces\\%d.rvi" % n, b"face %d" % n) for n in range(200, 220)]
faces = {
    "twenty-good.rvk": (archive(good), 20),
    "version-511.rvk": (archive(good[:3], version=511), 3),
    "header-only.rvk": (bytes(532), 0),
    "short-header.rvk": (bytes(100), 0),
    # The table is found from the end of the file: cut short, it is read 100
    # bytes early, and one name runs from the last data into the first
    # record ("...face 219BigFaces\200.rvi"). Odd, but inside the folder.
    "truncated-table.rvk": (archive(good, cut=100), 1),
    "truncated-data.rvk": (archive(good)[:2000], 0),
    "count-zero.rvk": (archive(good[:2], count=0), 0),
    "count-minus-one.rvk": (archive(good[:2], count=-1), 0),
    "count-max.rvk": (archive(good[:2], count=0x7FFFFFFF), 0),
    "offset-past-end.rvk": (archive([e("BigFaces\\200.rvi", off=0x7FFFFFF0), good[1]]), 1),
    "length-past-end.rvk": (archive([e("BigFaces\\200.rvi", length=0xFFFFFFFF), good[1]]), 1),
    "dotdot-names.rvk": (archive([e("..\\..\\200.rvi"), e("BigFaces\\..\\..\\201.rvi"),
                                  e("BigFaces\\.\\202.rvi"), e("..\\BigFaces\\203.rvi"), good[4]]), 1),
    "absolute-names.rvk": (archive([e("\\BigFaces\\200.rvi"), e("/BigFaces/201.rvi"),
                                    e("C:\\BigFaces\\202.rvi"), e("C:BigFaces\\203.rvi"),
                                    e("\\\\server\\share\\204.rvi"), good[5]]), 1),
    "garbage.rvk": (bytes((i * 131 + 7) % 256 for i in range(5000)), 0),
}
# A 256-byte portrait name without NUL: "BigFaces\" + folders + "208.rvi".
tail = b"208.rvi"
middle = b"d\\" * ((256 - 9 - len(tail)) // 2)
name = b"BigFaces\\" + middle + tail
name = name[:9] + b"e" * (256 - len(name)) + name[9:]
assert len(name) == 256
faces["name-256-no-nul.rvk"] = (archive([e(name, b"deep"), good[9]]), 2)

lines = []
for fname, (data, count) in sorted(faces.items()):
    put("faces/" + fname, data)
    lines.append("%s %d\n" % (fname, count))
put("faces/expected.txt", "".join(lines).encode())

put("ini/utf8-bom.ini", b"\xef\xbb\xbf[Native]\r\nscale=stretch\r\n[Video]\r\nwidth=800\r\n")
put("ini/nul-bytes.ini", b"[Native]\r\nna\x00me=va\x00lue\r\n\x00\x00\x00\r\n[Vid\x00eo]\r\nx=1\r\n")
put("ini/one-line-no-lf.ini", b"[Native] scale=stretch filter=nearest")
put("ini/cr-only.ini", b"[Native]\rscale=stretch\r[Video]\rwidth=800\r")
put("ini/unbalanced.ini", b"[Native\r\n]scale=x\r\n[[Native]]\r\n[]\r\n=\r\n==\r\n   [  native  ]  trailing\r\nSCALE = old\r\n")
put("ini/empty.ini", b"")
put("ini/only-newlines.ini", b"\n\n\r\n\r\r\n")
put("ini/binary.ini", bytes((i * 197 + 3) % 256 for i in range(4096)))

put("patch/malformed.ini-patch",
    b"x]y[z=1\r\n[a]b\r\n=\r\ntkr.ini[Native]\r\ntkr.ini[Native\r\ntkr.ini Native]key=1\r\n"
    b"tkr.ini[]=\r\ntkr.ini[Native]=nokey\r\n\x00tkr.ini[Nat\x00ive]k\x00ey=v\x00\r\n"
    b"   # comment\r\n;tkr.ini[Native]semi=1\r\n\xef\xbb\xbftkr.ini[Native]bom=1\r\n"
    b"../../outside.ini[S]k=v\r\n/abs/outside.ini[S]k=v\r\ntkr.ini[Native]good=1")

put("portraits/unterminated.xml",
    b"<QVS><PortraitId>200</PortraitId>\n<QVS><PortraitId>201</PortraitId></QVS>\n<QVS><PortraitId>202")
put("portraits/nested-and-odd.xml",
    b"<QVS><QVS><PortraitId>203</PortraitId></QVS></QVS>\n"
    b"<QVS><PortraitId>99999999999999999999999</PortraitId></QVS>\n"
    b"<QVS><PortraitId>-204</PortraitId></QVS>\n<QVS><PortraitId></QVS>\n"
    b"<QVS></QVS>\n</QVS><QVS><PortraitId>  205abc</PortraitId></QVS>\n<QVS><PortraitId>\x00206</PortraitId></QVS>\n"
    b"<QVS><PortraitId>200</PortraitId></QVS>")
put("portraits/only-close-tags.xml", b"</QVS></QVS></QVS><PortraitId>200</PortraitId>")
