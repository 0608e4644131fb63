#!/usr/bin/env bash
# make-disc.sh from outside: each refusal with its exit code, its message and
# nothing left at the output; the checker's verdicts through a stand-in; the
# autorun.inf it writes; xorriso failing or stopped half-way.
# Usage: make_disc_tests.sh BUILD_DIR CHECK_STAND_IN_EXE
# shellcheck source=tests/disc/disc_test_support.sh
source "$(dirname "$0")/disc_test_support.sh"
standIn=$2
# The checker reads AUTORUN.INI for every image, checked or not.
export AUTORUN_CHECK=$build/AUTORUN-CHECK.EXE
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fresh disc folder `name` with a launcher and a configuration.
NewDisc() {
    local disc=$work/$1
    rm -rf "$disc"
    mkdir -p "$disc"
    printf 'MZ' >"$disc/AUTORUN.EXE"
    printf '[Setup]\r\nDefaultLang=English\r\n[SetupStr_English]\r\nTitle=Test Disc\r\n' >"$disc/AUTORUN.INI"
    printf '%s' "$disc"
}

# The files of the output folder with their checksums.
OutputState() { (cd "$work/out" && find . -exec cksum {} + 2>/dev/null | sort); }

# Runs make-disc.sh on a fresh folder after `prepare` (shell text run in it,
# with $out the output path) and expects `code`, `fragment` in what it says,
# and the output folder as `prepare` left it. `arguments` (shell text) replace
# the usual "$disc" TESTDISC "$out".
Refuse() {
    local code=$1 fragment=$2 prepare=$3 arguments=${4-'"$disc" TESTDISC "$out"'}
    local disc out before said actual
    disc=$(NewDisc refused)
    # shellcheck disable=SC2034 # read by the preparation and the arguments
    out=$work/out/disc.iso
    rm -rf "$work/out" && mkdir "$work/out"
    (cd "$disc" && eval "$prepare") || Failed "preparing: $prepare"
    before=$(OutputState)
    eval "set -- $arguments"
    said=$("$script" --no-check "$@" 2>&1)
    actual=$?
    [ "$actual" = "$code" ] || Failed "$prepare / $arguments: exit code $actual, not $code: $said"
    [[ $said == *"$fragment"* ]] || Failed "$prepare / $arguments: no \"$fragment\" in: $said"
    [ "$(OutputState)" = "$before" ] || Failed "$prepare / $arguments: the output folder changed: $(ls -A "$work/out")"
}

long64=$(printf 'n%.0s' {1..60})
long65=${long64}n.txt
Refuse 2 "usage:" '' ''
Refuse 2 "unknown option --fast" '' '--fast "$disc" TESTDISC "$out"'
Refuse 2 "the folder of" '' '"$disc" TESTDISC "$work/nowhere/disc.iso"'
Refuse 2 "inside the disc folder" '' '"$disc" TESTDISC "$disc/disc.iso"'
Refuse 3 "is not a folder" '' '"$work/none" TESTDISC "$out"'
Refuse 3 "holds no AUTORUN.EXE" 'rm AUTORUN.EXE'
Refuse 3 "no AUTORUN.INI beside SETUP/AUTORUN.EXE" 'mkdir SETUP && mv AUTORUN.EXE SETUP/'
Refuse 3 "several in sub-folders (A/AUTORUN.EXE B/autorun.exe)" 'mkdir A B && cp AUTORUN.EXE A/ && mv AUTORUN.EXE B/autorun.exe'
Refuse 4 'has 17 characters; Windows would show "ABCDEFGHIJKLMNOP": a label has 1 to 16 characters from A-Z, 0-9 and _' '' '"$disc" ABCDEFGHIJKLMNOPQ "$out"'
Refuse 4 "cannot carry (try HARBOR_2)" '' '"$disc" Harbor_2 "$out"'
Refuse 4 '"MY DISC" has characters a disc label cannot carry: a label has 1 to 16' '' '"$disc" "MY DISC" "$out"'
Refuse 4 "the label is empty" '' '"$disc" "" "$out"'
Refuse 5 "a name of 65 characters, more than Joliet's 64: extras/$long65" 'mkdir extras && touch extras/'$long65
Refuse 5 "a path of 243 bytes in Joliet, more than 240" 'mkdir -p '"${long64:0:60}/${long64}"' && touch '"${long64:0:60}/${long64}"'/x'
Refuse 5 "differ only in case, which Windows cannot tell apart" 'mkdir docs && touch docs/readme.txt docs/README.TXT'
Refuse 5 'cannot carry: what?.txt' 'touch "what?.txt"'
Refuse 5 'cannot carry: back\slash.txt' 'touch "back\\slash.txt"'
Refuse 5 "Basic Multilingual Plane, which Joliet cannot carry: m😀.txt" 'touch "m😀.txt"'
Refuse 5 "a dot or a blank, which Windows cannot open: name." 'touch name.'
Refuse 5 "control characters" 'touch "$(printf "tab\tname")"'
Refuse 6 "disc.iso exists; pass --force to replace it" 'echo old >"$out"'
Refuse 6 "disc.iso is a folder" 'mkdir "$out"' '--force "$disc" TESTDISC "$out"'

