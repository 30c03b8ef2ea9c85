#!/usr/bin/env bash
# Fresh Debian 12: installs what is missing, builds, runs every test offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
cd build
# TEST_JOBS (default 2): suites run at once.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"${TEST_JOBS:-2}" --timeout 600
