#!/bin/sh
# Builds RVX Vantix and runs every check, stage by stage; stops at the first
# failure. This is what README's test command and CI run, after
# tools/install-deps.sh has installed what is missing.
set -eu
cd "$(dirname "$0")/.."
jobs=${JOBS:-2}

echo "== Build and test suites (GUI tests under Xvfb)"
# Built for /usr, where the Debian package puts the program's data.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build -j"$jobs"
(cd build && xvfb-run -a ctest --output-on-failure --no-tests=error --timeout 300)

echo "== Debian package: pack, check contents, lint, install, start, remove"
tools/ci/package-gates.sh build

echo "== Sanitizer build (address, undefined behaviour): the whole suite again"
tools/ci/sanitize.sh

echo "== Fuzz targets, a few seconds each"
tools/ci/fuzz.sh
