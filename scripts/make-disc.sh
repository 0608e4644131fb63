#!/usr/bin/env bash
# Makes a disc image (ISO 9660 with Joliet and Rock Ridge) from a launcher's
# disc folder, with an autorun.inf that starts the launcher. See --help.
set -Eeuo pipefail
# Joliet names are converted from the local character set: without UTF-8 here
# xorriso would turn every non-ASCII character into "_" without a word.
export LC_ALL=C.UTF-8

readonly EXIT_USAGE=2 EXIT_FOLDER=3 EXIT_LABEL=4 EXIT_NAMES=5 EXIT_OUTPUT=6 EXIT_CHECK=7 EXIT_XORRISO=8
readonly LABEL_MAX=16 NAME_MAX=64 JOLIET_PATH_MAX=240
program=make-disc.sh
. "$(dirname -- "${BASH_SOURCE[0]}")/wine-arch.sh"

ShowHelp() {
    cat <<EOF
Usage: $program [--force] [--checker PROGRAM | --no-check] DISC-FOLDER LABEL OUT.iso

Builds OUT.iso, an ISO 9660 image with Joliet and Rock Ridge, from DISC-FOLDER.
The folder must hold AUTORUN.EXE with AUTORUN.INI beside it, at its root or in
one sub-folder. The folder itself is never changed.

LABEL is the volume label that Windows shows for the disc and the name of the
launcher's working copy ~LABEL.INI. It has 1 to $LABEL_MAX characters (the Joliet
limit), each one of A-Z, 0-9 and _ (what an ISO 9660 volume identifier allows);
the same text goes into both volume descriptors.

Unless the folder has an autorun.inf of its own, the image gets one:
  open=    the launcher
  icon=    Icon of [Setup] in AUTORUN.INI, else the launcher's own icon
  label=   LABEL
  action=  Title of the default language ([SetupStr_<DefaultLang>])

Names on the disc must survive Joliet, which Windows reads: each name at most
$NAME_MAX characters, each path at most $JOLIET_PATH_MAX bytes (2 a character, 1 a level,
1 for the root: about 115 characters), characters of the Basic Multilingual
Plane only, none of \\ / : * ? " < > | ; or control characters, no name ending
in a dot or a blank, and no two names in a folder that differ only in case.
Symbolic links are followed.

Before the image is made, AUTORUN-CHECK.EXE checks the folder under Wine: the
program given with --checker or in the environment variable AUTORUN_CHECK, else
build/win32/AUTORUN-CHECK.EXE of this checkout when it is built (build/win64 on
a machine that cannot run 32-bit programs); without one the check is skipped.
Where 32-bit programs cannot run, a 32-bit checker's x86_64 build in the folder
x86_64 beside it runs instead. Its errors stop the image; its warnings are shown.

Options:
  --force            replace OUT.iso when it exists
  --checker PROGRAM  the checker to run (overrides AUTORUN_CHECK): a Windows
                     program, run under Wine, or a command of this machine that
                     takes the same arguments with Linux paths (autorun-check)
  --no-check         do not run the checker
  -h, --help         show this text

Exit codes:
  0  the image is written
  2  usage: wrong arguments, no folder for OUT.iso, OUT.iso inside DISC-FOLDER
  3  bad folder: missing, or no AUTORUN.EXE with AUTORUN.INI beside it
  4  bad label
  5  names on the disc that Joliet or Windows cannot carry
  6  OUT.iso exists (use --force) or is a folder
  7  the check found errors (checker exit code 2 or 3) or could not run
  8  xorriso is missing or failed
  1  any other failure
Nothing is left at OUT.iso unless the image is complete: it is written under
a temporary name beside it and renamed at the end.
EOF
}

Say() { printf '%s: %s\n' "$program" "$*" >&2; }

Fail() {
    local code=$1
    shift
    Say "$*"
    exit "$code"
}

