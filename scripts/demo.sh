#!/usr/bin/env bash
# Installs what is missing, builds, and shows the launcher on the sample disc:
# drive P: labelled DEMODISC in the build's own Wine prefix. With no display it
# runs on a virtual one, saves a screenshot as PNG and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-arch.sh
scripts/setup.sh >/dev/null
ChooseBuild # after setup.sh has installed Wine: it tells which build runs
echo "demo.sh: showing the $AUTORUN_ARCH_NAME build (build/$AUTORUN_ARCH): $AUTORUN_ARCH_WHY" >&2
build=$PWD/build/$AUTORUN_ARCH
UseWineFor "$build/AUTORUN.EXE"
# A prefix of its own, so the demo's settings never meet the tests.
export WINEPREFIX="$build/demoprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
tests/prepare-prefix.sh "$build" "$WINEPREFIX"
cp -r "$build/sample-disc/." "$build/discs/p/"

if [ -n "${DISPLAY:-}" ]; then
    wine 'P:\AUTORUN.EXE'
    exit 0
fi

png="$build/screenshot.png"
rm -f "$png"
# Wine's virtual desktop draws the title bar; the pointer rests on the first
# button so it shows lit.
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Demo /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Demo /d 760x600 /f >/dev/null 2>&1
wineserver -k # what started without a display must not serve the virtual one
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    wine "P:\\AUTORUN.EXE" &
    sleep 2 # the launcher creates the virtual desktop; the snapshot joins it
    wine "$1" "$(winepath -w "$2")" 76 110
    wineserver -k
' demo "$build/tools/snap.exe" "$png" >/dev/null 2>&1 || true
wineserver -k 2>/dev/null || true
[ -f "$png" ] || { echo "no screenshot was taken" >&2; exit 1; }
echo "$png"
