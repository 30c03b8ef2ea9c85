#!/usr/bin/env bash
# The core without Qt's widgets: configures build-nogui with -DZRVU_GUI=OFF
# (the core libraries, zrvu-cli, the tools and their tests), builds it and
# runs its suites. A core library that reaches for QtWidgets fails here.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
# shellcheck disable=SC2086
cmake -S . -B build-nogui -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZRVU_GUI=OFF ${ZRVU_CMAKE_OPTIONS:-} >/dev/null
cmake --build build-nogui -j"$(nproc)"
cd build-nogui
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 600
