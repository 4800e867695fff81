#!/bin/sh
# Builds RVX Vantix with the address and undefined-behaviour sanitizers into
# build-sanitize/ and runs the whole test suite there (GUI tests under Xvfb).
# With clang, which has libFuzzer, the same build makes the fuzz targets too;
# ctest runs each once over its seeds. --build-only skips the tests.
set -eu
cd "$(dirname "$0")/../.."
jobs=${JOBS:-2}
build=${SANITIZE_BUILD:-build-sanitize}

compilers=""
if [ ! -f "$build/CMakeCache.txt" ] && command -v clang++-14 >/dev/null 2>&1; then
    compilers="-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14"
fi
# -O1 and line tables only compile much faster than -O2 -g, and the
# sanitizers' reports still name file and line. No benchmarks: no test runs them.
# shellcheck disable=SC2086 # two words on purpose
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DVANTIX_SANITIZE=ON -DVANTIX_BUILD_BENCH=OFF $compilers
cmake --build "$build" -j"$jobs"
[ "${1:-}" = "--build-only" ] && exit 0
(cd "$build" && xvfb-run -a ctest --output-on-failure --no-tests=error --timeout 300)
