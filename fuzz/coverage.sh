#!/bin/sh
# Line and branch coverage of the codec reached by the fuzz corpora that
# run.sh has grown (default <repo>/build-fuzz/corpus and seeds).
#   fuzz/coverage.sh
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
CORPORA=${CORPORA:-$ROOT/build-fuzz}
BUILD=${BUILD:-$ROOT/build-fuzz-cov}
TARGETS=${TARGETS:-"isreplycomplete checkframecrc decryptenvelope decodedevicetext"}
CXX=${CXX:-clang++-14}
V=$(basename "$(command -v "$CXX")" | sed -n 's/^clang++//p')   # "-14" or ""

cmake -S "$HERE" -B "$BUILD" -DCMAKE_CXX_COMPILER="$CXX" -DZR_FUZZ_COVERAGE=ON >/dev/null
cmake --build "$BUILD" -j"${JOBS:-2}" >/dev/null
rm -f "$BUILD"/*.profraw
objects=""
for t in $TARGETS; do
    dirs=""
    for d in "$CORPORA/corpus/$t" "$CORPORA/seeds/$t"; do
        [ -d "$d" ] && dirs="$dirs $d"
    done
    # shellcheck disable=SC2086
    LLVM_PROFILE_FILE="$BUILD/$t.profraw" "$BUILD/fuzz_$t" -runs=0 $dirs >/dev/null 2>&1
    if [ -z "$objects" ]; then objects="$BUILD/fuzz_$t"; else objects="$objects -object $BUILD/fuzz_$t"; fi
done
"llvm-profdata$V" merge -sparse "$BUILD"/*.profraw -o "$BUILD/fuzz.profdata"
# shellcheck disable=SC2086
"llvm-cov$V" report -instr-profile="$BUILD/fuzz.profdata" $objects \
    "$ROOT/link/framecodec.cpp" "$ROOT/link/aes128.cpp"
