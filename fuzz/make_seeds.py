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
