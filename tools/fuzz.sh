#!/bin/sh
# Runs fuzz targets of the sanitizer build (tools/ci/sanitize.sh --build-only
# makes it) one after the other, each from its seeds in tests/fuzz/corpus and
# what earlier runs found, and says how many inputs each ran.
#
#   tools/fuzz.sh [--time SECONDS | --runs N] [TARGET...]
#
# Without a target it runs them all; without a limit each runs for 60 s. A
# finding (crash, undefined behaviour, leak, an input taking over a second
# also when replayed) stops that target, is kept in
# build-sanitize/fuzz/findings/ and makes the script fail;
# `build-sanitize/bin/TARGET FILE` replays it.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/${SANITIZE_BUILD:-build-sanitize}
limit="-max_total_time=60"
while [ $# -gt 0 ]; do
    case "$1" in
    --time) limit="-max_total_time=$2"; shift 2 ;;
    --runs) limit="-runs=$2"; shift 2 ;;
    -*) echo "usage: tools/fuzz.sh [--time SECONDS | --runs N] [TARGET...]" >&2; exit 2 ;;
    *) break ;;
    esac
done
targets="$*"
[ -n "$targets" ] || targets=$(ls tests/fuzz/corpus)

mkdir -p "$build/fuzz"
tools/ci/sanitize.sh --build-only >"$build/fuzz/build.log" 2>&1 || {
    cat "$build/fuzz/build.log"
    exit 1
}
if [ ! -x "$build/bin/fuzz_an1310" ]; then
    echo "The sanitizer build has no fuzz targets: its compiler has no libFuzzer (install clang-14)." >&2
    exit 1
fi

mkdir -p "$build/fuzz/findings"
failed=""
for target in $targets; do
    work=$build/fuzz/$target
    mkdir -p "$work/corpus"
    options="-timeout=1 -print_final_stats=1 -artifact_prefix=$build/fuzz/findings/$target-"
    [ -f "tests/fuzz/$target.dict" ] && options="$options -dict=$root/tests/fuzz/$target.dict"
    # A description as long as a command line; longer ones only make larger benches.
    [ "$target" = fuzz_bench_description ] && options="$options -max_len=256"
    # shellcheck disable=SC2086 # options are words
    if "$build/bin/$target" $options $limit "$work/corpus" "$root/tests/fuzz/corpus/$target" >"$work.log" 2>&1; then
        outcome="no finding"
    elif grep -q "ERROR: libFuzzer: timeout" "$work.log" &&
        unit=$(sed -n 's/^.*Test unit written to //p' "$work.log" | tail -n 1) && [ -f "$unit" ] &&
        "$build/bin/$target" -timeout=1 "$unit" >"$work.replay.log" 2>&1; then
        # A machine busy with other work can stall one input past the limit;
        # an input that runs in time when replayed does not hang.
        outcome="no finding (a timeout that did not recur on replay: $unit)"
    else
        outcome="FINDING (see $work.log)"
        failed="$failed $target"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work.log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work.log")
    echo "$target: ${runs:-?} inputs, ${rate:-?} a second, $outcome"
done
if [ -n "$failed" ]; then
    echo "Findings in:$failed"
    exit 1
fi
