# Sourced by run.sh and test.sh: makes sure the Debian/Ubuntu packages the
# build and the tests need are present. Installs what is missing when running
# as root; otherwise prints the one apt-get command to run and stops.

TAVRIL_PACKAGES=(
  cmake ninja-build g++ ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev libgl-dev
  libpng-dev libsamplerate0-dev portaudio19-dev libasound2-dev
  libsndfile1-dev sox libfftw3-dev
  clang libclang-rt-14-dev
  xvfb xauth xdotool imagemagick
  poppler-utils desktop-file-utils xdg-utils
)

tavril_missing_packages() {
  local missing=() p
  for p in "${TAVRIL_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  echo "${missing[@]:-}"
}

tavril_ensure_packages() {
  local missing
  missing=$(tavril_missing_packages)
  [ -z "$missing" ] && return 0
  if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: $missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    # shellcheck disable=SC2086
    apt-get install -y -qq --no-install-recommends $missing
  else
    echo "These packages are missing: $missing"
    echo "Install them with:"
    echo "  sudo apt-get install -y $missing"
    exit 1
  fi
}
