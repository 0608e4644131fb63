# shellcheck shell=bash
# Sourced by every script that runs Wine: which build of the launcher runs on
# this machine, and the Wine loader that runs it.
#
# Some 64-bit Linux machines cannot start 32-bit programs at all. There Wine's
# 32-bit loader cannot start either, and Debian's `wine` wrapper still picks it
# whenever wine32 is installed; the x86_64 build under the 64-bit loader runs
# the same code. AUTORUN_ARCH=win32 or win64 forces the choice.

AUTORUN_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# The virtual display the tests run on: room for the sample disc's window at
# 200 % with its frame, which a smaller display would show at a smaller scale.
TEST_SCREEN=1920x1200x24
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

# Succeeds when this machine can run 32-bit Windows programs under Wine: Wine's
# 32-bit loader starts, or, before it is installed, a 32-bit x86 Linux program
# does (the loader is one). The answer is kept for the scripts this one starts.
Runs32BitPrograms() {
    if [ -z "${AUTORUN_RUNS_32BIT:-}" ]; then
        AUTORUN_RUNS_32BIT=no
        if [ -x "$WINE32_LOADER" ]; then
            "$WINE32_LOADER" --version >/dev/null 2>&1 && AUTORUN_RUNS_32BIT=yes
        else
            local probe
            probe=$(mktemp) || return 1
            # ELF32 for i386: one segment whose code is exit(0) through int 0x80.
            local elf=7f454c4601010100000000000000000002000300010000005480040834000000
            elf+=0000000000000000340020000100000000000000010000000000000000800408
            elf+=008004085d0000005d0000000500000000100000b80100000031dbcd80
            printf '%b' "$(sed 's/../\\x&/g' <<<"$elf")" >"$probe"
            chmod +x "$probe"
            "$probe" 2>/dev/null && AUTORUN_RUNS_32BIT=yes
            rm -f "$probe"
        fi
        export AUTORUN_RUNS_32BIT
    fi
    [ "$AUTORUN_RUNS_32BIT" = yes ]
}

# Succeeds when 32-bit Windows programs run under Wine here now: Wine's 32-bit
# loader is installed and starts.
Wine32Ready() {
    [ -x "$WINE32_LOADER" ] && Runs32BitPrograms
}

# Succeeds when Wine is installed without its 32-bit half: the archive could not
# give it (see install-deps.sh), or someone removed it.
Wine32Missing() {
    [ -x "$WINE64_LOADER" ] && [ ! -x "$WINE32_LOADER" ]
}

# Sets AUTORUN_ARCH to the build that runs here (the preset's name),
# AUTORUN_ARCH_NAME to how people call it, and AUTORUN_ARCH_WHY to the reason.
ChooseBuild() {
    case ${AUTORUN_ARCH:-} in
    "")
        if ! Runs32BitPrograms; then
            AUTORUN_ARCH=win64 AUTORUN_ARCH_WHY="this machine cannot run 32-bit programs"
        elif Wine32Missing; then
            AUTORUN_ARCH=win64 AUTORUN_ARCH_WHY="Wine's 32-bit half (wine32:i386) is not installed"
        else
            AUTORUN_ARCH=win32 AUTORUN_ARCH_WHY="the product, and this machine runs 32-bit programs"
        fi
        ;;
    win32 | win64) AUTORUN_ARCH_WHY="AUTORUN_ARCH=$AUTORUN_ARCH chose it" ;;
    *)
        echo "AUTORUN_ARCH must be win32 or win64, not '$AUTORUN_ARCH'" >&2
        return 2
        ;;
    esac
    if [ "$AUTORUN_ARCH" = win32 ] && ! Runs32BitPrograms; then
        echo "AUTORUN_ARCH=win32, but this machine cannot run 32-bit programs" >&2
        return 2
    fi
    if [ "$AUTORUN_ARCH" = win32 ] && Wine32Missing; then
        echo "AUTORUN_ARCH=win32, but Wine's 32-bit half (wine32:i386) is not installed" >&2
        return 2
    fi
    if [ "$AUTORUN_ARCH" = win32 ]; then AUTORUN_ARCH_NAME=PE32; else AUTORUN_ARCH_NAME=x86_64; fi
    export AUTORUN_ARCH AUTORUN_ARCH_NAME AUTORUN_ARCH_WHY
}

# Prints i386 or x86_64 for a Windows program, nothing for another file.
PeMachine() {
    local offset machine
    offset=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 0
    [ -n "$offset" ] || return 0
    machine=$(od -An -tx2 -j$((offset + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')
    case $machine in
    014c) echo i386 ;;
    8664) echo x86_64 ;;
    esac
}

# Makes `wine`, and the tools that call it, use the loader that runs PROGRAM:
# the 64-bit one for an x86_64 program, whatever the wrapper would pick.
UseWineFor() {
    [ "$(PeMachine "$1")" = x86_64 ] || return 0
    case ":$PATH:" in
    *":$AUTORUN_SCRIPTS/wine64:"*) ;;
    *) PATH=$AUTORUN_SCRIPTS/wine64:$PATH ;;
    esac
    export PATH WINELOADER=$WINE64_LOADER
}

# Puts Wine's own fonts (Debian's fonts-wine: System, MS Sans Serif, Tahoma)
# where Windows keeps its fonts, in the prefix WINEPREFIX: Debian 12's 64-bit
# Wine does not find them in its data folder and draws every face in a
# substitute, while Wine 10 finds them either way.
LinkWineFonts() {
    local font fonts=$WINEPREFIX/drive_c/windows/Fonts
    [ -d /usr/share/wine/fonts ] && [ -d "$fonts" ] || return 0
    for font in /usr/share/wine/fonts/*; do
        [ -e "$fonts/${font##*/}" ] || ln -s "$font" "$fonts/"
    done
}
