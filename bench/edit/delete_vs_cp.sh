#!/bin/sh
# Deleting one minute from the middle of a 1 GB WAV (working copy to working
# copy, through the edit engine) against cp of the same file, in one run.
# Prints wall time, throughput (input bytes per second) and peak resident
# memory of both, and the throughput ratio (target: at least 0.5 x cp, with
# less than 64 MB peak memory).
#
# usage: bench/edit/delete_vs_cp.sh [DRIVER] [WORK_DIR]
#   DRIVER    the built tavril_edit_delete_bench (default: looked up in
#             build*/bench/edit/ of the project)
#   WORK_DIR  where the 1 GB file and its copies go (default: a new folder
#             under $TMPDIR or /tmp); needs about 3 GB free
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
driver=${1:-}
if [ -z "$driver" ]; then
    for d in "$root"/build*/bench/edit/tavril_edit_delete_bench; do
        [ -x "$d" ] && driver=$d && break
    done
fi
[ -n "$driver" ] && [ -x "$driver" ] || { echo "tavril_edit_delete_bench not found; build it with -DTAVRIL_BENCH=ON" >&2; exit 2; }
work=${2:-$(mktemp -d "${TMPDIR:-/tmp}/tavril-bench-XXXXXX")}
mkdir -p "$work"
trap 'rm -f "$work/big.wav" "$work/cp.wav" "$work/edited.wav"' EXIT

# 1 GiB of stereo 16-bit 48 kHz is 5592.4 s.
"$driver" make "$work/big.wav" 5592.4
bytes=$(stat -c %s "$work/big.wav")
# Flush the new file and warm the page cache so that both runs start alike
# (neither time includes writing its own output back to the disk).
sync
cat "$work/big.wav" > /dev/null

measure() { # label, command...
    label=$1; shift
    /usr/bin/time -v "$@" 2> "$work/$label.time"
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/$label.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/$label.time")
    secs=$(echo "$wall" | awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
    echo "$label $secs $rss"
}

set -- $(measure cp cp "$work/big.wav" "$work/cp.wav")
cp_s=$2; cp_rss=$3
rm -f "$work/cp.wav"
sync
cat "$work/big.wav" > /dev/null
# One minute out of the middle.
set -- $(measure delete "$driver" delete "$work/big.wav" "$work/edited.wav" 2766 60)
del_s=$2; del_rss=$3
edited=$(stat -c %s "$work/edited.wav")
[ $((bytes - edited)) -eq $((60 * 48000 * 4)) ] || { echo "the edited file has the wrong size ($edited bytes)" >&2; exit 1; }

awk -v b="$bytes" -v c="$cp_s" -v d="$del_s" -v cr="$cp_rss" -v dr="$del_rss" 'BEGIN {
    if (c <= 0) c = 0.01; if (d <= 0) d = 0.01;
    printf "file: %.0f MB\n", b / 1048576
    printf "cp:     %6.2f s  %7.1f MB/s  peak RSS %6.1f MB\n", c, b / c / 1048576, cr / 1024
    printf "delete: %6.2f s  %7.1f MB/s  peak RSS %6.1f MB\n", d, b / d / 1048576, dr / 1024
    printf "throughput ratio (delete / cp): %.2f  (target >= 0.5)\n", c / d
    printf "peak memory under 64 MB: %s\n", dr < 65536 ? "yes" : "NO"
}'
