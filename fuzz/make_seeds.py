"""Writes seed inputs for the fuzz targets into CORPUS/<target>/ (kept
when they already exist, so a corpus grows from run to run)."""
import io
import os
import sys
import zipfile

corpus = sys.argv[1]


def seed(target, name, data):
    d = os.path.join(corpus, target)
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, name), "wb") as f:
        f.write(data)


def utf16(text):
    return b"\xff\xfe" + text.encode("utf-16-le")


seed("fuzz_ini", "utf16", utf16("[MD5]\r\n.\\a.bin=0123456789abcdef0123456789abcdef\r\n"))
seed("fuzz_ini", "ansi", "x=1\n[]\n; note\n  k  =  v  \n[S]\nt\t=\tw\n[cut\n".encode("gbk"))
seed("fuzz_ini", "gbk", "[MD5]\n.\\中文=1\n".encode("gbk"))

record = "M3710".encode("utf-16-le").ljust(1536, b"\0") + (1).to_bytes(4, "little") + b"\0" * 4
seed("fuzz_verify", "full", record)
seed("fuzz_verify", "short", record[:1543])
seed("fuzz_verify", "long", record + b"x" * 456)


def archive(entries):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, (2016, 3, 15, 10, 20, 30))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data)
    return buf.getvalue()


seed("fuzz_unzip", "tree", archive([("sub/", b""), ("sub/a.bin", b"a" * 300), ("x/y/z.txt", b"z"), ("top", b"t")]))
seed("fuzz_unzip", "escape", archive([("../up.txt", b"u"), ("/abs", b"a"), ("ok.txt", b"o")]))
seed("fuzz_unzip", "gbk", archive([("\u4e2d\u6587.txt", b"zh")]))


# Archives the extractor refuses as damaged, written field by field so each
# one differs from a good archive in one way.
import struct
import zlib


def raw_archive(entries, count_delta=0, count=None):
    """entries: dicts with name, data, and optional method, flags, crc,
    size, local_name, made_by, external, shares (index of an earlier entry),
    central_flags (the central record's, when other than the local header's),
    central_extra."""
    out, central, offsets = b"", b"", []
    for e in entries:
        if "shares" in e:
            offsets.append(offsets[e["shares"]])
            continue
        offsets.append(len(out))
        name = e.get("local_name", e["name"])
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, e.get("flags", 0), e.get("method", 0), 0, 0x5021,
                           e["crc"], len(e["data"]), e["size"], len(name), 0) + name + e["data"]
    for e, offset in zip(entries, offsets):
        data = entries[e["shares"]]["data"] if "shares" in e else e["data"]
        extra = e.get("central_extra", b"")
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, e.get("made_by", 20), 20,
                               e.get("central_flags", e.get("flags", 0)), e.get("method", 0), 0, 0x5021, e["crc"],
                               len(data), e["size"], len(e["name"]), len(extra), 0, 0, 0, e.get("external", 0),
                               offset) + e["name"] + extra
    n = count if count is not None else len(entries) + count_delta
    return out + central + struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, n, n, len(central), len(out), 0)


def stored(name, data, **extra):
    return dict(name=name, data=data, crc=zlib.crc32(data), size=len(data), **extra)


def deflated(name, data, **extra):
    c = zlib.compressobj(9, zlib.DEFLATED, -15)
    e = stored(name, data, **extra)
    e.update(data=c.compress(data) + c.flush(), method=8)
    return e


good = stored(b"a.txt", b"a")
seed("fuzz_unzip", "bad-crc", raw_archive([good, dict(deflated(b"b.txt", b"b" * 500), crc=1)]))
seed("fuzz_unzip", "bzip2", raw_archive([good, stored(b"b.txt", b"b" * 50, method=12)]))
seed("fuzz_unzip", "encrypted", raw_archive([good, stored(b"b.txt", b"b" * 50, flags=1)]))
seed("fuzz_unzip", "local-name", raw_archive([good, stored(b"b.txt", b"b", local_name=b"c.txt")]))
seed("fuzz_unzip", "count-short", raw_archive([good, stored(b"hidden.txt", b"h")], count_delta=-1))
seed("fuzz_unzip", "count-ffff", raw_archive([good, stored(b"b.txt", b"b")], count=0xFFFF))
seed("fuzz_unzip", "overlap", raw_archive([deflated(b"z.bin", b"\0" * 65536)] + [dict(deflated(b"z.bin", b"\0" * 65536), shares=0)] * 20))
seed("fuzz_unzip", "bomb", raw_archive([dict(deflated(b"z.bin", b"\0" * 1000000), size=1000, crc=zlib.crc32(b"\0" * 1000))]))
seed("fuzz_unzip", "duplicate", raw_archive([good, stored(b"a.txt", b"other")]))
seed("fuzz_unzip", "case", raw_archive([stored(b"Up/x", b"x"), stored(b"up/y", b"y")]))
seed("fuzz_unzip", "file-and-folder", raw_archive([stored(b"d", b"x"), stored(b"d/x", b"y")]))
seed("fuzz_unzip", "trailing-dot", raw_archive([good, stored(b"dir./x", b"x")]))
seed("fuzz_unzip", "symlink", raw_archive([good, stored(b"link", b"/etc/passwd", made_by=3 << 8, external=0o120777 << 16)]))


