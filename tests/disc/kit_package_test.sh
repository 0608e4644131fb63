#!/usr/bin/env bash
# The kit for authors on Linux as a user gets it: the Debian package cpack
# makes from the 32-bit build, its control fields and contents, installed with
# apt-get; autorun-check on the sample disc with Linux paths and the checker's
# exit codes, autorun-make-disc making an image with the label given; then
# removed. Needs root or sudo without a password; skipped (77) otherwise.
# AUTORUN_KIT_DEB names a package made already, for a system with no cpack.
# Usage: kit_package_test.sh BUILD_DIR KIT_BUILD_DIR PACKAGE_FILE
# shellcheck source=tests/disc/disc_test_support.sh
source "$(dirname "$0")/disc_test_support.sh"
kitBuild=$2
package=$3
work=$build/kit-test
kit=/usr/share/autorun-kit

[ -f "$kitBuild/CPackConfig.cmake" ] && [ -f "$kitBuild/x86_64/AUTORUN-CHECK.EXE" ] ||
    { echo "SKIPPED: the kit is made from the 32-bit build; build it first ($kitBuild)"; exit 77; }
SUDO=""
if [ "$(id -u)" != 0 ]; then
    sudo -n true 2>/dev/null || { echo "SKIPPED: installing a package needs root or sudo"; exit 77; }
    SUDO="sudo -n"
fi
dpkg -s autorun-kit >/dev/null 2>&1 &&
    { echo "SKIPPED: autorun-kit is installed already; this test would remove it"; exit 77; }

rm -rf "$work" && mkdir -p "$work"
if [ -n "${AUTORUN_KIT_DEB:-}" ]; then
    cp "$AUTORUN_KIT_DEB" "$work/"
else
    cpack --config "$kitBuild/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.txt" 2>&1 ||
        { cat "$work/cpack.txt"; exit 1; }
fi
deb=$work/$package
[ -f "$deb" ] || { echo "FAILED: no $deb: $(ls "$work")"; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$kitBuild/CMakeCache.txt")
Field() { dpkg-deb -f "$deb" "$1"; }
[ "$(Field Package)" = autorun-kit ] || Failed "Package: $(Field Package)"
[ "$(Field Version)" = "$version" ] || Failed "Version: $(Field Version), not $version"
[ "$(Field Architecture)" = all ] || Failed "Architecture: $(Field Architecture)"
[ "$(Field Depends)" = "wine, xorriso" ] || Failed "Depends: $(Field Depends)"
[ "$(Field Recommends)" = osslsigncode ] || Failed "Recommends: $(Field Recommends)"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for entry in /usr/bin/autorun-check /usr/bin/autorun-make-disc $kit/AUTORUN.EXE \
    $kit/AUTORUN-CHECK.EXE $kit/x86_64/AUTORUN-CHECK.EXE $kit/docs/autorun-ini.md \
    $kit/sample-disc/AUTORUN.INI $kit/sample-disc/AUTORUN.EXE $kit/make-disc.sh; do
    grep -qx ".$entry" <<<"$contents" || Failed "the package lacks $entry"
done

Remove() { $SUDO apt-get purge -y -qq autorun-kit >/dev/null 2>&1; }
trap Remove EXIT
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$deb" \
    >"$work/apt.txt" 2>&1 || { cat "$work/apt.txt"; echo "FAILED: apt-get install"; exit 1; }
[ "$(PeMachine $kit/AUTORUN.EXE)" = i386 ] || Failed "the kit's AUTORUN.EXE is not PE32"
[ "$(PeMachine $kit/x86_64/AUTORUN-CHECK.EXE)" = x86_64 ] || Failed "the x86_64 checker is not x86_64"

# The kit's Wine settings in a cache folder of the test's own, from nothing.
export XDG_CACHE_HOME=$work/cache
unset WINEPREFIX WINELOADER
code=0
(cd "$work" && autorun-check --preview previews $kit/sample-disc) >"$work/check.txt" 2>&1 || code=$?
[ $code = 0 ] || Failed "autorun-check on the sample disc ended with $code: $(cat "$work/check.txt")"
grep -q "AUTORUN-CHECK: nothing found" "$work/check.txt" || Failed "the sample disc: $(cat "$work/check.txt")"
ls "$work"/previews/*.png >/dev/null 2>&1 || Failed "no preview in the relative Linux folder previews"
[ -d "$XDG_CACHE_HOME/autorun-kit/wineprefix/drive_c" ] || Failed "no Wine prefix in the cache folder"
code=0
autorun-check --hot 1 $kit/sample-disc >/dev/null 2>&1 || code=$?
[ $code = 3 ] || Failed "--hot without --preview ended with $code, not the checker's 3"

# A path Wine cannot name stops the command instead of checking another folder.
mkdir -p "$work/no-winepath" && printf '#!/bin/sh\nexit 0\n' >"$work/no-winepath/winepath"
chmod +x "$work/no-winepath/winepath"
code=0
PATH=$work/no-winepath:$PATH autorun-check $kit/sample-disc >"$work/nameless.txt" 2>&1 || code=$?
[ $code = 3 ] && grep -q "Wine cannot name $kit/sample-disc" "$work/nameless.txt" ||
    Failed "a path Wine cannot name: exit code $code, $(cat "$work/nameless.txt")"

code=0
autorun-make-disc $kit/sample-disc KITTEST "$work/kit.iso" >"$work/make-disc.txt" 2>&1 || code=$?
[ $code = 0 ] || Failed "autorun-make-disc ended with $code: $(cat "$work/make-disc.txt")"
grep -q "checking the folder with /usr/bin/autorun-check" "$work/make-disc.txt" ||
    Failed "autorun-make-disc did not check with autorun-check: $(cat "$work/make-disc.txt")"
xorriso -indev "$work/kit.iso" -pvd_info 2>/dev/null | grep -qx "Volume Id    : KITTEST" ||
    Failed "the image is not labelled KITTEST"

Remove
trap - EXIT
[ ! -e /usr/bin/autorun-check ] && [ ! -e $kit ] || Failed "files of the kit are left after removal"
Finish "$package installs, checks the sample disc, makes its image and goes"
