#!/usr/bin/env bash
# Peak memory of printing a one-hour spectrogram at high quality with
# `tavril --print-pdf`: the columns go to the page in bands, so the peak stays
# far below the budget of 256 MB whatever the sound's length. Run by hand
# after a Release build: bench/print/print_memory.sh [build-dir]
set -euo pipefail
BUILD=${1:-build}
GUI=$BUILD/src/gui/tavril
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# One hour of noise at 22050 Hz (159 MB), made by sox as an independent writer.
sox -n -r 22050 -b 16 -c 1 "$WORK/hour.wav" synth 3600 whitenoise vol 0.3
mkdir -p "$WORK/config/tavril"
cat > "$WORK/config/tavril/tavril.ini" <<'INI'
[Pre Print Dialog Details]
Print Quality=1
INI
export XDG_CONFIG_HOME=$WORK/config QT_QPA_PLATFORM=offscreen
/usr/bin/time -f "%M" -o "$WORK/rss" "$GUI" --print-pdf "$WORK/hour.pdf" "$WORK/hour.wav" 2>/dev/null
pages=$(pdfinfo "$WORK/hour.pdf" | awk '/^Pages:/ {print $2}')
rss_kb=$(cat "$WORK/rss")
echo "one hour, high quality: $pages page(s), peak resident memory $((rss_kb / 1024)) MB (budget 256 MB)"