# Archives other readers would read otherwise: a Zip64 end record and a
# plain one naming different directories, a comment cut short, encryption
# flagged in one header only, a Unicode path field naming another file.
def zip64_ends(raw, plain_offset_delta):
    end = len(raw) - 22
    n, size, offset = struct.unpack("<HII", raw[end + 10:end + 20])
    record = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, n, n, size, offset)
    locator = struct.pack("<IIQI", 0x07064B50, 0, end, 1)
    plain = raw[end:end + 16] + struct.pack("<IH", offset + plain_offset_delta, 0)
    return raw[:end] + record + locator + plain


seed("fuzz_unzip", "zip64-ends", zip64_ends(raw_archive([good]), 0))
seed("fuzz_unzip", "zip64-elsewhere", zip64_ends(raw_archive([good]), 1))
seed("fuzz_unzip", "cut-comment", raw_archive([good])[:-2] + struct.pack("<H", 5) + b"co")
seed("fuzz_unzip", "half-encrypted", raw_archive([good, stored(b"b.txt", b"b", central_flags=1)]))
unicode_name = "Ölfässer.txt".encode("utf-8")
seed("fuzz_unzip", "unicode-path", raw_archive([good, stored(b"\x99lf\x84sser.txt", b"u", central_extra=struct.pack(
    "<HHBI", 0x7075, 5 + len(unicode_name), 1, zlib.crc32(b"\x99lf\x84sser.txt")) + unicode_name)]))

# Shapes of other zip writers that extract: "./" names (bsdtar), a data
# descriptor behind the data (zipfile writing to a pipe), an empty deflated
# entry without a stream.
seed("fuzz_unzip", "dot-names", raw_archive([stored(b"./", b""), stored(b"./bin/", b""), stored(b"./bin/a", b"a")]))
class Pipe:
    """A stream that cannot seek, as a pipe: zipfile then writes descriptors."""
    def __init__(self):
        self.data = b""

    def write(self, b):
        self.data += bytes(b)
        return len(b)

    def flush(self):
        pass


piped = Pipe()
with zipfile.ZipFile(piped, "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("d.txt", b"d" * 300)
seed("fuzz_unzip", "descriptor", piped.data)
seed("fuzz_unzip", "empty-deflated", raw_archive([good, dict(stored(b"e.bin", b""), method=8)]))

# minisign: a signature file, a public key file and a trust list (made with
# packtool; the bytes need not verify, only parse).
seed("fuzz_minisign", "signature", b"untrusted comment: signature from packtool secret key A900293C5D680607\n"
     b"RUQHBmhdPCkAqXa8rD6xBFzFdAmNwFQwh7hHXDzuZQKTmxCUe4Hzg1h9MPJiqmpOm9c1gHujoQGPHFXLtRZeGed6G7mag6zkvgY=\n"
     b"trusted comment: timestamp:1796789650\tfile:AppUpgradePack.zip\thashed\n"
     b"qg7GQ4bw4Ny94uZgOIrp84iZCaZkNUXivKOKPku8KHX8IGFFVG6caGeeuV2GSQQpfKX2GQis90siyEeAwkfYAQ==\n")
seed("fuzz_minisign", "public-key", b"untrusted comment: minisign public key A900293C5D680607\n"
     b"RWQHBmhdPCkAqbAoO2FhFqYWbzqNVxix4iBjnUZEYyg8TH20lUnb41v/\n")
seed("fuzz_minisign", "trust-list", b"# vendor 2026\r\nRWQHBmhdPCkAqbAoO2FhFqYWbzqNVxix4iBjnUZEYyg8TH20lUnb41v/\r\n\r\n")
