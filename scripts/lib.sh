# Shared by the scripts: where the project is, and installing what is missing.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ROOT

say() { printf '\n== %s\n' "$*"; }

# Whether every named Debian package is installed.
packages_installed() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || return 1
  done
}

# Installs the named Debian packages when any is missing: as root with
# apt-get, otherwise by printing the exact command and failing.
ensure_packages() {
  packages_installed "$@" && return 0
  local needs_i386=0 package
  for package in "$@"; do [[ $package == *:i386 ]] && needs_i386=1; done
  local command="apt-get update && apt-get install -y $*"
  [[ $needs_i386 == 1 ]] && command="dpkg --add-architecture i386 && $command"
  if [[ $(id -u) != 0 ]]; then
    echo "Missing packages. Run as root:" >&2
    echo "  $command" >&2
    exit 1
  fi
  say "Installing $*"
  [[ $needs_i386 == 1 ]] && dpkg --add-architecture i386
  local apt=(apt-get -o DPkg::Lock::Timeout=900 -qq)
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" update
  DEBIAN_FRONTEND=noninteractive "${apt[@]}" install -y --no-install-recommends "$@" >/dev/null
}

NATIVE_PACKAGES=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev)
# Fuzzing, Valgrind, the reference converter and the hostile-input figures.
CHECK_PACKAGES=(clang libclang-rt-14-dev valgrind python3 time)
# Cross-compiling the Windows program and running it under Wine in Xvfb.
GUI_PACKAGES=(g++-mingw-w64-i686 wine wine32:i386 xvfb xauth imagemagick)