# The checker: its output is shown; warnings go on, errors stop.
disc=$(NewDisc checked)
native="Z:${disc//\//\\}"
for code in 0 1 2 3; do
    rm -f "$work/checked.iso"
    said=$(STAND_IN_EXIT=$code "$script" --checker "$standIn" "$disc" TESTDISC "$work/checked.iso" 2>&1)
    actual=$?
    [[ $said == *"stand-in check: [--label] [TESTDISC] [--reading-order] ["*"order.txt] [--autorun-inf] ["*"autorun.inf] [$native]"* ]] ||
        Failed "checker $code: not run as expected: $said"
    if [ $code -le 1 ]; then
        [ $actual = 0 ] && [ -s "$work/checked.iso" ] || Failed "checker $code: no image (exit code $actual): $said"
    else
        [ $actual = 7 ] && [[ $said == *"the check found errors (exit code $code)"* ]] ||
            Failed "checker $code: exit code $actual: $said"
        [ ! -e "$work/checked.iso" ] || Failed "checker $code: an image was made"
    fi
done
said=$(AUTORUN_CHECK=$work/absent.exe "$script" "$disc" TESTDISC "$work/checked.iso" 2>&1)
[ $? = 7 ] && [[ $said == *"absent.exe does not exist"* ]] || Failed "a missing checker: $said"

# The real checker, found beside the build, stops a disc whose installer is missing.
disc=$(NewDisc faulty)
printf '[Setup_CommandDefines]\r\ncmd01=CMD_INSTALL,setup\\setup.exe\r\n' >>"$disc/AUTORUN.INI"
rm -f "$work/faulty.iso"
said=$("$script" --checker "$build/AUTORUN-CHECK.EXE" "$disc" TESTDISC "$work/faulty.iso" 2>&1)
actual=$?
[ $actual = 7 ] && [[ $said == *"error: cmd01: the installer is not on the disc"* ]] ||
    Failed "the real checker on a faulty disc: exit code $actual: $said"
[ ! -e "$work/faulty.iso" ] || Failed "the real checker on a faulty disc: an image was made"

# The autorun.inf in the image, read back.
ExtractFile() { xorriso -osirrox on -indev "$1" -extract "$2" "$3" >/dev/null 2>&1; }

# A launcher in a sub-folder with a blank, a UTF-16 configuration whose
# default title is not ASCII, a configured icon that is missing; the stray
# AUTORUN.INI left at the root, with no launcher beside it, is not the one read.
disc=$(NewDisc nested)
mkdir "$disc/My Setup" && mv "$disc/AUTORUN.EXE" "$disc/My Setup/AUTORUN.EXE"
{
    printf '\xff\xfe'
    printf '[Setup]\r\nIcon=\\art\\missing.ico\r\nDefaultLang=German\r\n[SetupStr_English]\r\nTitle=About\r\n[SetupStr_German]\r\nTitle=Über die Disc\r\n' |
        iconv -f UTF-8 -t UTF-16LE
} >"$disc/My Setup/AUTORUN.INI"
touch "$disc/Übersicht.txt"
said=$(LC_ALL=C "$script" --no-check "$disc" TESTDISC "$work/nested.iso" 2>&1) || Failed "nested: $said"
[[ $said == *'the Icon art\missing.ico is not on the disc'* ]] || Failed "nested: no word on the missing icon: $said"
ExtractFile "$work/nested.iso" /autorun.inf "$work/nested.inf"
expected=$({
    printf '\xff\xfe'
    printf '[autorun]\r\nopen="My Setup\\AUTORUN.EXE"\r\nicon=My Setup\\AUTORUN.EXE,0\r\nlabel=TESTDISC\r\naction=Über die Disc\r\n' |
        iconv -f UTF-8 -t UTF-16LE
} | od -An -tx1)
[ "$(od -An -tx1 "$work/nested.inf")" = "$expected" ] || Failed "nested autorun.inf: $(od -c "$work/nested.inf")"
xorriso -read_fs norock -indev "$work/nested.iso" -ls / 2>/dev/null | grep -qx "'Übersicht.txt'" ||
    Failed "nested: Übersicht.txt is not in the Joliet tree"

