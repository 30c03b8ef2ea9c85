#!/usr/bin/env bash
# Configures and builds everything into ./build. ZRVU_CMAKE_OPTIONS adds
# options to the configuration (CI: -DZRVU_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck disable=SC2086
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo ${ZRVU_CMAKE_OPTIONS:-} >/dev/null
cmake --build build -j"$(nproc)"