stage=""
partial=""
xorrisoPid=""
CleanUp() {
    trap - ERR
    if [ -n "$xorrisoPid" ]; then
        kill "$xorrisoPid" 2>/dev/null || true
        wait "$xorrisoPid" 2>/dev/null || true
    fi
    if [ -n "$partial" ]; then rm -f -- "$partial"; fi
    if [ -n "$stage" ]; then rm -rf -- "$stage"; fi
}
trap CleanUp EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
trap 'Fail 1 "unexpected failure at line $LINENO"' ERR

# Characters that a glob pattern would read as its own.
EscapeGlob() { printf '%s' "$1" | sed 's/[][*?\\]/\\&/g'; }

# The entry of `folder` named `relative` (a Windows path: backslashes, any
# case), printed as found on disk; nothing when there is none.
FindEntry() {
    local found=$1 part next parts
    # shellcheck disable=SC2141 # the backslash is the separator of Windows paths
    IFS='\' read -r -a parts <<<"$2"
    for part in "${parts[@]}"; do
        [ -z "$part" ] && continue
        next=$(find -L "$found" -mindepth 1 -maxdepth 1 -iname "$(EscapeGlob "$part")" -print -quit)
        [ -z "$next" ] && return 0
        found=$next
    done
    printf '%s' "$found"
}

# The value of `key` in `section` of an INI file already in UTF-8, read the
# way the profile reader does: names in any case, blanks around them dropped,
# one pair of enclosing quotes removed, the first match wins.
ReadIniValue() {
    awk -v section="$2" -v key="$3" -v quote="'" '
        BEGIN { section = tolower(section); key = tolower(key) }
        { sub(/\r$/, "") }
        /^[ \t]*\[/ {
            name = $0
            sub(/^[ \t]*\[/, "", name); sub(/\].*$/, "", name)
            gsub(/^[ \t]+|[ \t]+$/, "", name)
            inside = tolower(name) == section
            next
        }
        inside && index($0, "=") {
            k = substr($0, 1, index($0, "=") - 1); v = substr($0, index($0, "=") + 1)
            gsub(/^[ \t]+|[ \t]+$/, "", k); gsub(/^[ \t]+|[ \t]+$/, "", v)
            if (tolower(k) != key) next
            first = substr(v, 1, 1)
            if (length(v) >= 2 && (first == "\"" || first == quote) && substr(v, length(v)) == first)
                v = substr(v, 2, length(v) - 2)
            print v
            exit
        }' "$1"
}

# The INI file as UTF-8: UTF-16 with a byte-order mark (as the profile reader
# takes it on every Windows), UTF-8 with or without one, else the Western
# Windows code page.
DecodeIni() {
    local start
    start=$(head -c 3 -- "$1" | od -An -tx1 | tr -d ' \n')
    case $start in
    fffe* | feff*) iconv -f UTF-16 -t UTF-8 -- "$1" ;;
    efbbbf) tail -c +4 -- "$1" ;;
    *) iconv -f UTF-8 -t UTF-8 -- "$1" 2>/dev/null || iconv -f WINDOWS-1252 -t UTF-8 -- "$1" ;;
    esac
}

