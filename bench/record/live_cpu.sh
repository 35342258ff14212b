#!/usr/bin/env bash
# The recorder in real time: a 96 kHz stereo 16-bit file replayed at its own
# pace through the file-backed input with the detector on, for 30 s. Prints
# the CPU the process used as a share of one core (target under 10 %) and
# the blocks and frames the recorder received against what 30 s hold (no
# block may be missing). Needs sox. Usage: live_cpu.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
cli=$(realpath "$build/src/cli/tavril-cli")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config
sox -n -r 96000 -c 2 -b 16 "$work/in.wav" synth 40 pinknoise vol 0.05 2>/dev/null
/usr/bin/time -f "%e %U %S" -o "$work/t" "$cli" record --input-file "$work/in.wav" --realtime --detect \
  --rate 96000 --channels 2 --duration-s 30 --series-path "$work/out" >/dev/null 2>"$work/err"
read -r e u s < "$work/t"
grep "blocks" "$work/err" || true
awk -v e="$e" -v u="$u" -v s="$s" 'BEGIN { printf "CPU %.1f %% of one core over %.1f s (target < 10 %%)\n", 100 * (u + s) / e, e }'
echo "expected about $((96000 * 30 / 512)) blocks of 512 frames ($((96000 * 30)) frames) in 30 s"
