#!/usr/bin/env bash
# Runs a Windows program of the build under Wine in the build's own prefix.
# Usage: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
set -u
build=$1
shift
. "$(dirname "$0")/../scripts/wine-arch.sh"
UseWineFor "$1"
# A test may name a prefix of its own inside the build (one at another DPI).
case "${WINEPREFIX:-}" in
"$build"/wineprefix-*) ;;
*) export WINEPREFIX="$build/wineprefix" ;;
esac
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
[ -f "$WINEPREFIX/system.reg" ] || "$(dirname "$0")/prepare-prefix.sh" "$build" >&2
# Wine's helper processes outlive the program and inherit its output; through
# a file they cannot keep the caller waiting for the end of a pipe.
# The file is followed as it grows, so a program that is stopped for taking
# too long still shows what it printed.
out=$(mktemp)
wine "$@" >"$out" 2>&1 &
program=$!
tail -n +1 -f --pid=$program "$out" &
follower=$!
wait $program
rc=$?
wait $follower
rm -f "$out"
exit $rc
