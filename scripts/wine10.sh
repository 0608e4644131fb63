#!/usr/bin/env bash
# The second runtime: the host's build tested under Wine 10 in a Debian 13
# chroot, which honours the launcher's DPI manifest as Windows does (Debian
# 12's Wine 8 makes every program system-DPI-aware whatever it declares).
#
# Usage: wine10.sh BUILD_DIR [CTEST ARGS...]
#
# The chroot is made once, outside the work tree (AUTORUN_WINE10_ROOT), and
# made again when it is half made, of another Debian release or with another
# Wine. The pass runs the host's binaries with ctest: no cmake or cpack in the
# chroot, for its cmake would rewrite the host's CMakeCache.txt. The tests see
# the build at its own path and Wine prefixes of their own, bind-mounted over
# the host's inside a private mount and PID namespace: when the pass ends, or
# is killed, every process in it ends and every mount goes with it.
#
# Exit codes: 0 the pass passed, 1 it failed, 3 the runtime cannot be made
# (the reason is the last line on standard error).
set -euo pipefail
build=$(cd "$1" && pwd -P)
shift
source=$(cd "$(dirname "$0")/.." && pwd -P)
shared=$(cd "$source/.." && pwd -P)/shared
. "$source/scripts/wine-arch.sh"
ChooseBuild

RELEASE=trixie
RELEASE_NUMBER=13
WINE_SERIES=10
MIRROR=${AUTORUN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
root=${AUTORUN_WINE10_ROOT:-/var/cache/autorun/debian$RELEASE_NUMBER-wine$WINE_SERIES}
# What the tests call, as the host's install-deps.sh installs it, and cmake for ctest.
packages=(wine wine64 xvfb xauth fonts-wine cmake xorriso osslsigncode openssl)
Runs32BitPrograms && packages+=(wine32:i386)
own=$build/wine$WINE_SERIES
# The build's prefixes, one at each DPI the tests set up.
mapfile -t prefixes < <(ctest --test-dir "$build" -N 2>/dev/null |
    sed -n 's/.* wine_prefix\(_dpi[0-9]*\)\{0,1\}$/wineprefix\1/p' | tr _ -)

Unavailable() {
    echo "wine10.sh: $*" >&2
    exit 3
}

SUDO=""
if [ "$(id -u)" != 0 ]; then
    sudo -n true 2>/dev/null || Unavailable "making the Debian $RELEASE_NUMBER chroot needs root or sudo without a password"
    SUDO="sudo -n"
fi

# Runs COMMAND... in ROOT with /proc, /sys and /dev, in a mount and PID
# namespace of its own, and more bind mounts from MOUNTS (pairs of folder and
# place in the chroot) when set.
InChroot() {
    local chroot=$1
    shift
    $SUDO unshare --mount --pid --fork --kill-child --propagation private \
        bash -c '
        set -e
        root=$1; mounts=$2; shift 2
        mount -t proc proc "$root/proc"
        mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
        mount --rbind /dev "$root/dev" && mount --make-rslave "$root/dev"
        while read -r from to mode; do
            [ -n "$from" ] || continue
            mkdir -p "$root$to"
            mount --bind "$from" "$root$to"
            [ "$mode" != ro ] || mount -o remount,bind,ro "$root$to"
        done <<<"$mounts"
        # This shell stays the namespace'"'"'s first process: the X server tells
        # only a parent other than that one when it is ready, and when this
        # shell ends, on a signal too, every process in the namespace ends.
        trap "exit 143" TERM INT HUP
        chroot "$root" "$@" &
        wait $!
    ' inner "$chroot" "${MOUNTS:-}" "$@"
}

# The Debian release and Wine version of a chroot, as its dpkg records them.
Describe() {
    local version wine
    version=$(cat "$1/etc/debian_version" 2>/dev/null) || return 1
    wine=$(dpkg-query --admindir="$1/var/lib/dpkg" -W -f '${Version}' wine 2>/dev/null) || return 1
    echo "Debian $version, Wine $wine"
}

# Succeeds when ROOT is a whole chroot of the release and Wine series wanted.
Usable() {
    [ -f "$1/.autorun-complete" ] && Wanted "$1"
}

# Succeeds when ROOT holds the release and Wine series wanted.
Wanted() {
    local version wine
    version=$(cat "$1/etc/debian_version" 2>/dev/null) || return 1
    wine=$(dpkg-query --admindir="$1/var/lib/dpkg" -W -f '${Version}' wine 2>/dev/null) || return 1
    [[ $version == "$RELEASE_NUMBER".* && $wine == "$WINE_SERIES".* ]]
}

# Removes a chroot, never through a mount that is still inside it.
Remove() {
    [ -e "$1" ] || return 0
    if grep -q " $1[/ ]" /proc/self/mountinfo; then
        Unavailable "$1 has file systems mounted in it; unmount them, then run again"
    fi
    $SUDO rm -rf --one-file-system "$1"
}

# Installs the packages the chroot lacks.
InstallMissing() {
    local missing=() package
    for package in "${packages[@]}"; do
        dpkg-query --admindir="$1/var/lib/dpkg" -W -f '${Status}' "$package" 2>/dev/null |
            grep -q 'ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -gt 0 ] || return 0
    $SUDO cp /etc/resolv.conf "$1/etc/resolv.conf"
    InChroot "$1" /bin/sh -c '
        export DEBIAN_FRONTEND=noninteractive
        case " $* " in *:i386*) dpkg --add-architecture i386 ;; esac
        apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@" >/dev/null
    ' install "${missing[@]}"
}

