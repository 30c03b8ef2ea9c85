#!/usr/bin/env bash
# The core without Qt's widgets: configures build-nogui with -DZRVU_GUI=OFF
# (the core libraries, zrvu-cli and the tools), builds it and runs zrvu-cli
# against zrsim. A core library that reaches for QtWidgets fails to link
# here. The suites themselves run in the test command's build, which holds
# the same core; ZRVU_NOGUI_TESTS=1 builds and runs them here too.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/deps.sh
tests=OFF
[ "${ZRVU_NOGUI_TESTS:-0}" = 1 ] && tests=ON
# shellcheck disable=SC2086
cmake -S . -B build-nogui -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRVU_GUI=OFF -DZRVU_BUILD_TESTS=$tests \
    ${ZRVU_CMAKE_OPTIONS:-} >/dev/null
cmake --build build-nogui -j"$(nproc)"
if [ $tests = ON ]; then
    (cd build-nogui && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600)
fi

# The core's operations must work in this build as well: the item list
# and a history export (the chart needs Qt's widgets, so it is not here).
tmp=$(mktemp -d)
sim=""
trap '[ -n "$sim" ] && kill "$sim" 2>/dev/null; rm -rf "$tmp"' EXIT
. "$root/scripts/zrsim.sh"
start_zrsim "$root/build-nogui/tools/zrsim/zrsim" "$tmp/sim.out" "$tmp/sim.err" || exit 1
cli=$root/build-nogui/cli/zrvu-cli
run() { (cd "$tmp" && HOME="$tmp" XDG_DATA_HOME="$tmp/data" "$cli" --lang en_US --udp "127.0.0.1:$port" --address 1 "$@"); }
status=0
items=$(run items) || { echo "zrvu-cli items failed" >&2; status=1; }
[ -n "$items" ] || { echo "zrvu-cli items printed no rows" >&2; status=1; }
from=$(date -d '-2 days' +%F)
to=$(date +%F)
run history "$from" "$to" --csv "$tmp/h.csv" >/dev/null || { echo "zrvu-cli history failed" >&2; status=1; }
[ -s "$tmp/h.csv" ] || { echo "the history export is missing" >&2; status=1; }
[ $status -eq 0 ] && echo "zrvu-cli without widgets: items and history ok"
exit $status
