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

AUTORUN-CHECK.EXE reads the folder's AUTORUN.INI as the launcher does, under
Wine: the program given with --checker or in the environment variable
AUTORUN_CHECK, else build/win32/AUTORUN-CHECK.EXE of this checkout (build/win64
on a machine that cannot run 32-bit programs). Where 32-bit programs cannot
run, a 32-bit checker's x86_64 build in the folder x86_64 beside it runs
instead. It checks the folder: its errors stop the image, its warnings are
shown. And it says what the image needs from AUTORUN.INI:

  the files that the launcher reads up to its first paint (the launcher,
  AUTORUN.INI, the Icon, the Bitmap, each button's two images, for
  DefaultLang), which are laid out one after another in that order at the
  start of the image, where a drive reads them in one pass; every other
  file follows them

  unless the folder has an autorun.inf of its own, the image's autorun.inf:
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

Options:
  --force            replace OUT.iso when it exists
  --checker PROGRAM  the checker to run (overrides AUTORUN_CHECK): a Windows
                     program, run under Wine, or a command of this machine that
                     takes the same arguments with Linux paths (autorun-check)
  --no-check         make the image whatever the check finds, without its report;
                     AUTORUN.INI is still read with the checker
  -h, --help         show this text

Exit codes:
  0  the image is written
  2  usage: wrong arguments, no folder for OUT.iso, OUT.iso inside DISC-FOLDER
  3  bad folder: missing, or no AUTORUN.EXE with AUTORUN.INI beside it
  4  bad label
  5  names on the disc that Joliet or Windows cannot carry
  6  OUT.iso exists (use --force) or is a folder
  7  the check found errors (checker exit code 2 or 3), or the checker is
     missing or could not read the folder
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

# Runs the author's checker on the folder: it checks it, and writes the
# reading order of the first paint and, unless `ownInf`, the autorun.inf into
# the stage. Shows what it says, and stops on its errors.
RunCheck() {
    local checker=$1 folder=$2 label=$3 why=$4 ownInf=$5 code build=PE32 twin into=$stage/ runner=()
    local doing="checking the folder with"
    [ $noCheck -eq 0 ] || doing="reading AUTORUN.INI (not checking: --no-check) with"
    [ -f "$checker" ] || Fail $EXIT_CHECK "the checker $checker does not exist"
    command -v wine >/dev/null || Fail $EXIT_CHECK "the checker needs Wine, which is not installed"
    case $(PeMachine "$checker") in
    "") build="" ;; # a command of this machine, such as the kit's autorun-check: Linux paths
    x86_64) build=x86_64 ;;
    esac
    if [ -z "$build" ]; then
        Say "$doing $checker"
    else
        if [ $build = PE32 ] && ! Wine32Ready; then
            twin=$(dirname -- "$checker")/x86_64/$(basename -- "$checker")
            [ -f "$twin" ] || Fail $EXIT_CHECK "this machine cannot run 32-bit programs, and no x86_64 build of the checker lies beside $checker (x86_64/)"
            checker=$twin build=x86_64 why="this machine cannot run 32-bit programs"
        fi
        UseWineFor "$checker"
        export WINEDEBUG=${WINEDEBUG:--all}
        export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
        folder=$(winepath -w "$folder" 2>"$stage/winepath.txt") || { cat "$stage/winepath.txt" >&2; false; } || Fail $EXIT_CHECK "Wine cannot name the folder $2"
        into=$(winepath -w "$stage" 2>"$stage/winepath.txt")\\ || { cat "$stage/winepath.txt" >&2; false; } || Fail $EXIT_CHECK "Wine cannot name the folder $stage"
        runner=(wine)
        Say "$doing $checker, the $build build: $why"
    fi
    local outputs=(--reading-order "${into}order.txt")
    [ -n "$ownInf" ] || outputs+=(--autorun-inf "${into}autorun.inf")
    # Wine's helper processes keep inherited output open after the program
    # ends: through a file they cannot hold up a caller that reads a pipe.
    code=0
    "${runner[@]}" "$checker" --label "$label" "${outputs[@]}" "$folder" >"$stage/check.txt" 2>"$stage/check-errors.txt" || code=$?
    ReportCheck $code
}

# Shows what the checker said, and stops on its errors unless --no-check.
ReportCheck() {
    local code=$1
    [ $noCheck -eq 1 ] || cat "$stage/check.txt"
    cat "$stage/check-errors.txt" >&2
    case $code in
    0) ;;
    1) [ $noCheck -eq 1 ] || Say "the check found warnings only; going on" ;;
    2 | 3)
        [ $noCheck -eq 1 ] && [ "$code" = 2 ] ||
            Fail $EXIT_CHECK "the check found errors (exit code $code); no image is made"
        ;;
    *) Fail $EXIT_CHECK "the checker ended with exit code $code; no image is made" ;;
    esac
}

# xorriso's arguments that put the files of the reading order first, in that
# order: the highest weight lies first on the disc.
SortWeights() {
    local name names found weight
    mapfile -t names <"$stage/order.txt"
    weight=${#names[@]}
    for name in "${names[@]}"; do
        found=$(FindEntry "$folder" "$name")
        if [ -n "$found" ] && [ -f "$found" ]; then
            printf '%s\0' -find "/${found#"$folder"/}" -exec sort_weight "$weight" --
        fi
        weight=$((weight - 1))
    done
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
ownInf=$(FindEntry "$folder" autorun.inf)
[ -z "$ownInf" ] || Say "the folder has its own ${ownInf##*/}; it goes onto the disc unchanged"
if [ -n "$checker" ]; then
    RunCheck "$checker" "$folder" "$label" "the checker named" "$ownInf"
else
    ChooseBuild 2>"$stage/arch.txt" || Fail $EXIT_USAGE "$(cat "$stage/arch.txt")"
    built=$(cd -- "$(dirname -- "$0")/.." && pwd -P)/build/$AUTORUN_ARCH/AUTORUN-CHECK.EXE
    [ -f "$built" ] ||
        Fail $EXIT_CHECK "no AUTORUN-CHECK.EXE to read AUTORUN.INI with: build it, or name it with --checker or AUTORUN_CHECK"
    RunCheck "$built" "$folder" "$label" "$AUTORUN_ARCH_WHY" "$ownInf"
fi
[ -f "$stage/order.txt" ] || Fail $EXIT_CHECK "the checker wrote no reading order; no image is made"
extraMap=()
if [ -z "$ownInf" ]; then
    [ -s "$stage/autorun.inf" ] || Fail $EXIT_CHECK "the checker wrote no autorun.inf; no image is made"
    extraMap=(-map "$stage/autorun.inf" /autorun.inf)
fi
mapfile -d '' -t weights < <(SortWeights)

command -v xorriso >/dev/null || Fail $EXIT_XORRISO "xorriso is not installed (Debian package xorriso)"
partial=$(mktemp -- "$outputFolder/.$(basename -- "$output").XXXXXX")
xorriso -no_rc -report_about WARNING -outdev "stdio:$partial" -follow link \
    -volid "$label" -joliet on -rockridge on -map "$folder" / "${extraMap[@]}" \
    -iso_rr_pattern off "${weights[@]}" >"$stage/xorriso.txt" 2>&1 &
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
