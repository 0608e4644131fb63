#!/usr/bin/env bash
# Installs what is missing, builds AUTORUN.EXE and its tests, and runs every
# test under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset win32 "$@"
