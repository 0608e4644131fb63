#!/usr/bin/env bash
# Creates the build's private Wine prefix, keeps its wineserver running for the
# test run and maps the test discs: drive letters D: to P: and R:, each a folder
# under BUILD_DIR/discs with its own volume label (a drive's label is remembered
# once read, so every label has a letter of its own), and Q: for the tree of the
# sample disc's image, labelled HARBOR as the image is. A second argument
# names another prefix folder, a third the display's DPI in it (LogPixels,
# which Wine reads when its server starts).
set -eu
build=$1
. "$(dirname "$0")/../scripts/wine-arch.sh"
UseWineFor "$build/AUTORUN.EXE"
export WINEPREFIX="${2:-$build/wineprefix}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
LinkWineFonts
if [ -n "${3:-}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$3" /f >/dev/null 2>&1
    wineserver -k 2>/dev/null || true
    wineserver -w
fi
wineserver -p >/dev/null 2>&1 || true

labels="d:KTDISC e:MYDISC f:OTHERDISC g:LANGDISC h:QUARTZDISC i:RUNTIMEDISC j:PLANTDISC
k:INSTALLDISC l:SECONDDISC m:WINDOWDISC n:INPUTDISC o:BENCHDISC p:DEMODISC q:HARBOR
r:PREVIEWDISC s:A11YDISC t:SCALEDISC"
for entry in $labels; do
    letter=${entry%%:*}
    label=${entry#*:}
    folder="$build/discs/$letter"
    mkdir -p "$folder"
    printf '%s\n' "$label" > "$folder/.windows-label"
    ln -sfn "$folder" "$WINEPREFIX/dosdevices/$letter:"
done