CheckLabel() {
    local label=$1
    local limits="a label has 1 to $LABEL_MAX characters from A-Z, 0-9 and _ (Joliet, which Windows shows, carries $LABEL_MAX; an ISO 9660 volume identifier only these characters)"
    [ -n "$label" ] || Fail $EXIT_LABEL "the label is empty: $limits"
    [ ${#label} -le $LABEL_MAX ] ||
        Fail $EXIT_LABEL "the label \"$label\" has ${#label} characters; Windows would show \"${label:0:LABEL_MAX}\": $limits"
    if [[ $label == *[!A-Z0-9_]* ]]; then
        local hint=""
        local upper=${label^^}
        [[ $upper != *[!A-Z0-9_]* ]] && hint=" (try $upper)"
        Fail $EXIT_LABEL "the label \"$label\" has characters a disc label cannot carry$hint: $limits"
    fi
}

# Refuses the first name that Joliet would change or drop without a word, or
# that Windows could not open or tell from another.
CheckNames() {
    local folder=$1 path relative name levels bytes lower
    local -A seen=()
    while IFS= read -r -d '' path; do
        relative=${path#"$folder"/}
        name=${relative##*/}
        if [[ $name == *[![:print:]]* ]]; then
            Fail $EXIT_NAMES "a name with control characters or bytes that are not UTF-8: $(printf '%q' "$relative")"
        elif [[ $name == *[$'\U10000'-$'\U10FFFF']* ]]; then
            Fail $EXIT_NAMES "a character outside the Basic Multilingual Plane, which Joliet cannot carry: $relative"
        elif [[ $name == *[\\:*?\"\<\>\|\;]* ]]; then
            Fail $EXIT_NAMES "a name with one of \\ : * ? \" < > | ; which Joliet or Windows cannot carry: $relative"
        elif [[ $name == *[.\ ] ]]; then
            Fail $EXIT_NAMES "a name ending in a dot or a blank, which Windows cannot open: $relative"
        elif [ ${#name} -gt $NAME_MAX ]; then
            Fail $EXIT_NAMES "a name of ${#name} characters, more than Joliet's $NAME_MAX: $relative"
        fi
        levels=${relative//[!\/]/}
        bytes=$((1 + ${#levels} + 1 + 2 * (${#relative} - ${#levels})))
        [ $bytes -le $JOLIET_PATH_MAX ] ||
            Fail $EXIT_NAMES "a path of $bytes bytes in Joliet, more than $JOLIET_PATH_MAX (2 a character, 1 a level, 1 for the root); Windows would not see it: $relative"
        lower=${relative,,}
        [ -z "${seen[$lower]+x}" ] ||
            Fail $EXIT_NAMES "two names that differ only in case, which Windows cannot tell apart: ${seen[$lower]} and $relative"
        seen[$lower]=$relative
    done < <(find -L "$folder" -mindepth 1 -print0)
}

# Runs the author's checker on the folder, shows what it says, and stops on
# its errors.
RunCheck() {
    local checker=$1 folder=$2 label=$3 why=$4 native code build=PE32 twin
    [ -f "$checker" ] || Fail $EXIT_CHECK "the checker $checker does not exist (or pass --no-check)"
    command -v wine >/dev/null || Fail $EXIT_CHECK "the checker needs Wine, which is not installed (or pass --no-check)"
    case $(PeMachine "$checker") in
    "")
        # A command of this machine, such as the kit's autorun-check: Linux paths.
        Say "checking the folder with $checker"
        code=0
        "$checker" --label "$label" "$folder" >"$stage/check.txt" 2>&1 || code=$?
        ReportCheck $code
        return
        ;;
    x86_64) build=x86_64 ;;
    esac
    if [ $build = PE32 ] && ! Wine32Ready; then
        twin=$(dirname -- "$checker")/x86_64/$(basename -- "$checker")
        [ -f "$twin" ] || Fail $EXIT_CHECK "this machine cannot run 32-bit programs, and no x86_64 build of the checker lies beside $checker (x86_64/)"
        checker=$twin build=x86_64 why="this machine cannot run 32-bit programs"
    fi
    UseWineFor "$checker"
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
    native=$(winepath -w "$folder" 2>"$stage/winepath.txt") || { cat "$stage/winepath.txt" >&2; false; } || Fail $EXIT_CHECK "Wine cannot name the folder $folder"
    Say "checking the folder with $checker, the $build build: $why"
    # Wine's helper processes keep inherited output open after the program
    # ends: through a file they cannot hold up a caller that reads a pipe.
    code=0
    wine "$checker" --label "$label" "$native" >"$stage/check.txt" 2>&1 || code=$?
    ReportCheck $code
}

# Shows what the checker said, and stops on its errors.
ReportCheck() {
    local code=$1
    cat "$stage/check.txt"
    case $code in
    0) ;;
    1) Say "the check found warnings only; going on" ;;
    2 | 3) Fail $EXIT_CHECK "the check found errors (exit code $code); no image is made" ;;
    *) Fail $EXIT_CHECK "the checker ended with exit code $code; no image is made" ;;
    esac
}

# Writes the autorun.inf of the image into the stage: ASCII, or UTF-16 LE with
# a byte-order mark when the title is not ASCII; CRLF line ends.
WriteAutorunInf() {
    local folder=$1 launcher=$2 ini=$3 label=$4
    local open icon configured language title iconFile
    open=${launcher#"$folder"/}
    open=${open//\//\\}
    DecodeIni "$ini" >"$stage/AUTORUN.INI.utf8" || Fail $EXIT_FOLDER "cannot read $ini"
    configured=$(ReadIniValue "$stage/AUTORUN.INI.utf8" Setup Icon)
    icon="$open,0"
    if [ -n "$configured" ]; then
        # The launcher puts the disc root in front of Icon.
        configured=${configured#"${configured%%[!\\]*}"}
        iconFile=$(FindEntry "$folder" "$configured")
        if [ -n "$iconFile" ] && [ -f "$iconFile" ]; then
            icon=$configured
        else
            Say "the Icon $configured is not on the disc; autorun.inf names the launcher's own icon"
        fi
    fi
    language=$(ReadIniValue "$stage/AUTORUN.INI.utf8" Setup DefaultLang)
    title=""
    [ -n "$language" ] && title=$(ReadIniValue "$stage/AUTORUN.INI.utf8" "SetupStr_$language" Title)
    [ -n "$title" ] || Say "no Title for the default language ([Setup] DefaultLang, [SetupStr_<language>] Title): autorun.inf has no action="
    [[ $open == *" "* ]] && open="\"$open\""
    {
        printf '[autorun]\r\n'
        printf 'open=%s\r\n' "$open"
        printf 'icon=%s\r\n' "$icon"
        printf 'label=%s\r\n' "$label"
        if [ -n "$title" ]; then printf 'action=%s\r\n' "$title"; fi
    } >"$stage/autorun.utf8"
    if LC_ALL=C grep -q '[^[:print:][:space:]]' "$stage/autorun.utf8"; then
        { printf '\xff\xfe' && iconv -f UTF-8 -t UTF-16LE "$stage/autorun.utf8"; } >"$stage/autorun.inf"
    else
        cp "$stage/autorun.utf8" "$stage/autorun.inf"
    fi
}

force=0
noCheck=0
checker=${AUTORUN_CHECK:-}
arguments=()
while [ $# -gt 0 ]; do
    case $1 in
    -h | --help)
        ShowHelp
        exit 0
        ;;
    --force) force=1 ;;
    --no-check) noCheck=1 ;;
    --checker)
        [ $# -ge 2 ] || Fail $EXIT_USAGE "--checker needs a program (see --help)"
        checker=$2
        shift
        ;;
    --checker=*) checker=${1#--checker=} ;;
    --) shift; arguments+=("$@"); break ;;
    -?*) Fail $EXIT_USAGE "unknown option $1 (see --help)" ;;
    *) arguments+=("$1") ;;
    esac
    shift
done
[ ${#arguments[@]} -eq 3 ] || Fail $EXIT_USAGE "usage: $program [--force] [--checker PROGRAM | --no-check] DISC-FOLDER LABEL OUT.iso (see --help)"
folder=${arguments[0]}
label=${arguments[1]}
output=${arguments[2]}

CheckLabel "$label"

[ -d "$folder" ] || Fail $EXIT_FOLDER "$folder is not a folder"
folder=$(cd -- "$folder" && pwd -P)
launcher=$(FindEntry "$folder" AUTORUN.EXE)
if [ -z "$launcher" ]; then
    mapfile -t launchers < <(find -L "$folder" -mindepth 2 -type f -iname AUTORUN.EXE | sort)
    [ ${#launchers[@]} -le 1 ] ||
        Fail $EXIT_FOLDER "$folder has no AUTORUN.EXE at its root and several in sub-folders (${launchers[*]#"$folder"/}): put the one to start at the root"
    launcher=${launchers[0]:-}
fi
[ -n "$launcher" ] && [ -f "$launcher" ] || Fail $EXIT_FOLDER "$folder holds no AUTORUN.EXE"
ini=$(FindEntry "$(dirname -- "$launcher")" AUTORUN.INI)
[ -n "$ini" ] && [ -f "$ini" ] || Fail $EXIT_FOLDER "$folder holds no AUTORUN.INI beside ${launcher#"$folder"/}"

[ -n "$output" ] || Fail $EXIT_USAGE "OUT.iso is empty"
outputFolder=$(dirname -- "$output")
[ -d "$outputFolder" ] || Fail $EXIT_USAGE "the folder of $output does not exist"
outputFolder=$(cd -- "$outputFolder" && pwd -P)
output=$outputFolder/$(basename -- "$output")
case $outputFolder/ in
"$folder"/*) Fail $EXIT_USAGE "$output lies inside the disc folder, which would put the image into itself" ;;
esac
[ ! -d "$output" ] || Fail $EXIT_OUTPUT "$output is a folder"
[ ! -e "$output" ] && [ ! -L "$output" ] || [ $force -eq 1 ] ||
    Fail $EXIT_OUTPUT "$output exists; pass --force to replace it"

CheckNames "$folder"

stage=$(mktemp -d)
if [ $noCheck -eq 1 ]; then
    Say "skipped the check (--no-check)"
elif [ -n "$checker" ]; then
    RunCheck "$checker" "$folder" "$label" "the checker named"
else
    ChooseBuild 2>"$stage/arch.txt" || Fail $EXIT_USAGE "$(cat "$stage/arch.txt")"
    built=$(cd -- "$(dirname -- "$0")/.." && pwd -P)/build/$AUTORUN_ARCH/AUTORUN-CHECK.EXE
    if [ -f "$built" ]; then
        RunCheck "$built" "$folder" "$label" "$AUTORUN_ARCH_WHY"
    else
        Say "skipped the check: no AUTORUN-CHECK.EXE (build it, or name it with --checker or AUTORUN_CHECK)"
    fi
fi

ownInf=$(FindEntry "$folder" autorun.inf)
extraMap=()
if [ -n "$ownInf" ]; then
    Say "the folder has its own ${ownInf##*/}; it goes onto the disc unchanged"
else
    WriteAutorunInf "$folder" "$launcher" "$ini" "$label"
    extraMap=(-map "$stage/autorun.inf" /autorun.inf)
fi

command -v xorriso >/dev/null || Fail $EXIT_XORRISO "xorriso is not installed (Debian package xorriso)"
partial=$(mktemp -- "$outputFolder/.$(basename -- "$output").XXXXXX")
xorriso -no_rc -report_about WARNING -outdev "stdio:$partial" -follow link \
    -volid "$label" -joliet on -rockridge on -map "$folder" / "${extraMap[@]}" \
    >"$stage/xorriso.txt" 2>&1 &
xorrisoPid=$!
code=0
wait $xorrisoPid || code=$?
xorrisoPid=""
if [ $code -ne 0 ]; then
    cat "$stage/xorriso.txt" >&2
    Fail $EXIT_XORRISO "xorriso failed (exit code $code); no image is made"
fi
grep -E '(WARNING|SORRY) :' "$stage/xorriso.txt" >&2 || true
[ -s "$partial" ] || Fail $EXIT_XORRISO "xorriso wrote nothing; no image is made"
chmod "$(printf '%o' $((0666 & ~$(umask))))" "$partial"
mv -f -- "$partial" "$output"
partial=""
Say "wrote $output ($(($(stat -c %s -- "$output") / 1024)) KiB), label $label, launcher ${launcher#"$folder"/}"
