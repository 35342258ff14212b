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

# A private settings folder: the picture shows the program's own defaults
# plus the axes, whatever the user running the script has configured.
mkdir -p "$work/config/tavril"
cat > "$work/config/tavril/tavril.ini" <<'INI'
[Display Details]
display type=1
freq/amp ticks on=1
freq/amp tick vals on=1
freq/amp title on=1
time ticks on=1
time tick values on=1
time title on=1
spec gain=0.000000
INI
DISPLAY=":$display" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$app" "$sound" >"$work/app.log" 2>&1 &
app_pid=$!
win=""
for _ in $(seq 100); do
  win="$(DISPLAY=":$display" xdotool search --name 'Tavril' 2>/dev/null | head -1 || true)"
  [[ -n "$win" ]] && break
  sleep 0.1
done
[[ -n "$win" ]] || { echo "screenshot: the program did not open a window" >&2; cat "$work/app.log" >&2; exit 1; }
DISPLAY=":$display" xdotool windowsize "$win" 1260 780 windowmove "$win" 0 0 >/dev/null 2>&1 || true
sleep 1.5
# Maximise the sound window inside the frame and let it paint.
DISPLAY=":$display" xdotool key --window "$win" Ctrl+Shift+F12 >/dev/null 2>&1 || true
sleep 1.5
DISPLAY=":$display" import -window root "$out"
echo "screenshot: wrote $out"
