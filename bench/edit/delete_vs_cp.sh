#!/bin/sh
# Deleting one minute from the middle of a 1 GB WAV (working copy to working
# copy, through the edit engine) against cp of the same file, in one run.
# Prints wall time, throughput (input bytes per second) and peak resident
# memory of both, and the throughput ratio (target: at least 0.5 x cp, with
# less than 64 MB peak memory).
#
# Two measures: "cached" times the commands alone (the written file may still
# sit in the page cache when they end; the median of three alternating runs),
# "flushed" includes writing the output to the disk (sync of that file).
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
big=$work/big.wav
trap 'rm -f "$big" "$work/out.wav" "$work"/*.time' EXIT

# 1 GiB of stereo 16-bit 48 kHz is 5592.4 s.
"$driver" make "$big" 5592.4
bytes=$(stat -c %s "$big")

# Runs one command under /usr/bin/time -v from a settled state (everything
# written, the input in the page cache); prints "seconds peak_kb".
measure() {
    rm -f "$work/out.wav"
    sync
    cat "$big" > /dev/null
    /usr/bin/time -v "$@" 2> "$work/run.time"
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/run.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/run.time")
    echo "$wall" | awk -F: -v r="$rss" '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s, r }'
}
cp_cmd() { cp "$big" "$work/out.wav"; }
median3() { printf '%s\n%s\n%s\n' "$1" "$2" "$3" | sort -n | sed -n 2p; }

# One minute out of the middle.
del="$driver delete $big $work/out.wav 2766 60"
c1=$(measure cp "$big" "$work/out.wav"); d1=$(measure $del)
edited=$(stat -c %s "$work/out.wav")
[ $((bytes - edited)) -eq $((60 * 48000 * 4)) ] || { echo "the edited file has the wrong size ($edited bytes)" >&2; exit 1; }
c2=$(measure cp "$big" "$work/out.wav"); d2=$(measure $del)
c3=$(measure cp "$big" "$work/out.wav"); d3=$(measure $del)
cs=$(median3 "${c1% *}" "${c2% *}" "${c3% *}"); ds=$(median3 "${d1% *}" "${d2% *}" "${d3% *}")
crss=$(printf '%s\n%s\n%s\n' "${c1#* }" "${c2#* }" "${c3#* }" | sort -n | tail -1)
drss=$(printf '%s\n%s\n%s\n' "${d1#* }" "${d2#* }" "${d3#* }" | sort -n | tail -1)
cf=$(measure sh -c "cp '$big' '$work/out.wav' && sync '$work/out.wav'")
df=$(measure sh -c "$del && sync '$work/out.wav'")

awk -v b="$bytes" -v c="$cs" -v d="$ds" -v cr="$crss" -v dr="$drss" -v cf="${cf% *}" -v df="${df% *}" 'BEGIN {
    if (c <= 0) c = 0.01; if (d <= 0) d = 0.01; if (cf <= 0) cf = 0.01; if (df <= 0) df = 0.01;
    mb = b / 1048576
    printf "file: %.0f MB\n", mb
    printf "cached   cp:     %6.2f s  %7.1f MB/s  peak RSS %6.1f MB\n", c, mb / c, cr / 1024
    printf "cached   delete: %6.2f s  %7.1f MB/s  peak RSS %6.1f MB\n", d, mb / d, dr / 1024
    printf "flushed  cp:     %6.2f s  %7.1f MB/s\n", cf, mb / cf
    printf "flushed  delete: %6.2f s  %7.1f MB/s\n", df, mb / df
    printf "throughput ratio delete / cp: cached %.2f, flushed %.2f  (target >= 0.5)\n", c / d, cf / df
    printf "peak memory under 64 MB: %s\n", dr < 65536 ? "yes" : "NO"
}'
