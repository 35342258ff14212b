#!/usr/bin/env bash
# tavril-cli detect over eight one-hour recordings with --jobs 1 and with
# --jobs N (N = cores), timed with /usr/bin/time; prints the speed-up, which
# should be near N. Needs sox (a reference tool) to make the recordings and
# about 1.3 GB in the temporary folder. Usage: detect_jobs.sh [BUILD_DIR]
set -euo pipefail
build=${1:-build}
cli=$(realpath "$build/src/cli/tavril-cli")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config  # the built-in detector settings
sox -n -r 22050 -c 1 -b 16 "$work/h0.wav" synth 3600 pinknoise vol 0.05
for i in 1 2 3 4 5 6 7; do cp "$work/h0.wav" "$work/h$i.wav"; done
cores=$(nproc)
run() {
  /usr/bin/time -f "%e %U %S" -o "$work/t" "$cli" detect --jobs "$1" "$work"/h*.wav >"$work/out$1.txt"
  cat "$work/t"
}
read -r e1 u1 s1 < <(run 1)
read -r en un sn < <(run "$cores")
cmp -s "$work/out1.txt" "$work/out$cores.txt" && same=identical || same=DIFFERENT
echo "8 x 1 h at 22050 Hz: --jobs 1 ${e1} s (${u1} s user), --jobs $cores ${en} s (${un} s user); output $same"
awk -v a="$e1" -v b="$en" -v n="$cores" 'BEGIN { printf "speed-up %.2f on %d cores; %.0fx real time per job\n", a / b, n, 8 * 3600 / a }'