# A UTF-8 configuration with names in other cases and a quoted title; the
# configured icon exists in another case; an existing image is replaced.
disc=$(NewDisc plain)
mkdir "$disc/art" && touch "$disc/art/disc.ico"
printf '[setup]\r\n icon = ART\\DISC.ICO\r\ndefaultlang=English\r\n[SETUPSTR_ENGLISH]\r\nTITLE="Quoted Title"\r\n' >"$disc/AUTORUN.INI"
echo old >"$work/plain.iso"
said=$("$script" --no-check --force "$disc" TESTDISC "$work/plain.iso" 2>&1) || Failed "plain: $said"
ExtractFile "$work/plain.iso" /autorun.inf "$work/plain.inf"
[ "$(cat "$work/plain.inf")" = "$(printf '[autorun]\r\nopen=AUTORUN.EXE\r\nicon=ART\\DISC.ICO\r\nlabel=TESTDISC\r\naction=Quoted Title\r')" ] ||
    Failed "plain autorun.inf: $(od -c "$work/plain.inf")"

# A configuration in the Western Windows code page, read as the launcher reads it.
disc=$(NewDisc western)
printf '[Setup]\r\nDefaultLang=English\r\n[SetupStr_English]\r\nTitle=Caf\xe9 Setup\r\n' >"$disc/AUTORUN.INI"
said=$("$script" --no-check "$disc" TESTDISC "$work/western.iso" 2>&1) || Failed "western: $said"
ExtractFile "$work/western.iso" /autorun.inf "$work/western.inf"
[ "$(head -c 2 "$work/western.inf" | od -An -tx1)" = " ff fe" ] &&
    [ "$(iconv -f UTF-16 -t UTF-8 "$work/western.inf")" = "$(printf '[autorun]\r\nopen=AUTORUN.EXE\r\nicon=AUTORUN.EXE,0\r\nlabel=TESTDISC\r\naction=Café Setup\r')" ] ||
    Failed "western autorun.inf: $(od -c "$work/western.inf")"

# A folder's own autorun.inf goes onto the disc unchanged and alone.
disc=$(NewDisc own)
printf '[autorun]\r\nopen=AUTORUN.EXE\r\n' >"$disc/Autorun.inf"
said=$("$script" --no-check "$disc" TESTDISC "$work/own.iso" 2>&1) || Failed "own: $said"
ExtractFile "$work/own.iso" /Autorun.inf "$work/own.inf"
cmp -s "$disc/Autorun.inf" "$work/own.inf" || Failed "own autorun.inf changed"
[ "$(xorriso -read_fs norock -indev "$work/own.iso" -find / -type f 2>/dev/null | grep -ci "^'/autorun.inf'\$")" = 1 ] ||
    Failed "own: a second autorun.inf"

# xorriso that fails, or is stopped, after writing part of the image.
mkdir "$work/bin"
cat >"$work/bin/xorriso" <<'EOF'
#!/bin/sh
for argument; do case $argument in stdio:*) image=${argument#stdio:} ;; esac; done
printf partial >"$image"
echo $$ >"$FAKE_PID"
[ "$FAKE_XORRISO" = wait ] && exec sleep 30
echo "fake xorriso: write error" >&2
exit 5
EOF
chmod +x "$work/bin/xorriso"
export FAKE_PID=$work/fake.pid
disc=$(NewDisc broken)
rm -rf "$work/out" && mkdir "$work/out"
said=$(PATH=$work/bin:$PATH FAKE_XORRISO=fail "$script" --no-check "$disc" TESTDISC "$work/out/disc.iso" 2>&1)
actual=$?
[ $actual = 8 ] && [[ $said == *"fake xorriso: write error"*"xorriso failed (exit code 5)"* ]] ||
    Failed "failing xorriso: exit code $actual: $said"
[ -z "$(ls -A "$work/out")" ] || Failed "failing xorriso left $(ls -A "$work/out")"

PATH=$work/bin:$PATH FAKE_XORRISO=wait "$script" --no-check "$disc" TESTDISC "$work/out/disc.iso" >/dev/null 2>&1 &
maker=$!
for _ in $(seq 100); do
    [ -n "$(find "$work/out" -name '.disc.iso.*' -size +0)" ] && break
    sleep 0.1
done
kill -TERM $maker
wait $maker
actual=$?
[ $actual = 143 ] || Failed "stopped: exit code $actual"
[ -z "$(ls -A "$work/out")" ] || Failed "stopped: left $(ls -A "$work/out")"
! kill -0 "$(cat "$FAKE_PID")" 2>/dev/null || Failed "stopped: xorriso still runs"

Finish "all make-disc.sh cases pass"
