#!/usr/bin/env bash
# Checks what Strumwell installs, from a build folder that has been built in
# full (default: build):
#   - the desktop entry, the AppStream metadata and the manual page pass their
#     validators with no error (the manual page with no warning either);
#   - bash completes the commands and options;
#   - `cmake --install` into a temporary prefix gives a program that, run from
#     another folder, draws the main menu headless and renders a demo song
#     from its installed bundle, bit for bit as the build folder's program does;
#   - `cpack -G DEB` makes a package with no lintian errors, whose dependencies
#     and description are as they should be, and whose program runs as well.
# Needs no display and no sound card.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

export SDL_AUDIODRIVER=dummy
export SDL_VIDEODRIVER=dummy
app_id=io.github.strumwell.Strumwell

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
step() { printf '\n== %s\n' "$*"; }
fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

step "cmake --install into a temporary prefix"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log"
  fail "cmake --install"
  exit 1
}
for f in bin/strumwell \
  share/applications/$app_id.desktop \
  share/metainfo/$app_id.metainfo.xml \
  share/man/man1/strumwell.1 \
  share/bash-completion/completions/strumwell \
  share/doc/strumwell/copyright \
  share/icons/hicolor/{48x48,128x128,256x256}/apps/$app_id.png \
  share/icons/hicolor/scalable/apps/$app_id.svg; do
  [[ -f $prefix/$f ]] || fail "not installed: $f"
done
for size in 48 128 256; do
  file -b "$prefix/share/icons/hicolor/${size}x$size/apps/$app_id.png" | grep -q "PNG image data, $size x $size" ||
    fail "the ${size}x$size icon is not a $size x $size PNG"
done

step "desktop-file-validate"
desktop-file-validate "$prefix/share/applications/$app_id.desktop" || fail "desktop-file-validate"

step "appstreamcli validate --no-net"
appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
# The installed tree as a whole: the metadata's desktop entry and icon are there.
appstreamcli validate-tree --no-net "$prefix" || fail "appstreamcli validate-tree"

step "man --warnings -l"
if ! MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/strumwell.1" >"$work/man.txt" 2>"$work/man.err"; then
  fail "man could not format the page"
fi
if [[ -s $work/man.err ]]; then
  cat "$work/man.err"
  fail "man --warnings printed warnings"
else
  echo "no warnings ($(wc -l <"$work/man.txt") lines)"
fi
for section in NAME SYNOPSIS DESCRIPTION COMMANDS OPTIONS KEYS FILES ENVIRONMENT "EXIT STATUS"; do
  grep -q "^$section\$" "$work/man.txt" || fail "the manual page has no $section section"
done

step "bash completion"
if [[ -f /usr/share/bash-completion/bash_completion ]]; then
  # Completes the words given, as if the cursor were after the last one.
  complete_words() {
    bash -c '
      source /usr/share/bash-completion/bash_completion
      source "$1"; shift
      COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      COMP_LINE="${COMP_WORDS[*]}"; COMP_POINT=${#COMP_LINE}
      _strumwell strumwell "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
      printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' \
      _ "$prefix/share/bash-completion/completions/strumwell" "$@"
  }
  expect_completion() {
    local want=$1
    shift
    local got
    got=$(complete_words "$@")
    if [[ $got != "$want" ]]; then fail "completing '$*': got '$got', want '$want'"; fi
  }
  expect_completion "dump export import render tab " strumwell ""
  expect_completion "jack sdl " strumwell --audio ""
  expect_completion "--track " strumwell import x.mid --t
  expect_completion "export import " strumwell tab ""
  expect_completion "--screen --screenshot " strumwell --scr
  expect_completion "--buffer-frames --bundle " strumwell render x.SAV --bu
  expect_completion "--song " strumwell dump --s
  expect_completion "13 " strumwell --screen 13
  echo "ok"
else
  echo "skipped: bash-completion is not installed"
fi

# The program from BIN_DIR, run in a folder of its own with its own home,
# documents and caches, draws the main menu and renders the first demo song
# of its installed bundle; the sound must be the build folder's, bit for bit.
run_installed() {
  local bin=$1 bundle=$2 name=$3
  local run=$work/run-$name
  mkdir -p "$run/elsewhere" "$run/home"
  (
    cd "$run/elsewhere"
    export HOME=$run/home XDG_DATA_HOME=$run/home/data XDG_CACHE_HOME=$run/home/cache
    if ! "$bin" --headless --screenshot menu.png >"$run/menu.log" 2>&1; then
      cat "$run/menu.log"
      echo "FAILED: $name: the installed program did not draw the main menu" >&2
      exit 1
    fi
    if grep -q "no bundle folder found" "$run/menu.log"; then
      cat "$run/menu.log"
      echo "FAILED: $name: the installed program found no bundle" >&2
      exit 1
    fi
    # The menu's pictures make a large PNG; without them it is a few kilobytes.
    if ! file -b menu.png | grep -q "PNG image data, 960 x 640" || (($(stat -c %s menu.png) < 100000)); then
      echo "FAILED: $name: menu.png is not the main menu: $(file -b menu.png), $(stat -c %s menu.png) bytes" >&2
      exit 1
    fi
    echo "$name: main menu drawn ($(stat -c %s menu.png) bytes)"

    local song
    song=$(find "$bundle" -maxdepth 1 -name '*.SAV' | sort | head -n 1)
    if [[ -z $song ]]; then
      echo "FAILED: $name: no demo song in $bundle" >&2
      exit 1
    fi
    if ! "$bin" render "$song" -o song.wav; then
      echo "FAILED: $name: render of $song" >&2
      exit 1
    fi
    "$build/strumwell" render "$song" -o reference.wav --bundle "$build/bundle" >/dev/null
    if ! cmp -s song.wav reference.wav; then
      echo "FAILED: $name: the installed program's render differs from the build folder's" >&2
      exit 1
    fi
    echo "$name: $(basename "$song") rendered, the same as from the build folder"
  ) || fail "the program installed by $name"
}

step "the installed program, run from another folder"
run_installed "$prefix/bin/strumwell" "$prefix/share/strumwell/bundle" "cmake --install"

step "cpack -G DEB"
rm -f "$build"/strumwell_*.deb
if ! (cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log"
  fail "cpack -G DEB"
else
  rm -rf "$build/_CPack_Packages" # the staging copy of every installed file
  deb=$(ls "$build"/strumwell_*.deb)
  echo "$deb"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  for d in fonts-liberation libsdl2-2.0-0 libsdl2-image-2.0-0 libsdl2-ttf-2.0-0 libc6; do
    [[ ", $depends," == *", $d"[\ ,]* ]] || fail "the package does not depend on $d"
  done
  summary=$(sed -n 's:.*<summary>\(.*\)</summary>.*:\1:p' "$prefix/share/metainfo/$app_id.metainfo.xml")
  [[ $(dpkg-deb -f "$deb" Description | head -n 1) == "$summary" ]] ||
    fail "the package's synopsis is not the AppStream summary"
  dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/strumwell/copyright | cmp -s - packaging/copyright ||
    fail "the package's copyright file is not packaging/copyright"

  step "lintian"
  if ! lintian --fail-on error "$deb"; then fail "lintian reports errors"; fi

  step "the packaged program, unpacked into a folder"
  dpkg-deb -x "$deb" "$work/deb"
  run_installed "$work/deb/usr/bin/strumwell" "$work/deb/usr/share/strumwell/bundle" "the .deb"
fi

echo
if ((failures > 0)); then
  echo "check-install: $failures failure(s)" >&2
  exit 1
fi
echo "check-install: all passed"
