#!/usr/bin/python3
"""Writes the third-party notices of the Windows programs: every library
linked into Quillon.exe, quillon.exe and packtool.exe (all statically), with
its version as installed here and its licence text, taken from the files the
Debian packages and the zlib source package ship.

usage: notices.py ZLIB_SOURCE_FOLDER OUTPUT
"""
import os
import subprocess
import sys


def package_version(name):
    out = subprocess.run(["dpkg-query", "-W", "-f=${Version}", name], capture_output=True, text=True)
    return out.stdout.strip() or "unknown"


def source_version(zlib_src):
    for line in open(zlib_src + "/zlib.h", encoding="latin-1"):
        if line.startswith("#define ZLIB_VERSION "):
            return line.split('"')[1]
    return "unknown"


def read(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read().rstrip() + "\n"


def minizip_licence(zlib_src):
    # The licence is the header comment of unzip.h, up to its "Changes" part.
    text = read(zlib_src + "/contrib/minizip/unzip.h")
    head = text[text.index("/*") + 2:text.index("*/")]
    return head.split("        Changes")[0].rstrip() + "\n"


def main():
    zlib_src, output = sys.argv[1], sys.argv[2]
    libraries = [
        ("zlib", package_version("libz-mingw-w64-dev"),
         "inflate and CRC-32 of the upgrade packs (Debian package libz-mingw-w64-dev)",
         read(zlib_src + "/LICENSE")),
        ("minizip (contrib/minizip of zlib)", source_version(zlib_src),
         "reading and writing the pack archives (compiled from Debian's zlib source package)",
         minizip_licence(zlib_src)),
        ("libdeflate", package_version("libdeflate-dev"),
         "one-call inflate and CRC-32 of the smaller pack entries (compiled from Debian's libdeflate source package)",
         read(os.path.join(os.path.dirname(os.path.abspath(zlib_src)), "libdeflate-src", "COPYING"))),
        ("libsodium", package_version("libsodium-dev"),
         "Ed25519 and BLAKE2b of the pack signatures (built static from Debian's libsodium source package)",
         read("/usr/share/doc/libsodium-dev/copyright")),
        ("MinGW-w64 runtime and winpthreads", package_version("mingw-w64-x86-64-dev"),
         "C runtime start-up and threads (Debian package mingw-w64-x86-64-dev)",
         read("/usr/share/doc/mingw-w64-x86-64-dev/copyright")),
        ("GCC runtime libraries (libstdc++, libgcc)", package_version("gcc-mingw-w64-x86-64-posix"),
         "C++ standard library, under the GCC Runtime Library Exception "
         "(Debian package gcc-mingw-w64-x86-64-posix)",
         read("/usr/share/doc/gcc-mingw-w64-base/copyright")),
    ]
    parts = ["Third-party software in Quillon.exe, quillon.exe and packtool.exe\n"
             "==================================================================\n\n"
             "These programs are statically linked with the libraries below. Each is\n"
             "used under its own licence, reproduced in full after the list.\n\n"]
    for name, version, use, _ in libraries:
        parts.append("- %s %s: %s\n" % (name, version, use))
    for name, version, _, licence in libraries:
        parts.append("\n\n%s\n%s %s\n%s\n\n%s" % ("=" * 72, name, version, "=" * 72, licence))
    with open(output, "w", encoding="utf-8", newline="\r\n") as f:
        f.write("".join(parts))


if __name__ == "__main__":
    main()
