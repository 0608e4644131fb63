#!/usr/bin/env bash
# The release zip as cpack makes it from the build: named with the version, it
# holds the launcher and the checker as built, the author's reference, the
# licence and the sample disc.
# Usage: release_zip_test.sh BUILD_DIR SOURCE_DIR PACKAGE_NAME
# shellcheck source=tests/disc/disc_test_support.sh
source "$(dirname "$0")/disc_test_support.sh"
source=$2
name=$3
work=$build/release-test

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] && [[ $name == *"-$version-"* ]] || Failed "the package name $name lacks the version $version"
rm -rf "$work" && mkdir -p "$work"
cpack --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.txt" 2>&1 || { cat "$work/cpack.txt"; exit 1; }
zip=$work/$name.zip
[ -f "$zip" ] || { echo "FAILED: no $zip: $(ls "$work")"; exit 1; }

entries=$(cmake -E tar tf "$zip")
required=(AUTORUN.EXE AUTORUN-CHECK.EXE docs/autorun-ini.md LICENSE sample-disc/AUTORUN.EXE
    sample-disc/AUTORUN.INI sample-disc/autorun/back.bmp sample-disc/setup/setup.exe)
for entry in "${required[@]}"; do
    grep -qx "$name/$entry" <<<"$entries" || Failed "the zip lacks $entry"
done

(cd "$work" && cmake -E tar xf "$zip")
for program in AUTORUN.EXE AUTORUN-CHECK.EXE; do
    cmp -s "$build/$program" "$work/$name/$program" || Failed "the zip's $program is not the one built"
done
cmp -s "$source/docs/autorun-ini.md" "$work/$name/docs/autorun-ini.md" || Failed "the zip's reference"
diff -r "$build/sample-disc" "$work/$name/sample-disc" || Failed "the zip's sample disc differs from the build's"
grep -q "Copyright (c) 2026 the AUTORUN.EXE authors" "$work/$name/LICENSE" || Failed "the licence"

Finish "$zip holds the release"
