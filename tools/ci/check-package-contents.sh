#!/bin/sh
# Checks that a Debian package of RVX Vantix holds every piece a desktop install
# needs, so that a dropped install rule fails CI:
#   tools/ci/check-package-contents.sh build/rvx-vantix_*.deb
# Prints each missing piece and exits 1 when any is missing.
set -eu
deb=$1
name=rvx-vantix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/files"
failures=0
checks=0
fail() {
    echo "MISSING: $*"
    failures=$((failures + 1))
}
has() { # has PATH WHAT
    checks=$((checks + 1))
    grep -qx "$1" "$work/files" || fail "$2 ($1)"
}

# The program, its data, the udev rule and the package's documents.
has /usr/bin/$name "the program"
has /usr/share/$name/devices.db "the device database"
has /lib/udev/rules.d/99-rvx-link.rules "the udev rule for RVX-LINK modules"
has /usr/share/doc/$name/copyright "the copyright file"
has /usr/share/doc/$name/changelog.gz "the changelog"

# A manual page for each executable.
for program in $(grep '^/usr/bin/.' "$work/files"); do
    has "/usr/share/man/man1/$(basename "$program").1.gz" "the manual page of $program"
done

# One desktop entry, an AppStream description of the same id, and the icon it
# names at each size of the hicolor theme.
checks=$((checks + 1))
desktop=$(grep '^/usr/share/applications/.*\.desktop$' "$work/files" || true)
if [ "$(echo "$desktop" | grep -c .)" -ne 1 ]; then
    fail "exactly one desktop entry in /usr/share/applications (found: ${desktop:-none})"
else
    id=$(basename "$desktop" .desktop)
    has "/usr/share/metainfo/$id.metainfo.xml" "the AppStream description of $id"
    icon=$(sed -n 's/^Icon=//p' "$work/root$desktop")
    for size in 16 22 24 32 48 64 128 256; do
        has "/usr/share/icons/hicolor/${size}x$size/apps/$icon.png" "the $size pixel icon"
    done
    has "/usr/share/icons/hicolor/scalable/apps/$icon.svg" "the scalable icon"
    # Every command of the menu entry and its actions starts an installed program.
    for command in $(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$work/root$desktop" | sort -u); do
        has "/usr/bin/$command" "the program the menu entry runs"
    done
fi

# Control data: the fields a package archive wants, dependencies computed from
# the shared libraries, and the scripts that reload udev.
for field in Package Version Architecture Maintainer Section Priority Homepage Description Depends; do
    checks=$((checks + 1))
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "the control field $field"
done
checks=$((checks + 1))
dpkg-deb -f "$deb" Depends | grep -q 'libwxgtk3' || fail "the toolkit among the computed dependencies"
mkdir "$work/control"
dpkg-deb -e "$deb" "$work/control"
for script in postinst postrm; do
    checks=$((checks + 1))
    grep -q 'udevadm control --reload-rules' "$work/control/$script" 2>/dev/null ||
        fail "the $script script that reloads the udev rules"
done

if [ "$failures" -ne 0 ]; then
    echo "package contents: $failures of $checks checks failed"
    exit 1
fi
echo "package contents: all $checks checks hold"
