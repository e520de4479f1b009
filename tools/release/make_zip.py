#!/usr/bin/python3
"""Writes a release zip whose bytes depend only on the files put in: the
entries in the order given, every entry time the same fixed moment, fixed
attributes, and a SHA256SUMS entry (last) listing every other file, so that
`sha256sum -c SHA256SUMS` passes in the unpacked folder.

usage: make_zip.py OUTPUT.zip TOP-FOLDER EPOCH-SECONDS ARCHIVE-PATH=FILE...
"""
import hashlib
import os
import sys
import time
import zipfile


def entry(top, name, when, executable):
    info = zipfile.ZipInfo(top + "/" + name, date_time=when)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3  # Unix, so that the mode bits below mean what they say
    info.external_attr = (0o100755 if executable else 0o100644) << 16
    return info


def main():
    output, top, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    files = [arg.split("=", 1) for arg in sys.argv[4:]]
    # Zip times are local DOS times with 2-second steps and no year before 1980.
    when = time.gmtime(max(epoch, 315532800))[:6]
    sums = []
    tmp = output + ".part"
    with zipfile.ZipFile(tmp, "w") as z:
        for name, path in files:
            with open(path, "rb") as f:
                data = f.read()
            z.writestr(entry(top, name, when, name.endswith(".exe")), data, compresslevel=9)
            sums.append("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name))
        z.writestr(entry(top, "SHA256SUMS", when, False), "".join(sums).encode(), compresslevel=9)
    os.replace(tmp, output)


if __name__ == "__main__":
    main()
