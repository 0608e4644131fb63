#!/usr/bin/env bash
# Installs what is missing, builds AUTORUN.EXE and its tests, and runs every
# test under Wine on a virtual display, on two runtimes: this machine's Wine,
# and Wine 10 in a Debian 13 chroot (scripts/wine10.sh), which treats the
# launcher's DPI manifest as Windows does. AUTORUN_RUNTIMES=host, wine10 or
# both (the default) chooses; arguments go to ctest in each pass.
set -euo pipefail
cd "$(dirname "$0")/.."
runtimes=${AUTORUN_RUNTIMES:-both}
case $runtimes in
host | wine10 | both) ;;
*)
    echo "AUTORUN_RUNTIMES must be host, wine10 or both, not '$runtimes'" >&2
    exit 2
    ;;
esac
started=$SECONDS
scripts/setup.sh
. scripts/wine-arch.sh
ChooseBuild
build=$PWD/build/$AUTORUN_ARCH
echo "test.sh: testing the $AUTORUN_ARCH_NAME build (build/$AUTORUN_ARCH): $AUTORUN_ARCH_WHY; built in $((SECONDS - started)) s"
UseWineFor "$build/AUTORUN.EXE"
hostWine=$(wine --version 2>/dev/null || echo "Wine of unknown version")
hostRuntime="$hostWine, Debian $(cat /etc/debian_version 2>/dev/null || echo "of unknown release")"

results=()
failed=0
if [ "$runtimes" != wine10 ]; then
    echo "test.sh: pass 1 of the host's runtime: $hostRuntime"
    started=$SECONDS
    code=0
    xvfb-run -a -s "-screen 0 $TEST_SCREEN" ctest --preset "$AUTORUN_ARCH" "$@" || code=$?
    results+=("$hostRuntime: $([ $code = 0 ] && echo passed || echo FAILED) in $((SECONDS - started)) s")
    [ $code = 0 ] || failed=1
fi
if [ "$runtimes" = both ] && [[ $hostWine == wine-10.* ]]; then
    echo "test.sh: the host's own Wine is $hostWine; the Wine 10 pass would repeat it, and is skipped"
elif [ "$runtimes" != host ]; then
    echo "test.sh: pass 2 of Wine 10 in a Debian 13 chroot"
    started=$SECONDS
    code=0
    scripts/wine10.sh "$build" "$@" || code=$?
    took="in $((SECONDS - started)) s, with the chroot's making or check"
    case $code in
    0) results+=("Wine 10 in Debian 13: passed $took") ;;
    3)
        # The reason is wine10.sh's last line.
        if [ "${CI:-}" = true ] || [ "$runtimes" = wine10 ]; then
            results+=("Wine 10 in Debian 13: could not run")
            failed=1
        else
            results+=("Wine 10 in Debian 13: skipped, as it could not be made (CI=true makes that a failure)")
        fi
        ;;
    *)
        results+=("Wine 10 in Debian 13: FAILED $took")
        failed=1
        ;;
    esac
fi
for result in "${results[@]}"; do echo "test.sh: $result"; done
exit $failed
