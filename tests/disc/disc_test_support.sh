# shellcheck shell=bash
# Shared by the disc tests, sourced with the build folder as $1: the build,
# make-disc.sh, Wine in the build's prefix, and a count of failures.
set -u
export LC_ALL=C.UTF-8
build=$(cd "$1" && pwd)
# shellcheck disable=SC2034 # read by the tests that source this
script=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/make-disc.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-arch.sh"
UseWineFor "$build/AUTORUN.EXE"
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
failures=0

Failed() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# Ends the test: `summary` when nothing failed, and the exit code.
Finish() {
    [ $failures = 0 ] && echo "$1"
    exit $((failures > 0))
}
