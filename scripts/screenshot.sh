#!/usr/bin/env bash
# Starts tavril under a virtual X display on the demo recording and writes a
# picture of the whole screen to docs/screenshot.png.
# Usage: scripts/screenshot.sh [path/to/tavril] [sound file] [output png]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
app="${1:-}"
if [[ -z "$app" ]]; then
  for candidate in "$here"/build/src/gui/tavril "$here"/build-*/src/gui/tavril; do
    if [[ -x "$candidate" ]]; then app="$candidate"; break; fi
  done
fi
sound="${2:-$here/data/demo/spinetail.wav}"
out="${3:-$here/docs/screenshot.png}"
[[ -x "$app" ]] || { echo "screenshot: no tavril program found (build it first)" >&2; exit 1; }
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot: $tool is not installed" >&2; exit 1; }
done
mkdir -p "$(dirname "$out")"

work="$(mktemp -d)"
cleanup() {
  [[ -n "${app_pid:-}" ]] && kill "$app_pid" 2>/dev/null || true
  [[ -n "${xvfb_pid:-}" ]] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
display=99
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$display ]] && break; sleep 0.1; done

# A private settings folder, and a display file that shows the recording
# twice: as a spectrogram with its axes and, below it, as a waveform on the
# same sound. The picture then shows what the program does whatever the
# user running the script has configured.
mkdir -p "$work/config/tavril"
sound_abs="$(cd "$(dirname "$sound")" && pwd)/$(basename "$sound")"
cat > "$work/demo.dsp" <<DSP
[Display info]
num windows=2
display file path=$work/demo.dsp
display file version=4
[Settings for Window 0]
Window ID=1
Window scroll bar position=0
Sound file name=$sound_abs
Sound file title=$(basename "$sound")
linked to window with ID=-1
window rect left=0
window rect top=0
window rect right=1276
window rect bottom=430
Display bitmap file position=-1
[Display Details for window 0]
display type=1
spec gain=2.000000
freq/amp ticks on=1
freq/amp tick vals on=1
freq/amp title on=1
freq/amp tickval=2.000000
time ticks on=1
time tick values on=1
time title on=1
[Settings for Window 1]
Window ID=2
Window scroll bar position=0
Sound file name=
Sound file title=
linked to window with ID=1
window rect left=0
window rect top=430
window rect right=1276
window rect bottom=680
Display bitmap file position=-1
[Display Details for window 1]
display type=0
freq/amp cursor on=0
freq/amp ticks on=1
freq/amp tick vals on=1
freq/amp tickval=0.500000
time ticks on=1
time tick values on=1
DSP
if [[ "${sound_abs##*.}" == "dsp" ]]; then open_what="$sound_abs"; else open_what="$work/demo.dsp"; fi
DISPLAY=":$display" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$app" -geometry 1280x800+0+0 "$open_what" >"$work/app.log" 2>&1 &
app_pid=$!
win=""
for _ in $(seq 100); do
  win="$(DISPLAY=":$display" xdotool search --name 'Tavril' 2>/dev/null | head -1 || true)"
  [[ -n "$win" ]] && break
  sleep 0.1
done
[[ -n "$win" ]] || { echo "screenshot: the program did not open a window" >&2; cat "$work/app.log" >&2; exit 1; }
sleep 2
DISPLAY=":$display" import -window root "$out"
echo "screenshot: wrote $out"
