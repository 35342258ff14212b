#!/bin/sh
# Picture of a one-hour 22050 Hz mono 16-bit recording, 2000 x 257 pixels:
# tavril-cli spectrogram --png against sox's spectrogram effect on the same
# file, timed in one run with /usr/bin/time. Prints both times and the ratio
# (Tavril / sox; below 1 means Tavril is faster).
#
# Usage: bench/dsp/spectrogram_vs_sox.sh [path/to/tavril-cli]
set -eu

CLI=${1:-build/src/cli/tavril-cli}
if [ ! -x "$CLI" ]; then
    echo "tavril-cli not found at $CLI (pass its path as the first argument)" >&2
    exit 2
fi
if ! command -v sox >/dev/null 2>&1; then
    echo "sox is not installed: there is nothing to compare against" >&2
    exit 2
fi
if [ ! -x /usr/bin/time ]; then
    echo "/usr/bin/time is needed for the timings" >&2
    exit 2
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tavril-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM
HOUR="$WORK/hour.wav"

# A sweep over noise, so both programs draw a real picture.
sox -n -r 22050 -b 16 -c 1 "$HOUR" synth 3600 sine 500-9000 synth 3600 pinknoise mix vol 0.5 2>/dev/null ||
    {
        # Without a sox that can synthesise: noise through tavril's own writer.
        head -c $((22050 * 3600 * 2)) /dev/urandom >"$WORK/hour.raw"
        "$CLI" import-raw "$WORK/hour.raw" --rate 22050 --channels 1 --bits 16 -o "$HOUR"
        rm -f "$WORK/hour.raw"
    }

# Read the file once so neither run pays for the first read from disk.
cat "$HOUR" >/dev/null

seconds() {
    # /usr/bin/time -f %e: elapsed wall-clock seconds
    /usr/bin/time -f %e -o "$WORK/t" "$@" >/dev/null 2>&1
    cat "$WORK/t"
}

T=$(seconds "$CLI" spectrogram "$HOUR" --png "$WORK/tavril.png" --width 2000 --height 257)
S=$(seconds sox "$HOUR" -n spectrogram -x 2000 -y 257 -o "$WORK/sox.png")
[ -s "$WORK/tavril.png" ] || { echo "tavril-cli wrote no picture" >&2; exit 1; }
[ -s "$WORK/sox.png" ] || { echo "sox wrote no picture" >&2; exit 1; }

awk -v t="$T" -v s="$S" 'BEGIN {
    printf "one-hour spectrogram picture 2000x257: tavril-cli %.2f s, sox %.2f s: ratio %.3f (target < 1)\n",
           t, s, (s > 0 ? t / s : 0)
}'
