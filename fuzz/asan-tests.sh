#!/bin/sh
# Builds the project with -DZRVU_ASAN=ON in its own folder (default
# <repo>/build-asan) and runs the test suites under AddressSanitizer,
# LeakSanitizer and UndefinedBehaviorSanitizer. Any sanitizer report fails
# the suite that printed it.
#   fuzz/asan-tests.sh [ctest arguments, e.g. -R framecodec]
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
BUILD=${BUILD:-$ROOT/build-asan}
JOBS=${JOBS:-2}

cmake -S "$ROOT" -B "$BUILD" -DZRVU_ASAN=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$BUILD" -j"$JOBS"

export ASAN_OPTIONS=${ASAN_OPTIONS:-fast_unwind_on_malloc=0:detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$HERE/lsan-qt-offscreen.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
cd "$BUILD"
ctest --output-on-failure "$@"
