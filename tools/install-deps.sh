#!/usr/bin/env bash
# Installs the Debian 12 packages Strumwell needs to build, generate its
# bundle, run and test, skipping whatever is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev fonts-liberation
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fluidsynth fluid-soundfont-gm librsvg2-bin
)
# Only the tests need these: a real X server for the end-to-end checks.
if [[ "${1:-}" == "--tests" ]]; then
  PACKAGES+=(xvfb xdotool)
  # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
  PACKAGES+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null; then
    SUDO="sudo"
  else
    echo "error: these packages are missing and I am not root (and there is no sudo): ${missing[*]}" >&2
    exit 1
  fi
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
