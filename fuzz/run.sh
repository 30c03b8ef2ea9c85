#!/bin/sh
# Builds the fuzz targets with clang (own build folder, the gcc build is left
# alone), seeds their corpora with real frames and files and runs each
# target for SECONDS (default 20).
#   fuzz/run.sh [SECONDS]
#   fuzz/run.sh --smoke     CI: 2 s per target, about 25 s of fuzzing in all
# Environment: BUILD (default <repo>/build-fuzz), TARGETS (default all),
# JOBS (build parallelism, default 2), NO_BUILD=1 (use the built targets as
# they are, e.g. for a second run beside a first one).
# Exit status 1 when a target crashed or broke a property; the input is kept
# in $BUILD/artifacts/<target>/ and the log in $BUILD/logs/<target>.log.
set -eu

SECONDS_PER_TARGET=${1:-20}
if [ "$SECONDS_PER_TARGET" = --smoke ]; then
    SECONDS_PER_TARGET=2
fi
case $SECONDS_PER_TARGET in
    ''|*[!0-9]*) echo "usage: $0 [SECONDS|--smoke]" >&2; exit 2 ;;
esac
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
BUILD=${BUILD:-$ROOT/build-fuzz}
TARGETS=${TARGETS:-"isreplycomplete checkframecrc decryptenvelope decodedevicetext checkreply readpackage
    parsecatalogue itemcsv skiptable serialnumber historylines monitorlines searchanswer explainframe"}
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

if [ "${NO_BUILD:-0}" != 1 ]; then
    cmake -S "$HERE" -B "$BUILD" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$BUILD" -j"$JOBS"
    "$BUILD/fuzz_seeds" "$BUILD/seeds"
fi

ASAN_BASE=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$HERE/lsan-fuzz.supp}

# Per target: input size and sanitizer options. A single allocation above
# 128 MB is a finding everywhere: no input of a few KB needs that much.
target_options() {
    case $1 in
        readpackage) echo "-max_len=12288 -malloc_limit_mb=128" ;;   # whole package files are 8 KB
        *) echo "-max_len=4096 -malloc_limit_mb=128" ;;
    esac
}
target_asan() {
    case $1 in
        # The suppressed Qt leak is only recognised with full malloc stacks.
        serialnumber) echo "$ASAN_BASE:fast_unwind_on_malloc=0" ;;
        *) echo "$ASAN_BASE" ;;
    esac
}
mkdir -p "$BUILD/logs"
failed=""
for t in $TARGETS; do
    corpus="$BUILD/corpus/$t"
    artifacts="$BUILD/artifacts/$t"
    mkdir -p "$corpus" "$artifacts"
    log="$BUILD/logs/$t.log"
    # Checked-in inputs (earlier findings) join the generated seeds.
    extra=""
    [ -d "$HERE/seeds/$t" ] && extra="$HERE/seeds/$t"
    echo "== fuzz_$t for ${SECONDS_PER_TARGET}s"
    # shellcheck disable=SC2046,SC2086
    if ASAN_OPTIONS=$(target_asan "$t") "$BUILD/fuzz_$t" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
        $(target_options "$t") -artifact_prefix="$artifacts/" "$corpus" "$BUILD/seeds/$t" $extra >"$log" 2>&1; then
        status=ok
    else
        status=FAILED
        failed="$failed $t"
    fi
    # Summary: executions, coverage, corpus size.
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9a-zA-Z]+' "$log" | tail -n 1)
    echo "   $status: executions ${runs:-?}, ${cov:-no coverage line}, corpus $(ls "$corpus" | wc -l) files"
    if [ "$status" = FAILED ]; then
        grep -E 'ERROR|FUZZ_CHECK|SUMMARY|Test unit written' "$log" | head -n 8 | sed 's/^/   /'
    fi
done

if [ -n "$failed" ]; then
    echo "findings in:$failed (logs in $BUILD/logs)"
    exit 1
fi
echo "no findings"
