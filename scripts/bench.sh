#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine on a virtual display; they print
# figures and ratios, and never fail on a time.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-arch.sh
scripts/setup.sh >/dev/null
ChooseBuild # after setup.sh has installed Wine: it tells which build runs
echo "bench.sh: measuring the $AUTORUN_ARCH_NAME build (build/$AUTORUN_ARCH): $AUTORUN_ARCH_WHY"
build=$PWD/build/$AUTORUN_ARCH
UseWineFor "$build/AUTORUN.EXE"
tests/prepare-prefix.sh "$build"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k # start again under the virtual display
xvfb-run -a -s "-screen 0 $TEST_SCREEN" sh -c '
    wine "$1/bench/window_bench.exe"
    wine "$1/bench/startup_bench.exe"
    wine "$1/bench/scale_bench.exe"
    bash bench/cold_disc.sh "$1"
    wineserver -k
' bench "$build" 2>/dev/null
