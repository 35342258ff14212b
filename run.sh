#!/usr/bin/env bash
# Installs what is missing, builds in Release, and opens the bundled demo
# recording: in the desktop program when a display is available, otherwise a
# headless demo with tavril-cli.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
tavril_ensure_packages

export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/tavril-ccache}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)"

# The desktop entry, icon, file types, manual page and completion go to the
# user's own folders (never system-wide); TAVRIL_NO_DESKTOP_INSTALL=1 skips it.
if [ -z "${TAVRIL_NO_DESKTOP_INSTALL:-}" ] && [ -n "${HOME:-}" ]; then
  if cmake --install build --prefix "$HOME/.local" >/dev/null; then
    # Tavril's own file types open in Tavril; sound files only gain it in "Open with".
    if command -v xdg-mime >/dev/null; then
      xdg-mime default tavril.desktop application/x-tavril-display application/x-tavril-settings 2>/dev/null || true
    fi
  else
    echo "Note: the desktop entry could not be installed into $HOME/.local"
  fi
fi

DEMO=data/demo/spinetail.wav
GUI=build/src/gui/tavril
CLI=build/src/cli/tavril-cli

if [ -x "$GUI" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$GUI" "$@" "$DEMO"
fi

if [ -x "$GUI" ]; then
  echo "No display is available: running the headless demo instead."
else
  echo "Headless demo of the bundled recording:"
fi
"$CLI" info "$DEMO"
if "$CLI" help spectrogram >/dev/null 2>&1; then
  OUT=${TMPDIR:-/tmp}/tavril-demo-spectrogram.png
  "$CLI" spectrogram "$DEMO" --png "$OUT" --width 1600 --height 257
  echo "Spectrogram picture written to $OUT"
fi
