#!/usr/bin/env bash
# Installs what is missing, builds AUTORUN.EXE and its tests, and runs every
# test under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-arch.sh
ChooseBuild
echo "test.sh: testing the $AUTORUN_ARCH_NAME build (build/$AUTORUN_ARCH): $AUTORUN_ARCH_WHY"
scripts/setup.sh
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$AUTORUN_ARCH" "$@"
