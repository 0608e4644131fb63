#!/usr/bin/env bash
# The sample disc's image as Windows gets it: made by make-disc.sh with the
# disc-image target's arguments, listed and extracted with xorriso; the
# volume identifier in both descriptors, the autorun.inf, the Joliet tree and
# the layout of the files of the first paint checked. The Joliet tree is then
# placed on drive Q:, labelled with the image's volume identifier, for
# e2e_disc_image_tests.
# Usage: sample_image_test.sh BUILD_DIR LABEL
# shellcheck source=tests/disc/disc_test_support.sh
source "$(dirname "$0")/disc_test_support.sh"
label=$2
work=$build/disc-image-test
image=$work/$label.iso

# The volume identifier of the descriptor of `type` (1 primary, 2 Joliet), as text.
VolumeId() {
    local sector type
    for sector in $(seq 16 31); do
        type=$(od -An -tu1 -j $((sector * 2048)) -N1 "$image" | tr -d ' ')
        [ "$type" = 255 ] && return
        [ "$type" = "$1" ] || continue
        if [ "$1" = 2 ]; then
            dd if="$image" bs=1 skip=$((sector * 2048 + 40)) count=32 status=none | iconv -f UTF-16BE -t UTF-8
        else
            dd if="$image" bs=1 skip=$((sector * 2048 + 40)) count=32 status=none
        fi | sed 's/ *$//'
        return
    done
}

rm -rf "$work" && mkdir -p "$work"
"$script" --checker "$build/AUTORUN-CHECK.EXE" "$build/sample-disc" "$label" "$image" >"$work/make-disc.txt" 2>&1 ||
    { cat "$work/make-disc.txt"; echo "FAILED: make-disc.sh"; exit 1; }
grep -q "AUTORUN-CHECK: nothing found" "$work/make-disc.txt" || Failed "the checker did not check the sample disc clean: $(cat "$work/make-disc.txt")"

primary=$(VolumeId 1)
joliet=$(VolumeId 2)
[ "$primary" = "$label" ] || Failed "primary volume identifier \"$primary\", not $label"
[ "$joliet" = "$label" ] || Failed "Joliet volume identifier \"$joliet\", not $label"
xorriso -indev "$image" -pvd_info 2>/dev/null | grep -qx "Volume Id    : $label" || Failed "-pvd_info does not show $label"

# The Joliet tree holds the folder's files and the autorun.inf, nothing else.
expected=$( (cd "$build/sample-disc" && find . -type f | sed 's|^\.||'; echo /autorun.inf) | sort)
listed=$(xorriso -read_fs norock -indev "$image" -find / -type f 2>/dev/null | sed "s/^'//; s/'\$//" | sort)
[ "$listed" = "$expected" ] || Failed "Joliet files differ: $(diff <(echo "$expected") <(echo "$listed"))"

# What the first paint reads lies first, in reading order, block after block.
first=(/AUTORUN.EXE /AUTORUN.INI /autorun/disc.ico /autorun/back.bmp)
for button in install browse readme web remove exit; do first+=("/autorun/$button.bmp" "/autorun/${button}_hot.bmp"); done
xorriso -indev "$image" -find / -type f -exec report_lba -- 2>/dev/null |
    sed -n "s/^File data lba: *0 *, *\([0-9]*\) *, *\([0-9]*\) *, *[0-9]* *, *'\(.*\)'\$/\1 \2 \3/p" | sort -n >"$work/layout.txt"
laid=$(head -n ${#first[@]} "$work/layout.txt" | cut -d' ' -f3-)
[ "$laid" = "$(printf '%s\n' "${first[@]}")" ] || Failed "the first files on the image: $(cat "$work/layout.txt")"
awk 'NR > 1 && $1 != end { print "a gap or an overlap before " $3; bad = 1 } { end = $1 + $2 } NR == '${#first[@]}' { exit bad }' \
    "$work/layout.txt" || Failed "the first paint's files do not follow each other: $(cat "$work/layout.txt")"

xorriso -read_fs norock -osirrox on -indev "$image" -extract / "$work/tree" >/dev/null 2>&1 ||
    Failed "extracting the Joliet tree"
chmod -R u+w "$work/tree"
diff -r -x autorun.inf "$build/sample-disc" "$work/tree" || Failed "the extracted files differ from the sample disc"
[ "$(cat "$work/tree/autorun.inf")" = "$(printf '[autorun]\r\nopen=AUTORUN.EXE\r\nicon=autorun\\disc.ico\r\nlabel=%s\r\naction=Harbor Suite 2027 Setup\r' "$label")" ] ||
    Failed "autorun.inf: $(od -c "$work/tree/autorun.inf")"

# Drive Q: of the test prefix shows the tree under the image's volume identifier.
drive=$build/discs/q
mkdir -p "$drive"
find "$drive" -mindepth 1 -maxdepth 1 ! -name .windows-label -exec chmod -R u+w {} + -exec rm -rf {} +
cp -a "$work/tree/." "$drive/"
printf '%s\n' "$joliet" >"$drive/.windows-label"
printf '%s' "$joliet" >"$work/volume-id"

Finish "the sample image $image is sound"
