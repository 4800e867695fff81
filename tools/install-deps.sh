#!/bin/sh
# Installs the Debian 12 packages RVX Vantix needs to build, run and test,
# skipping those already present. Runs apt-get as root, through sudo if needed.
# CLI11 and nlohmann-json build rvx-vantix-cli. python3 and openssl run the local HTTPS host of the update check's tests;
# dpkg-dev and file let cpack compute the package's dependencies, lintian,
# desktop-file-utils, appstream and x11-utils check the package and its start;
# clang-14 and its runtimes build the sanitizer build and the fuzz targets.
set -eu
packages="cmake g++ make pkg-config libwxgtk3.2-dev libsqlitecpp-dev libsqlite3-dev sqlite3 libboost-dev
libfmt-dev libftdi1-dev libx11-dev libcurl4-openssl-dev ca-certificates libgtest-dev libgmock-dev xvfb xauth
libcli11-dev nlohmann-json3-dev clang-format git python3 openssl dpkg-dev file lintian desktop-file-utils
appstream x11-utils clang-14 libclang-rt-14-dev"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi
echo "Installing:$missing"
$as_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing
