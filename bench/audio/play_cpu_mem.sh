#!/usr/bin/env bash
# CPU and memory of playing a one-hour 96 kHz stereo file through PortAudio:
# tavril-cli play sends it to an ALSA null device, which takes samples as fast
# as they come, so the whole hour plays in seconds; its CPU time divided by the
# hour is the share of one core real-time playback needs. The peak resident
# memory is the process's whole footprint (PortAudio and ALSA included).
# Beside it, in the same run, sox reads the same file to the same device
# (its own ALSA output) as a reference.
#
# Usage: bench/audio/play_cpu_mem.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build}
DATA=$BUILD/bench-data
mkdir -p "$DATA"
WAV=$DATA/hour-96k-stereo.wav
[ -f "$WAV" ] || "$BUILD/bench/audio/bench_play_start" "$WAV" >/dev/null
cat > "$DATA/null.conf" <<'CONF'
pcm.!default { type plug slave.pcm "null" }
pcm.null { type null }
pcm.broken { type hw card 99 }
ctl.!default { type hw card 99 }
CONF
export ALSA_CONFIG_PATH=$PWD/$DATA/null.conf JACK_NO_START_SERVER=1
measure() {  # prints "cpu_seconds peak_kb wall_seconds"
  /usr/bin/time -f "%U %S %M %e" -o "$DATA/time.txt" "$@" >/dev/null 2>&1 || true
  awk '{ printf "%.2f %d %.2f\n", $1 + $2, $3, $4 }' "$DATA/time.txt"
}
read -r cpu kb wall < <(measure "$BUILD/src/cli/tavril-cli" play "$WAV")
printf 'tavril-cli play, one hour at 96 kHz stereo: %.2f s CPU in %.2f s, %.3f %% of one core in real time, peak %.1f MB\n' \
  "$cpu" "$wall" "$(echo "$cpu / 36" | bc -l)" "$(echo "$kb / 1024" | bc -l)"
if command -v sox >/dev/null; then
  read -r scpu skb swall < <(measure sox -q "$WAV" -t alsa default)
  printf 'sox to the same device (reference): %.2f s CPU, %.3f %% of one core, peak %.1f MB; CPU ratio tavril/sox %.2f\n' \
    "$scpu" "$(echo "$scpu / 36" | bc -l)" "$(echo "$skb / 1024" | bc -l)" "$(echo "$cpu / ($scpu + 0.001)" | bc -l)"
fi
