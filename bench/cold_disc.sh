#!/usr/bin/env bash
# The launcher's first paint from a cold disc. The sample disc's files are
# served by slow_disc, a FUSE file system that seeks for 90 ms and reads at
# 11 MB/s as an 8x DVD does, each file at its place on an image of the disc:
# once as xorriso lays it out by itself, once as make-disc.sh lays it out. The
# floor is the model's time for the bytes that the first paint reads (as the
# checker lists them): one seek, then one pass. Prints figures and never
# fails on a time; where FUSE cannot be used, it says why and skips.
# Usage: cold_disc.sh BUILD_DIR, with Wine's prefix set up and a display.
set -uo pipefail
build=$1
cd "$(dirname "$0")/.."
readonly SEEK_MS=90 RATE=11000000 ROUNDS=5 LABEL=COLDDISC
declare -A drive=([old]=u: [new]=v: [fast]=w:)
Say() { echo "cold disc (8x DVD): $*"; }
Skip() {
    Say "skipped: $*"
    exit 0
}

[ -c /dev/fuse ] || Skip "there is no /dev/fuse here"
command -v fusermount3 >/dev/null && pkg-config --exists fuse3 ||
    Skip "FUSE 3 is not installed (.ci/install-deps.sh installs fuse3 and libfuse3-dev)"
for letter in "${drive[@]}"; do
    [ ! -e "$WINEPREFIX/dosdevices/$letter" ] && [ ! -L "$WINEPREFIX/dosdevices/$letter" ] ||
        Skip "drive $letter of $WINEPREFIX is taken"
done
work=$(mktemp -d)
mounts=()
declare -A disc
CleanUp() {
    local mount letter pid
    for mount in "${mounts[@]}"; do fusermount3 -u -z "$mount" 2>/dev/null; done
    for pid in "${disc[@]}"; do kill "$pid" 2>/dev/null; done
    wait
    for letter in "${drive[@]}"; do rm -f "$WINEPREFIX/dosdevices/$letter"; done
    rm -rf "$work"
}
trap CleanUp EXIT
# shellcheck disable=SC2046 # pkg-config's flags are words
cc -O2 -Wall -o "$work/slow_disc" bench/slow_disc.c $(pkg-config --cflags --libs fuse3) \
    2>"$work/cc.txt" || Skip "slow_disc does not build: $(cat "$work/cc.txt")"

# The files of the disc, and the label that Wine reads for its drive.
cp -a "$build/sample-disc" "$work/tree"
printf '%s\n' $LABEL >"$work/tree/.windows-label"

# Each file's first block on the image `1`, as "BLOCK PATH" lines in `2`.
Layout() {
    xorriso -indev "$1" -find / -type f -exec report_lba -- 2>/dev/null |
        sed -n "s/^File data lba: *0 *, *\([0-9]*\) *,.*, *'\(.*\)'\$/\1 \2/p" >"$2"
}
scripts/make-disc.sh --checker "$build/AUTORUN-CHECK.EXE" "$build/sample-disc" $LABEL \
    "$work/new.iso" >"$work/make-disc.txt" 2>&1 || Skip "make-disc.sh failed: $(cat "$work/make-disc.txt")"
xorriso -no_rc -outdev "stdio:$work/old.iso" -volid $LABEL -joliet on -rockridge on -follow link \
    -map "$build/sample-disc" / >"$work/xorriso.txt" 2>&1 || Skip "xorriso failed: $(cat "$work/xorriso.txt")"
Layout "$work/new.iso" "$work/new.txt"
Layout "$work/old.iso" "$work/old.txt"
: >"$work/fast.txt" # no file is disc data: no seeks, no pacing

# The floor: what the first paint reads, in one seek and one pass.
wine "$build/AUTORUN-CHECK.EXE" --reading-order "$(winepath -w "$work")\\order.txt" \
    "$(winepath -w "$work/tree")" >/dev/null 2>&1
[ -s "$work/order.txt" ] || Skip "the checker wrote no reading order"
bytes=0
while IFS= read -r name; do
    bytes=$((bytes + $(stat -c %s "$work/tree/${name//\\//}")))
done <"$work/order.txt"
floor=$(awk -v bytes=$bytes -v seek=$SEEK_MS -v rate=$RATE 'BEGIN { printf "%.0f", seek + bytes / rate * 1000 }')

for order in old new fast; do
    mkdir "$work/$order-disc"
    "$work/slow_disc" "$work/tree" "$work/$order.txt" $SEEK_MS $RATE "$work/$order-disc" -f -o ro \
        2>"$work/$order-mount.txt" &
    disc[$order]=$!
    mounts+=("$work/$order-disc")
    for _ in $(seq 50); do
        mountpoint -q "$work/$order-disc" || ! kill -0 ${disc[$order]} 2>/dev/null || sleep 0.1
    done
    mountpoint -q "$work/$order-disc" || Skip "cannot mount a FUSE file system: $(cat "$work/$order-mount.txt")"
    ln -s "$work/$order-disc" "$WINEPREFIX/dosdevices/${drive[$order]}"
done

# Rounds alternate the orders; before each start the drive gets a fresh disc.
declare -A times
for _ in $(seq $ROUNDS); do
    for order in old new fast; do
        kill -USR1 ${disc[$order]}
        times[$order]+="$(wine "$build/bench/startup_bench.exe" --cold "${drive[$order]}" $LABEL 2>/dev/null | tr -d '\r') "
    done
done
Median() { printf '%s\n' $1 | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
fast=$(Median "${times[fast]}")
[[ $fast =~ ^[0-9]+$ ]] || Skip "no first paint seen on the disc without delays (${times[fast]})"
for order in old new; do
    ms=$(Median "${times[$order]}")
    what="xorriso's own order"
    [ $order = new ] && what="make-disc.sh's order"
    [[ $ms =~ ^[0-9]+$ ]] || { Say "no first paint seen in $what (${times[$order]})"; continue; }
    Say "first paint $ms ms, floor $floor ms, ratio $(awk -v a="$ms" -v b="$floor" 'BEGIN { printf "%.2f", a / b }')" \
        "($what; the disc adds $((ms - fast)) ms to the $fast ms of a start without seeks or pacing:" \
        "$(awk -v a="$((ms - fast))" -v b="$floor" 'BEGIN { printf "%.2f", a / b }') x the floor; medians of $ROUNDS)"
done