MakeChroot() {
    local fresh=$root.new
    command -v debootstrap >/dev/null || {
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends debootstrap \
            >/dev/null 2>&1 || Unavailable "debootstrap cannot be installed"
    }
    Remove "$fresh"
    $SUDO debootstrap --variant=minbase "$RELEASE" "$fresh" "$MIRROR" >"$own/debootstrap.log" 2>&1 ||
        Unavailable "debootstrap of Debian $RELEASE from $MIRROR failed: $(tail -n 1 "$own/debootstrap.log")"
    InstallMissing "$fresh" >"$own/debootstrap.log" 2>&1 ||
        Unavailable "Wine $WINE_SERIES cannot be installed in the chroot: $(tail -n 1 "$own/debootstrap.log")"
    Wanted "$fresh" || Unavailable "the chroot has $(Describe "$fresh"), not Debian $RELEASE_NUMBER with Wine $WINE_SERIES"
    $SUDO touch "$fresh/.autorun-complete"
    Remove "$root"
    $SUDO mv "$fresh" "$root"
}

mkdir -p "$own"
$SUDO mkdir -p "$(dirname "$root")"
$SUDO touch "$root.lock" && $SUDO chmod a+rw "$root.lock"
exec 9>>"$root.lock"
flock 9 # one test run makes the chroot; another waits and then uses it
if ! Usable "$root"; then
    started=$SECONDS
    if [ -e "$root" ]; then
        echo "wine10.sh: $root is half made or holds $(Describe "$root" || echo "something else"); making it again"
    fi
    echo "wine10.sh: making a Debian $RELEASE_NUMBER chroot with Wine $WINE_SERIES in $root (once)"
    MakeChroot
    echo "wine10.sh: the chroot took $((SECONDS - started)) s to make, $(du -sh "$root" | cut -f1) on disk"
fi
InstallMissing "$root" >"$own/apt.log" 2>&1 ||
    Unavailable "the chroot's packages cannot be installed: $(tail -n 1 "$own/apt.log")"

# The kit as a Debian 13 author gets it: the package made on the host.
kitBuild=$source/build/win32
kitPackage=""
if [ -f "$kitBuild/CPackConfig.cmake" ]; then
    mkdir -p "$own/kit"
    if cpack --config "$kitBuild/CPackConfig.cmake" -G DEB -B "$own/kit" >"$own/kit/cpack.txt" 2>&1; then
        kitPackage=$(ls "$own"/kit/*.deb 2>/dev/null | head -n 1)
    fi
fi

mounts="$source $source"
[ ! -d "$shared" ] || mounts+=$'\n'"$shared $shared ro"
for prefix in "${prefixes[@]}"; do
    mkdir -p "$own/$prefix" "$build/$prefix"
    mounts+=$'\n'"$own/$prefix $build/$prefix"
done
mkdir -p "$own/home"
echo "wine10.sh: the pass runs under $(InChroot "$root" wine --version 2>/dev/null || echo "an unknown Wine") ($(Describe "$root"))"
started=$SECONDS
code=0
MOUNTS=$mounts InChroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME="$own/home" LANG="${LANG:-C.UTF-8}" ${LC_ALL:+LC_ALL="$LC_ALL"} AUTORUN_ARCH="$AUTORUN_ARCH" \
    AUTORUN_RUNS_32BIT="$AUTORUN_RUNS_32BIT" AUTORUN_KIT_DEB="$kitPackage" \
    /bin/bash -c 'cd "$1" && exec xvfb-run -a -s "-screen 0 $2" "${@:3}"' pass "$source" "$TEST_SCREEN" \
    ctest --test-dir "$build" --output-on-failure -E '^release_zip$' "$@" || code=$?
echo "wine10.sh: the pass took $((SECONDS - started)) s"
exit $((code != 0))
