#!/bin/sh
# Checks that a Debian package of RVX Vantix, or a tree that `cmake --install`
# filled, holds every piece a desktop install needs, so that a dropped install
# rule fails the tests:
#   tools/ci/check-package-contents.sh build/rvx-vantix_*.deb
#   tools/ci/check-package-contents.sh DESTDIR PREFIX UDEV-RULES-DIR
# Runs each program's --help to see that its manual page names every option.
# Prints each missing piece and exits 1 when any is missing.
set -eu
input=$1
prefix=${2:-/usr}
udev=${3:-/lib/udev/rules.d}
name=rvx-vantix
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -d "$input" ]; then
    root=$input
    (cd "$root" && find . ! -type d | sed 's|^\./|/|') >"$work/files"
else
    root=$work/root
    dpkg-deb -x "$input" "$root"
    dpkg-deb -c "$input" | awk '{print $NF}' | sed 's|^\./|/|' >"$work/files"
fi
share=$prefix/share
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
has "$prefix/bin/$name" "the program"
has "$share/$name/devices.db" "the device database"
has "$udev/99-rvx-link.rules" "the udev rule for RVX-LINK modules"
has "$share/doc/$name/copyright" "the copyright file"
has "$share/doc/$name/changelog.gz" "the changelog"

# A manual page for each executable (from packaging/man/NAME.1.in) that names
# each option and environment variable its --help names.
for program in $(grep "^$prefix/bin/." "$work/files"); do
    page="$share/man/man1/$(basename "$program").1.gz"
    has "$page" "the manual page of $program, packaging/man/$(basename "$program").1.in"
    [ -f "$root$page" ] || continue
    zcat "$root$page" | sed 's/\\-/-/g' >"$work/man.txt"
    "$root$program" --help >"$work/help.txt"
    for word in $(grep -o -- '--[a-z][a-z-]*' "$work/help.txt" | sort -u) \
        $(sed -n 's/^ *\([A-Z][A-Z0-9]*_[A-Z0-9_]*\)=.*/\1/p' "$work/help.txt" | sort -u); do
        checks=$((checks + 1))
        grep -q -- "$word" "$work/man.txt" || fail "$word, which $(basename "$program") --help names, in its manual page"
    done
done

# One desktop entry, an AppStream description of the same id, and the icon it
# names at each size of the hicolor theme.
checks=$((checks + 1))
desktop=$(grep "^$share/applications/.*\.desktop\$" "$work/files" || true)
if [ "$(echo "$desktop" | grep -c .)" -ne 1 ]; then
    fail "exactly one desktop entry in $share/applications (found: ${desktop:-none})"
else
    id=$(basename "$desktop" .desktop)
    has "$share/metainfo/$id.metainfo.xml" "the AppStream description of $id"
    icon=$(sed -n 's/^Icon=//p' "$root$desktop")
    for size in 16 22 24 32 48 64 128 256; do
        has "$share/icons/hicolor/${size}x$size/apps/$icon.png" "the $size pixel icon"
    done
    has "$share/icons/hicolor/scalable/apps/$icon.svg" "the scalable icon"
    # Every command of the menu entry and its actions starts an installed program.
    for command in $(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root$desktop" | sort -u); do
        has "$prefix/bin/$command" "the program the menu entry runs"
    done
fi

# A package's control data: the fields an archive wants, dependencies computed
# from the shared libraries, and the scripts that reload udev.
if [ ! -d "$input" ]; then
    for field in Package Version Architecture Maintainer Section Priority Homepage Description Depends; do
        checks=$((checks + 1))
        [ -n "$(dpkg-deb -f "$input" "$field")" ] || fail "the control field $field"
    done
    checks=$((checks + 1))
    dpkg-deb -f "$input" Depends | grep -q 'libwxgtk3' || fail "the toolkit among the computed dependencies"
    mkdir "$work/control"
    dpkg-deb -e "$input" "$work/control"
    for script in postinst postrm; do
        checks=$((checks + 1))
        grep -q 'udevadm control --reload-rules' "$work/control/$script" 2>/dev/null ||
            fail "the $script script that reloads the udev rules"
    done
fi

if [ "$failures" -ne 0 ]; then
    echo "package contents: $failures of $checks checks failed"
    exit 1
fi
echo "package contents: all $checks checks hold"
