#!/bin/sh
# The Debian package's gates, run on a finished build (by tools/run-all-tests.sh):
# pack it, check its contents, lint it, validate the desktop entry and the
# AppStream description, install it, run the installed programs as a normal
# user in the plugdev group from a folder outside the tree, remove it again.
#   tools/ci/package-gates.sh [BUILD-FOLDER]
# Installing needs root, or sudo; an rvx-vantix installed before is replaced,
# then removed.
set -eu
cd "$(dirname "$0")/../.."
build=${1:-build}
name=rvx-vantix
if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi

work=$(mktemp -d)
installed=""
cleanup() {
    status=$?
    if [ -n "$installed" ]; then
        echo "-- Removing the package after a failure"
        $as_root apt-get -o DPkg::Lock::Timeout=120 purge -y -qq "$name" >/dev/null 2>&1 || true
    fi
    $as_root rm -rf "$work"
    exit $status
}
trap cleanup EXIT
trap 'exit 1' INT TERM
step() { echo "-- $*"; }
die() {
    echo "FAILED: $*" >&2
    exit 1
}

step "Packing"
rm -f "$build/${name}"_*.deb
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; die "cpack -G DEB"; }
deb=$(realpath "$build/${name}"_*.deb)
echo "$deb"

step "Contents"
tools/ci/check-package-contents.sh "$deb"

step "lintian"
lintian --fail-on error --info "$deb" || die "lintian reports errors"

step "Desktop entry and AppStream description"
dpkg-deb -x "$deb" "$work/root"
for desktop in "$work"/root/usr/share/applications/*.desktop; do
    report=$(desktop-file-validate "$desktop" 2>&1) || true
    [ -z "$report" ] || die "desktop-file-validate $(basename "$desktop"):
$report"
done
for metainfo in "$work"/root/usr/share/metainfo/*.xml; do
    appstreamcli validate --no-net --explain "$metainfo" || die "appstreamcli validate $(basename "$metainfo")"
done

step "Installing"
installed=yes
$as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=120 install -y -qq \
    --no-install-recommends "$deb" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; die "apt-get install $deb"; }
[ "$(dpkg-query -W -f='${Status}' "$name")" = "install ok installed" ] || die "$name is not installed"

# A normal user (nobody) in the plugdev group, with a home of its own and an
# empty working directory far from the tree.
mkdir -m 755 "$work/home" "$work/cwd"
$as_root chown nobody "$work/home" "$work/cwd"
as_user() {
    (cd "$work/cwd" && $as_root setpriv --reuid=nobody --regid=nogroup --groups=plugdev --inh-caps=-all \
        env -i HOME="$work/home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@")
}

for program in $(dpkg -L "$name" | grep '^/usr/bin/.'); do
    step "$(basename "$program") --help"
    as_user timeout 30 "$program" --help >"$work/help.txt" || die "$program --help"
    grep -q "^Usage: $(basename "$program")" "$work/help.txt" || die "$program --help prints no usage line"
done

if [ -x /usr/bin/rvx-vantix-cli ]; then
    step "rvx-vantix-cli --simulate list"
    as_user timeout 60 rvx-vantix-cli --simulate list || die "rvx-vantix-cli --simulate list"
fi

step "The menu entry's simulated bench, under Xvfb"
desktop=$(dpkg -L "$name" | grep '^/usr/share/applications/.*\.desktop$')
command=$(sed -n '/^\[Desktop Action SimulatedBench\]/,/^\[/s/^Exec=//p' "$desktop")
class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
[ -n "$command" ] || die "no simulated-bench action in $desktop"
echo "$command"
# Waits for the main window with the menu entry's window class, then closes the
# program; fails when the program ends first or no window shows within 60 s.
as_user timeout 120 xvfb-run -a sh -c '
    $1 &
    pid=$!
    tries=120
    until xwininfo -root -tree | grep -qF "\"RVX Vantix\": (\"$2\""; do
        kill -0 $pid 2>/dev/null || { echo "the program ended before its window showed"; exit 1; }
        tries=$((tries - 1))
        [ $tries -gt 0 ] || { echo "no main window with class $2"; kill $pid; exit 1; }
        sleep 0.5
    done
    echo "main window shown"
    kill $pid
    wait $pid 2>/dev/null || true
' sh "$command" "$class" || die "$command did not start"
[ -z "$(ls -A "$work/cwd")" ] || die "the program left files in its working directory: $(ls -A "$work/cwd")"

step "Removing"
$as_root apt-get -o DPkg::Lock::Timeout=120 purge -y -qq "$name" >"$work/apt.log" 2>&1 ||
    { cat "$work/apt.log"; die "apt-get purge $name"; }
installed=""
for left in /usr/bin/$name /lib/udev/rules.d/99-rvx-link.rules "$desktop"; do
    [ ! -e "$left" ] || die "$left is still there after removing the package"
done
echo "-- Package gates passed"
