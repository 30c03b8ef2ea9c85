#!/usr/bin/env bash
# Fresh Debian 12: installs what is missing, builds, runs every test offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
