# Sourced by the browser build's library scripts: apt-get source needs a
# deb-src line, and a plain Debian 12 machine has none; bookworm's main is
# enough. Adds one (through sudo when not root) and refreshes apt's lists.
add_bookworm_sources() {
  local sudo=""
  if [[ $(id -u) -ne 0 ]] && command -v sudo >/dev/null; then sudo="sudo"; fi
  echo "Adding /etc/apt/sources.list.d/bookworm-src.sources (deb-src for bookworm main)" >&2
  printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm" \
    "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
    $sudo tee /etc/apt/sources.list.d/bookworm-src.sources >/dev/null
  $sudo apt-get update -qq >&2
}
