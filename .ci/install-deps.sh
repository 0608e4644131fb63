#!/usr/bin/env bash
# Installs the cross toolchain, Wine, the virtual display, the signing tools
# and the disc-image maker that the build and tests need, and FUSE for the
# cold-disc benchmark. Wine's 32-bit half
# (and with it the i386 architecture) only where 32-bit programs can run.
set -euo pipefail
. "$(dirname "$0")/../scripts/wine-arch.sh"
need=()
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(mingw-w64)
command -v cmake >/dev/null || need+=(cmake)
command -v make >/dev/null || need+=(make)
command -v c++ >/dev/null || need+=(g++)
[ -d /usr/src/googletest ] || need+=(googletest)
[ -x "$WINE64_LOADER" ] || need+=(wine wine64)
wine32=0
if Runs32BitPrograms; then
    dpkg -s wine32:i386 >/dev/null 2>&1 || { need+=(wine32:i386); wine32=1; }
fi
command -v xvfb-run >/dev/null || need+=(xvfb xauth)
# Wine's own fonts: the System font and Tahoma, as Windows has them; a minimal
# system has no font at all.
[ -f /usr/share/wine/fonts/tahoma.ttf ] || need+=(fonts-wine)
command -v osslsigncode >/dev/null || need+=(osslsigncode)
command -v openssl >/dev/null || need+=(openssl)
command -v xorriso >/dev/null || need+=(xorriso)
command -v fusermount3 >/dev/null || need+=(fuse3)
[ -f /usr/include/fuse3/fuse.h ] || need+=(libfuse3-dev)
command -v pkg-config >/dev/null || need+=(pkg-config)
[ ${#need[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
if [ $wine32 = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync fails one index or another; what the other
# lists hold still installs, and a package that cannot be found stops below.
$SUDO apt-get update -qq || echo "install-deps.sh: apt-get update could not fetch every list; installing from what it has" >&2
if ! $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null; then
    [ $wine32 = 1 ] || exit 1
    # Without Wine's 32-bit half the x86_64 build runs, as on machines that
    # cannot run 32-bit programs (wine-arch.sh sees that it is missing).
    echo "install-deps.sh: wine32:i386 cannot be installed from the archive now; the x86_64 build will run" >&2
    rest=()
    for package in "${need[@]}"; do [ "$package" = wine32:i386 ] || rest+=("$package"); done
    [ ${#rest[@]} -eq 0 ] || $SUDO apt-get install -y -qq --no-install-recommends "${rest[@]}" >/dev/null
fi
