#!/usr/bin/env bash
# Fresh Debian 12: installs what is missing, builds, starts the instrument
# simulator on loopback UDP and runs the assistant in ./run against it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/deps.sh --gui
bash scripts/build.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'MSG'
No display is available, so the assistant's window cannot be shown.
Run it on a desktop session, or under a virtual display:
    sudo apt-get install -y xvfb && xvfb-run -a bash scripts/run.sh
(The test suite needs no display: bash scripts/test.sh)
MSG
    exit 1
fi

mkdir -p run
out=$(mktemp)
sim=""
trap '[ -z "$sim" ] || kill "$sim" 2>/dev/null || true; rm -f "$out"' EXIT
. "$root/scripts/zrsim.sh"
start_zrsim "$root/build/tools/zrsim/zrsim" "$out" "$root/run/zrsim.log" || exit 1

# Point the working directory's settings at the simulator; other keys stay.
python3 - "$root/run/config.ini" "$port" <<'PY'
import configparser, sys
path, port = sys.argv[1], sys.argv[2]
c = configparser.RawConfigParser()
c.optionxform = str
c.read(path, encoding="utf-8")
for section, values in {"communicate": {"udp": "1"}, "udp": {"address": "127.0.0.1", "port": port},
                        "device": {"address": "1"}}.items():
    if not c.has_section(section):
        c.add_section(section)
    for k, v in values.items():
        c.set(section, k, v)
with open(path, "w", encoding="utf-8") as f:
    c.write(f, space_around_delimiters=False)
PY
for qm in "$root"/build/translations/*.qm; do
    [ -e "$qm" ] && cp -f "$qm" "$root/run/"
done
echo "zrsim listens on 127.0.0.1:$port; starting ZRvu in $root/run"
cd "$root/run"
"$root/build/app/zrvu"
