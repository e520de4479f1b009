#!/usr/bin/python3
"""Writes a copy of a .tar.gz with every member's time set to one moment
and no time in the gzip header, members in the same order with the same
contents and modes, so that a tar built at different times gives the same
bytes (ansible-galaxy stamps MANIFEST.json and FILES.json with the build
time).

usage: restamp_tar.py INPUT.tar.gz OUTPUT.tar.gz EPOCH-SECONDS
"""
import gzip
import sys
import tarfile


def main():
    source, output, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    with tarfile.open(source, "r:gz") as tin, open(output, "wb") as raw, \
            gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0, compresslevel=9) as gz, \
            tarfile.open(fileobj=gz, mode="w", format=tarfile.PAX_FORMAT) as tout:
        for member in tin.getmembers():
            member.mtime = epoch
            member.uid = member.gid = 0
            member.uname = member.gname = ""
            member.pax_headers = {}
            tout.addfile(member, tin.extractfile(member) if member.isfile() else None)


if __name__ == "__main__":
    main()
