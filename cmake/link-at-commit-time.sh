#!/bin/sh
# Runs a link command with SOURCE_DATE_EPOCH set to the time of the commit
# the sources are at (unless the caller set it), so that GNU ld stamps the
# PE headers with that moment instead of the link time: two builds of one
# commit, in any folder, give the same exe.
# usage: link-at-commit-time.sh SOURCE-DIR COMMAND...
src="$1"; shift
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH="$(git -C "$src" log -1 --format=%ct 2>/dev/null || echo 315532800)"
  export SOURCE_DATE_EPOCH
fi
exec "$@"
