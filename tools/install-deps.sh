#!/usr/bin/env bash
# Installs the Debian 12 packages Strumwell needs to build, generate its
# bundle, run and test, skipping whatever is already there.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev fonts-liberation
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fluidsynth fluid-soundfont-gm librsvg2-bin
  librtmidi-dev libjack-jackd2-dev libpugixml-dev libzip-dev
)
# Only the tests need these: a real X server for the end-to-end checks, and
# the validators of what is installed and packaged (tools/check-install.sh):
# desktop entry, AppStream metadata, manual page, bash completion, the .deb
# (dpkg-shlibdeps for its dependencies, lintian) and the file types.
if [[ "${1:-}" == "--tests" ]]; then
  PACKAGES+=(xvfb xdotool
    desktop-file-utils appstream man-db bash-completion dpkg-dev lintian file)
  # The fuzz targets: clang with libFuzzer and the sanitizer runtimes.
  PACKAGES+=(clang-14 libclang-rt-14-dev)
  # Line coverage for ./check --coverage.
  PACKAGES+=(gcovr)
  # The latency bench presses keys and buttons through the X server (XTest).
  PACKAGES+=(libxtst-dev)
  # Real sound servers for the live tests: a JACK server (dummy backend)
  # and a PulseAudio daemon with a null sink.
  PACKAGES+=(jackd2 pulseaudio pulseaudio-utils)
fi

# One dpkg-query for all of them: ./play runs this every time, and a process
# per package made it the slowest part of a start with nothing to build.
declare -A installed=()
while read -r name status; do
  if [[ $status == "install ok installed" ]]; then installed[$name]=1; fi
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${PACKAGES[@]}" 2>/dev/null || true)
missing=()
for p in "${PACKAGES[@]}"; do
  if [[ -z ${installed[$p]:-} ]]; then
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
