#!/bin/sh
# End to end as a user meets it: `tavril-cli edit` deleting one minute from
# the middle of a 1 GB stereo 16-bit WAV, into a new file and in place,
# against cp of the same file, in one run. Prints wall time, throughput
# (input bytes per second), peak resident memory and the ratios
# (target: at least 0.5 x cp's throughput, peak memory under 64 MB).
# Every command is timed from the same state (see measure below). Three
# alternating runs; medians and ranges.
# tavril-cli writes its result out to the disk before renaming it into place
# (a crash must not leave a damaged file); cp does not, so cp is also timed
# with a sync of its output ("cp+sync"), the like-for-like reference.
#
# usage: bench/edit/cli_delete_vs_cp.sh [TAVRIL_CLI] [WORK_DIR]
#   TAVRIL_CLI  the built tavril-cli (default: build/src/cli/tavril-cli, the
#               Release build)
#   WORK_DIR    where the 1 GB file and its copies go (default: a new folder
#               under $TMPDIR or /tmp); needs about 3 GB free
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cli=${1:-}
driver=
# The Release build: build-asan and the other sanitizer builds sort before
# build/ and would be timed instead.
for d in "$root"/build/src/cli/tavril-cli; do [ -z "$cli" ] && [ -x "$d" ] && cli=$d; done
for d in "$root"/build/bench/edit/tavril_edit_delete_bench; do [ -z "$driver" ] && [ -x "$d" ] && driver=$d; done
[ -n "$cli" ] && [ -x "$cli" ] || { echo "tavril-cli not found" >&2; exit 2; }
[ -n "$driver" ] || { echo "tavril_edit_delete_bench not found; build it with -DTAVRIL_BENCH=ON" >&2; exit 2; }
work=${2:-$(mktemp -d "${TMPDIR:-/tmp}/tavril-bench-XXXXXX")}
mkdir -p "$work"
big=$work/big.wav
trap 'rm -rf "$big" "$work/in.wav" "$work/out.wav" "$work/run.time" "$work/.tavril"' EXIT

# 1 GiB of stereo 16-bit 48 kHz is 5592.4 s.
"$driver" make "$big" 5592.4
bytes=$(stat -c %s "$big")

# Every command starts from the same state: its input a fresh copy of the
# big file, written out and in the page cache, and no output yet. The same
# preparation matters on virtual machines that hand free memory back to
# their host (free page reporting): there, writing into memory freed a
# moment ago is several times faster than writing into memory the host has
# taken back, so a command run after an rm, and not after a cp, would get a
# head start. The pause lets memory settle (SETTLE_S=0 skips it).
settle=${SETTLE_S:-3}
in=$work/in.wav

# measure COMMAND...: prepares a fresh input, then times COMMAND.
measure() {
    rm -f "$in" "$work/out.wav"
    cp "$big" "$in"
    sync
    cat "$in" > /dev/null
    sleep "$settle"
    /usr/bin/time -v "$@" 2> "$work/run.time" > /dev/null
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/run.time")
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/run.time")
    echo "$wall" | awk -F: -v r="$rss" '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s, r }'
}

cps= cpss= news= ins= rss=0
for run in 1 2 3; do
    c=$(measure cp "$in" "$work/out.wav")
    cs=$(measure sh -c "cp '$in' '$work/out.wav' && sync '$work/out.wav'")
    n=$(measure "$cli" edit "$in" -o "$work/out.wav" --from-s 2766 --to-s 2826 --delete)
    edited=$(stat -c %s "$work/out.wav")
    [ $((bytes - edited)) -eq $((60 * 48000 * 4)) ] || { echo "the edited file has the wrong size ($edited bytes)" >&2; exit 1; }
    expected=$(md5sum < "$work/out.wav")
    i=$(measure "$cli" edit "$in" -o "$in" --from-s 2766 --to-s 2826 --delete)
    [ "$(md5sum < "$in")" = "$expected" ] || { echo "in place and into a new file differ" >&2; exit 1; }
    cps="$cps ${c% *}"; cpss="$cpss ${cs% *}"; news="$news ${n% *}"; ins="$ins ${i% *}"
    for r in "${n#* }" "${i#* }"; do [ "$r" -gt "$rss" ] && rss=$r; done
done
rm -f "$in" "$work/out.wav"
[ -z "$(ls -A "$work/.tavril" 2>/dev/null)" ] || { echo "working files were left in $work/.tavril" >&2; exit 1; }

stats() { printf '%s\n' $1 | sort -n | awk '{ v[NR] = $1 } END { printf "%s %s %s", v[2], v[1], v[NR] }'; }
awk -v b="$bytes" -v c="$(stats "$cps")" -v s="$(stats "$cpss")" -v n="$(stats "$news")" -v i="$(stats "$ins")" -v r="$rss" 'BEGIN {
    split(c, C, " "); split(s, S, " "); split(n, N, " "); split(i, I, " ")
    mb = b / 1048576
    printf "file: %.0f MB (3 runs each; median [min .. max])\n", mb
    printf "cp:                  %6.2f s [%.2f .. %.2f]  %7.1f MB/s\n", C[1], C[2], C[3], mb / C[1]
    printf "cp+sync:             %6.2f s [%.2f .. %.2f]  %7.1f MB/s\n", S[1], S[2], S[3], mb / S[1]
    printf "edit into new file:  %6.2f s [%.2f .. %.2f]  %7.1f MB/s\n", N[1], N[2], N[3], mb / N[1]
    printf "edit in place:       %6.2f s [%.2f .. %.2f]  %7.1f MB/s\n", I[1], I[2], I[3], mb / I[1]
    printf "throughput ratio edit / cp:      new file %.2f [%.2f .. %.2f], in place %.2f [%.2f .. %.2f]\n",
        C[1] / N[1], C[2] / N[3], C[3] / N[2], C[1] / I[1], C[2] / I[3], C[3] / I[2]
    printf "throughput ratio edit / cp+sync: new file %.2f [%.2f .. %.2f], in place %.2f [%.2f .. %.2f]  (target >= 0.5)\n",
        S[1] / N[1], S[2] / N[3], S[3] / N[2], S[1] / I[1], S[2] / I[3], S[3] / I[2]
    printf "peak RSS of tavril-cli edit: %.1f MB (target < 64 MB)\n", r / 1024
}'
