#!/bin/sh
# CI's share of fuzzing: every target of the sanitizer build for a few
# seconds (about three minutes in all), failing on any finding. Needs
# tools/ci/sanitize.sh to have run; skipped when the compiler has no libFuzzer.
set -eu
cd "$(dirname "$0")/../.."
build=${SANITIZE_BUILD:-build-sanitize}
if [ ! -x "$build/bin/fuzz_an1310" ]; then
    echo "No fuzz targets in $build (no clang with libFuzzer): skipped."
    exit 0
fi
exec tools/fuzz.sh --time "${FUZZ_SECONDS:-15}"
