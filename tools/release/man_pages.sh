#!/bin/bash
# Writes quillon.1.gz and packtool.1.gz from the pages in man/, with this
# release's version and the commit's date.
# usage: man_pages.sh MAN1-FOLDER VERSION EPOCH-SECONDS
set -euo pipefail
OUT="$1"; VERSION="$2"; EPOCH="$3"
HERE="$(cd "$(dirname "$0")" && pwd)"
DATE="$(date -u -d "@$EPOCH" +%Y-%m-%d)"
for page in quillon packtool; do
  sed -e "s/@VERSION@/$VERSION/g" -e "s/@DATE@/$DATE/g" "$HERE/man/$page.1" | gzip -9 -n >"$OUT/$page.1.gz"
done
