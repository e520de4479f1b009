#!/bin/bash
# Writes quillon.1.gz and packtool.1.gz from the programs' own --help and
# --version (help2man), so the man pages say what the programs say.
# usage: man_pages.sh BIN-FOLDER MAN1-FOLDER VERSION
set -euo pipefail
BIN="$1"; OUT="$2"; VERSION="$3"
HERE="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT

# packtool's page also carries each command's own --help.
{
  cat "$HERE/packtool.h2m"
  echo "[COMMANDS]"
  for c in make check info; do
    echo ".SS $c"
    echo ".nf"
    "$BIN/packtool" "$c" --help | sed 's/\\/\\\\/g; s/^\./\\\&./'
    echo ".fi"
  done
} >"$work/packtool.h2m"

page() {  # program, one-line description, include file
  help2man --no-info --no-discard-stderr --version-string="V$VERSION" --section=1 \
           --name="$2" --include="$3" --output="$work/$1.1" "$BIN/$1"
  gzip -9 -n -c "$work/$1.1" >"$OUT/$1.1.gz"
}
page quillon "upgrade many power quality terminals at once" "$HERE/quillon.h2m"
page packtool "make, check and describe upgrade packs" "$work/packtool.h2m"
