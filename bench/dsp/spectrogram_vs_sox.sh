#!/bin/sh
# Picture of a one-hour 22050 Hz mono 16-bit recording, 2000 x 257 pixels:
# tavril-cli spectrogram --png (one frame per column, and --every-frame on
# 1 ... all cores) against sox's spectrogram effect on the same file (sox
# computes every frame too) and against a plain every-frame reference (FFTW
# and libsndfile, one thread), timed in one run with /usr/bin/time. Each
# program runs RUNS times (default 3) in turn and the fastest run counts, so
# that a neighbour's load on a shared machine falls on all of them. Prints the
# times and the ratios (Tavril / other; below 1 means Tavril is faster).
#
# Usage: bench/dsp/spectrogram_vs_sox.sh [path/to/tavril-cli [path/to/every_frame_reference]]
set -eu

CLI=${1:-build/src/cli/tavril-cli}
REF=${2:-$(dirname "$0")/../../build/bench/dsp/every_frame_reference}
RUNS=${RUNS:-3}
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
    # /usr/bin/time -f %e: elapsed wall-clock seconds; the fastest of RUNS runs
    best=""
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        /usr/bin/time -f %e -o "$WORK/t" "$@" >/dev/null 2>&1
        t=$(cat "$WORK/t")
        best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }')
        i=$((i + 1))
    done
    echo "$best"
}

CORES=$(nproc 2>/dev/null || echo 1)
T=$(seconds "$CLI" spectrogram "$HOUR" --png "$WORK/tavril.png" --width 2000 --height 257)
S=$(seconds sox "$HOUR" -n spectrogram -x 2000 -y 257 -o "$WORK/sox.png")
[ -s "$WORK/tavril.png" ] || { echo "tavril-cli wrote no picture" >&2; exit 1; }
[ -s "$WORK/sox.png" ] || { echo "sox wrote no picture" >&2; exit 1; }
R=""
if [ -x "$REF" ]; then
    R=$(seconds "$REF" "$HOUR" "$WORK/ref.pgm" 2000 257)
else
    echo "(no every-frame reference at $REF: build the every_frame_reference target)" >&2
fi

awk -v t="$T" -v s="$S" 'BEGIN {
    printf "one-hour spectrogram picture 2000x257, fastest of runs:\n"
    printf "  one frame per column: tavril-cli %.2f s, sox %.2f s: ratio %.3f\n", t, s, (s > 0 ? t / s : 0)
}'
[ -n "$R" ] && awk -v r="$R" 'BEGIN { printf "  FFTW + libsndfile every-frame reference (1 thread): %.2f s\n", r }'
n=1
while [ "$n" -le "$CORES" ]; do
    E=$(seconds "$CLI" spectrogram "$HOUR" --png "$WORK/every.png" --width 2000 --height 257 --every-frame --threads "$n")
    awk -v e="$E" -v s="$S" -v r="$R" -v n="$n" 'BEGIN {
        printf "  --every-frame on %d thread(s): %.2f s: vs sox %.3f (target <= 0.5)", n, e, (s > 0 ? e / s : 0)
        if (r != "") printf ", vs reference %.3f (target <= 1.5)", (r > 0 ? e / r : 0)
        printf "\n"
    }'
    n=$((n + 1))
done
