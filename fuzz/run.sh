#!/bin/sh
# Builds the frame-codec fuzz targets with clang (own build folder, the gcc
# build is left alone), seeds their corpora with real frames and runs each
# target for SECONDS (default 20).
#   fuzz/run.sh [SECONDS]
#   fuzz/run.sh --smoke     CI: 5 s per target, about 20 s of fuzzing in all
# Environment: BUILD (default <repo>/build-fuzz), TARGETS (default all four),
# JOBS (build parallelism, default 2).
# Exit status 1 when a target crashed or broke a property; the input is kept
# in $BUILD/artifacts/<target>/ and the log in $BUILD/logs/<target>.log.
set -eu

SECONDS_PER_TARGET=${1:-20}
if [ "$SECONDS_PER_TARGET" = --smoke ]; then
    SECONDS_PER_TARGET=5
fi
case $SECONDS_PER_TARGET in
    ''|*[!0-9]*) echo "usage: $0 [SECONDS|--smoke]" >&2; exit 2 ;;
esac
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
BUILD=${BUILD:-$ROOT/build-fuzz}
TARGETS=${TARGETS:-"isreplycomplete checkframecrc decryptenvelope decodedevicetext"}
JOBS=${JOBS:-2}

find_clang() {
    for c in clang++-14 clang++; do
        if command -v "$c" >/dev/null 2>&1; then
            echo "$c"
            return 0
        fi
    done
    return 1
}

CXX=$(find_clang || true)
if [ -z "$CXX" ] || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    echo "installing clang and the libFuzzer runtime" >&2
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get install -y clang-14 libclang-rt-14-dev >&2 || $SUDO apt-get install -y clang >&2
    CXX=$(find_clang)
fi

cmake -S "$HERE" -B "$BUILD" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j"$JOBS"

"$BUILD/fuzz_seeds" "$BUILD/seeds"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$BUILD/logs"
failed=""
for t in $TARGETS; do
    corpus="$BUILD/corpus/$t"
    artifacts="$BUILD/artifacts/$t"
    mkdir -p "$corpus" "$artifacts"
    log="$BUILD/logs/$t.log"
    echo "== fuzz_$t for ${SECONDS_PER_TARGET}s"
    if "$BUILD/fuzz_$t" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 -max_len=4096 \
        -artifact_prefix="$artifacts/" "$corpus" "$BUILD/seeds/$t" >"$log" 2>&1; then
        status=ok
    else
        status=FAILED
        failed="$failed $t"
    fi
    # Summary: executions, coverage, corpus size.
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9a-zA-Z]+' "$log" | tail -n 1)
    echo "   $status: executions ${runs:-?}, ${cov:-no coverage line}"
    if [ "$status" = FAILED ]; then
        grep -E 'ERROR|FUZZ_CHECK|SUMMARY|Test unit written' "$log" | head -n 8 | sed 's/^/   /'
    fi
done

if [ -n "$failed" ]; then
    echo "findings in:$failed (logs in $BUILD/logs)"
    exit 1
fi
echo "no findings"
