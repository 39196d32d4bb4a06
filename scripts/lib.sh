# Shared by the scripts: where the project is, and installing what is missing.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ROOT

say() { printf '\n== %s\n' "$*"; }

# Whether the named Debian package is installed.
package_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Installs those of the named Debian packages that are missing: as root with
# apt-get (waiting for another apt or dpkg to let go of its lock), otherwise by
# printing the exact command and failing.
ensure_packages() {
  local missing=() package
  for package in "$@"; do package_installed "$package" || missing+=("$package"); done
  ((${#missing[@]} == 0)) && return 0
  local command="apt-get update && apt-get install -y ${missing[*]}"
  [[ " ${missing[*]}" == *:i386* ]] && command="dpkg --add-architecture i386 && $command"
  if [[ $(id -u) != 0 ]]; then
    echo "Missing packages. Run as root:" >&2
    echo "  $command" >&2
    exit 1
  fi
  say "Installing ${missing[*]}"
  [[ " ${missing[*]}" == *:i386* ]] && dpkg --add-architecture i386
  local apt=(apt-get -o DPkg::Lock::Timeout=900 -qq)
  DEBIAN_FRONTEND=noninteractive timeout 1200 "${apt[@]}" update
  DEBIAN_FRONTEND=noninteractive timeout 2400 "${apt[@]}" install -y --no-install-recommends \
    "${missing[@]}" >/dev/null
}

NATIVE_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev)
# Fuzzing, Valgrind, the reference converter and the hostile-input figures.
CHECK_PACKAGES=(clang libclang-rt-14-dev valgrind python3 time)
# Cross-compiling the Windows program and running it under Wine in Xvfb.
WINDOWS_PACKAGES=(g++-mingw-w64-i686 wine wine32:i386 xvfb xauth imagemagick)
# The web page: emscripten builds it, Debian's Chromium runs its tests, npm
# fetches the page's zip library and the tests' tools (web/package-lock.json).
WEB_PACKAGES=(emscripten chromium python3 fonts-dejavu-core)
ensure_web_packages() {
  ensure_packages "${WEB_PACKAGES[@]}"
  # A node from elsewhere may bring its own npm, which Debian's would conflict with.
  command -v npm >/dev/null || ensure_packages npm
}
