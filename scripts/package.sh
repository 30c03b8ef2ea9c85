#!/usr/bin/env bash
# Builds the Debian package zrvu_<version>_<arch>.deb in ./build and checks
# it: lintian (no errors), the AppStream metainfo, and the unpacked zrvu-cli
# run from an empty folder against the unpacked zrsim, with HOME in a
# temporary folder: English messages, and config.ini in the per-user folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh --package
# ZRVU_BUILT=1: ./build is up to date already (CI, after scripts/test.sh).
[ "${ZRVU_BUILT:-0}" = 1 ] || bash scripts/build.sh

cd "$root/build"
rm -f zrvu_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; echo "cpack failed" >&2; exit 1; }
debs=(zrvu_*.deb)
deb="$root/build/${debs[0]}"
[ -f "$deb" ] || { echo "no package was made" >&2; exit 1; }
echo "package: $deb"

status=0
# Warnings are listed but do not fail the run; README says which remain.
lintian --fail-on error --display-info --tag-display-limit 0 "$deb" || { echo "lintian reported errors" >&2; status=1; }

depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
grep -Eq '(^|[ ,])libqt5sql5-sqlite([ ,(]|$)' <<<"$depends" \
    || { echo "the package does not depend on libqt5sql5-sqlite" >&2; status=1; }

tmp=$(mktemp -d)
sim=""
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$tmp"' EXIT
dpkg -x "$deb" "$tmp/root"
appstreamcli validate --no-net "$tmp/root/usr/share/metainfo/com.example.zrvu.metainfo.xml" \
    || { echo "metainfo does not validate" >&2; status=1; }

. "$root/scripts/zrsim.sh"
start_zrsim "$tmp/root/usr/bin/zrsim" "$tmp/sim.out" "$tmp/sim.err" || exit 1

mkdir -p "$tmp/empty" "$tmp/home"
out=$(cd "$tmp/empty" && env -u XDG_DATA_HOME HOME="$tmp/home" \
      "$tmp/root/usr/bin/zrvu-cli" --lang en_US --udp "127.0.0.1:$port" --address 1 sync-time 2>&1) \
    || { echo "zrvu-cli failed: $out" >&2; status=1; }
echo "zrvu-cli: $out"
[ "$out" = "Time synchronised" ] || { echo "the English message did not appear" >&2; status=1; }
[ -f "$tmp/home/.local/share/zrvu/config.ini" ] || { echo "no config.ini in the per-user folder" >&2; status=1; }
[ ! -e "$tmp/empty/config.ini" ] || { echo "config.ini was written into the current folder" >&2; status=1; }

[ $status -eq 0 ] && echo "package checks passed"
exit $status
