#!/bin/sh
# Line coverage that the fuzz corpora run.sh has grown (default
# <repo>/build-fuzz/corpus and seeds, plus fuzz/seeds) reach in each
# target's own code: the source file and the functions the target calls.
#   fuzz/coverage.sh            one summary line per target, then the codec report
#   DETAIL=1 fuzz/coverage.sh   plus llvm-cov's per-function report of each target
# Environment: TARGETS, CORPORA, BUILD (default <repo>/build-fuzz-cov), CXX, JOBS.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
ROOT=$(dirname "$HERE")
CORPORA=${CORPORA:-$ROOT/build-fuzz}
BUILD=${BUILD:-$ROOT/build-fuzz-cov}
TARGETS=${TARGETS:-"isreplycomplete checkframecrc decryptenvelope decodedevicetext checkreply readpackage
    parsecatalogue itemcsv skiptable serialnumber historylines monitorlines"}
CXX=${CXX:-clang++-14}
V=$(basename "$(command -v "$CXX")" | sed -n 's/^clang++//p')   # "-14" or ""

# Target → its source files and a regex of the (mangled) names it exercises.
sources() {
    case $1 in
        isreplycomplete|checkframecrc|decryptenvelope|decodedevicetext)
            echo "link/framecodec.cpp link/aes128.cpp" ;;
        checkreply) echo "items/refreshthread.cpp items/itemread.cpp" ;;
        readpackage) echo "firmware/package.cpp" ;;
        parsecatalogue) echo "firmware/devicetypemgr.cpp" ;;
        itemcsv) echo "items/itemcsv.cpp items/itemrules.cpp" ;;
        skiptable) echo "items/skiptable.cpp" ;;
        serialnumber) echo "items/serialnumber.cpp" ;;
        historylines) echo "history/historylines.cpp" ;;
        monitorlines) echo "monitor/monitorlines.cpp" ;;
    esac
}
functions() {
    case $1 in
        isreplycomplete) echo "isReplyComplete|checkFrameCrc|crc16Modbus" ;;
        checkframecrc) echo "checkFrameCrc|crc16Modbus" ;;
        decryptenvelope) echo "decryptEnvelope|checkFrameCrc|crc16Modbus|Aes128" ;;
        decodedevicetext) echo "decodeDeviceText" ;;
        checkreply) echo "checkReply|judgeItemExchange|parseItemReply" ;;
        readpackage) echo "readInfo|countFits|variantFits|variantMapFits|plainListFits|payloadFits|countOf" ;;
        parsecatalogue) echo "parseCatalogue|typeList" ;;
        itemcsv) echo "itemCsvLine|buildItemFile|itemFileLines|parseItemCsvLine|splitItemText|itemColumn|stripPositionPrefix" ;;
        skiptable) echo "cleanSkipText|parseSkipTable|ItemSkipFilter" ;;
        serialnumber) echo "isValidSerialNumber|buildSerialNumberCommand|isSerialNumberAnswerOk|parseJsonObject|serialNumberAnswerText" ;;
        historylines) echo "HistoryLineSplitter" ;;
        monitorlines) echo "MonitorLineSplitter|monitorLinePrefix|formatMonitorLine" ;;
    esac
}
# "covered/total percent" of lines from llvm-cov's TOTAL row.
lines_of() {
    awk '/^TOTAL/ { printf "%d/%d %s", $8 - $9, $8, $10 }'
}
# The same summed over the per-function rows whose name matches $1.
function_lines_of() {
    awk -v re="$1" 'NF >= 10 && $1 != "Name" && $1 != "TOTAL" && $(NF - 5) ~ /^[0-9]+$/ {
        name = $0; sub(/[ \t]+[0-9]+[ \t]+[0-9]+[ \t]+[0-9.]+%.*$/, "", name)
        if (name ~ re) { lines += $(NF - 5); missed += $(NF - 4) }
    }
    END { if (lines) printf "%d/%d %.2f%%", lines - missed, lines, 100 * (lines - missed) / lines }'
}

cmake -S "$HERE" -B "$BUILD" -DCMAKE_CXX_COMPILER="$CXX" -DZR_FUZZ_COVERAGE=ON >/dev/null
cmake --build "$BUILD" -j"${JOBS:-2}" >/dev/null
rm -f "$BUILD"/*.profraw "$BUILD"/*.profdata
printf '%-18s %-26s %s\n' target "lines of its functions" "lines of its files"
codec=""
for t in $TARGETS; do
    dirs=""
    for d in "$CORPORA/corpus/$t" "$CORPORA/seeds/$t" "$HERE/seeds/$t"; do
        [ -d "$d" ] && dirs="$dirs $d"
    done
    # shellcheck disable=SC2086
    LLVM_PROFILE_FILE="$BUILD/$t.profraw" "$BUILD/fuzz_$t" -runs=0 $dirs >/dev/null 2>&1 || true
    "llvm-profdata$V" merge -sparse "$BUILD/$t.profraw" -o "$BUILD/$t.profdata"
    files=""
    for f in $(sources "$t"); do files="$files $ROOT/$f"; done
    # shellcheck disable=SC2086
    whole=$("llvm-cov$V" report -instr-profile="$BUILD/$t.profdata" "$BUILD/fuzz_$t" $files | lines_of)
    # shellcheck disable=SC2086
    own=$("llvm-cov$V" report -show-functions -Xdemangler=c++filt -instr-profile="$BUILD/$t.profdata" \
        "$BUILD/fuzz_$t" $files | function_lines_of "$(functions "$t")")
    printf '%-18s %-26s %s\n' "$t" "$own" "$whole"
    if [ "${DETAIL:-0}" = 1 ]; then
        # shellcheck disable=SC2086
        "llvm-cov$V" report -show-functions -Xdemangler=c++filt -instr-profile="$BUILD/$t.profdata" \
            "$BUILD/fuzz_$t" $files
    fi
    case $(sources "$t") in link/*) codec="$codec $t" ;; esac
done

# The codec targets together, as before.
if [ -n "$codec" ]; then
    objects=""
    profiles=""
    for t in $codec; do
        profiles="$profiles $BUILD/$t.profraw"
        if [ -z "$objects" ]; then objects="$BUILD/fuzz_$t"; else objects="$objects -object $BUILD/fuzz_$t"; fi
    done
    # shellcheck disable=SC2086
    "llvm-profdata$V" merge -sparse $profiles -o "$BUILD/codec.profdata"
    echo
    echo "frame codec, all codec targets together:"
    # shellcheck disable=SC2086
    "llvm-cov$V" report -instr-profile="$BUILD/codec.profdata" $objects \
        "$ROOT/link/framecodec.cpp" "$ROOT/link/aes128.cpp"
fi
