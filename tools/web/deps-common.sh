# shellcheck shell=bash
# Sourced by the browser build's library scripts (tools/web/build-deps and
# tools/web/build-import-deps), which set SRC (where sources are unpacked)
# and NAME (their own name, for messages) first. Leaves LAUNCHER holding
# CMake's ccache options when ccache is there.

command -v emcmake >/dev/null || {
  echo "$NAME: emcmake is missing (run tools/web/build once, or apt-get install emscripten)" >&2
  exit 1
}
# emcc's JavaScript optimizer needs acorn, which Debian installs under
# /usr/share/nodejs; a node not from Debian does not look there.
if ! node -e 'require("acorn")' 2>/dev/null; then
  export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
fi

LAUNCHER=()
if command -v ccache >/dev/null; then
  # shellcheck disable=SC2034 # the scripts that source this use it
  LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

# apt-get source needs a deb-src line, and a plain Debian 12 machine has
# none; bookworm's main is enough. Adds one (through sudo when not root)
# and refreshes apt's lists.
add_bookworm_sources() {
  local sudo=""
  if [[ $(id -u) -ne 0 ]] && command -v sudo >/dev/null; then sudo="sudo"; fi
  echo "Adding /etc/apt/sources.list.d/bookworm-src.sources (deb-src for bookworm main)" >&2
  printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm" \
    "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
    $sudo tee /etc/apt/sources.list.d/bookworm-src.sources >/dev/null
  $sudo apt-get update -qq >&2
}

# source_dir PACKAGE UPSTREAM [VERSION]: prints the folder of Debian's
# source package PACKAGE at upstream version UPSTREAM (dpkg-source's name:
# no epoch, no Debian revision), fetched with apt-get source when not there
# yet: Debian's VERSION when given, else the newest revision apt knows.
source_dir() {
  local package=$1 upstream=$2 version=${3:-} dir
  dir=$(compgen -G "$SRC/$package-$upstream*/" | head -1 || true)
  if [[ -n $dir ]]; then echo "${dir%/}"; return; fi
  versions() {
    apt-cache showsrc "$package" 2>/dev/null | sed -n "s/^Version: \(\([0-9]*:\)\{0,1\}${upstream}[+-].*\)$/\1/p"
  }
  known() { if [[ -n $version ]]; then versions | grep -xF "$version" >/dev/null; else [[ -n $(versions) ]]; fi; }
  known || add_bookworm_sources
  known || { echo "$NAME: apt has no source package $package ${version:-$upstream}" >&2; exit 1; }
  [[ -n $version ]] || version=$(versions | sort -V | tail -1)
  mkdir -p "$SRC"
  (cd "$SRC" && apt-get source -qq "$package=$version" >&2)
  dir=$(compgen -G "$SRC/$package-$upstream*/" | head -1 || true)
  [[ -n $dir ]] || { echo "$NAME: apt-get source $package=$version left no $SRC/$package-$upstream*" >&2; exit 1; }
  echo "${dir%/}"
}
