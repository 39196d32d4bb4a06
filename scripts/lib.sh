# The scripts' one library: where the project is, messages, the packages and
# installing those that are missing, the --build-dir option, and counting a
# script's cases. tests/gui/wine.sh adds running Windows programs under Wine.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export ROOT
# As many parallel jobs as there are processors, for cmake --build,
# cmake --workflow and ctest alike, unless the caller chose.
CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
CTEST_PARALLEL_LEVEL="${CTEST_PARALLEL_LEVEL:-$(nproc)}"
export CMAKE_BUILD_PARALLEL_LEVEL CTEST_PARALLEL_LEVEL

say() { printf '\n== %s\n' "$*"; }
# Ends the script with a message naming it.
die() { printf '%s: %s\n' "$(basename "$0")" "$*" >&2; exit 1; }

# The Debian packages, by what needs them.
NATIVE_PACKAGES=(cmake g++ make libexpat1-dev libgtest-dev libgmock-dev libbenchmark-dev)
# Fuzzing, the format check, Valgrind, the reference converter and the
# hostile-input figures.
CHECK_PACKAGES=(clang clang-format libclang-rt-14-dev valgrind python3 time)
# Cross-compiling the Windows programs for each architecture, with the win32
# thread model that cmake/mingw.cmake uses.
MINGW_PACKAGES_i686=(cmake make g++-mingw-w64-i686-win32)
MINGW_PACKAGES_x86_64=(cmake make g++-mingw-w64-x86-64-win32)
# Running them under Wine in a virtual X display.
WINE_PACKAGES_i686=(wine wine32:i386 fonts-wine xvfb xauth)
WINE_PACKAGES_x86_64=(wine wine64 fonts-wine xvfb xauth)
# Taking the screenshot.
SCREENSHOT_PACKAGES=(imagemagick)
# The release (scripts/release): the Debian package, the Windows zip, and
# checking them as a user would (scripts/release-test).
RELEASE_PACKAGES=(cmake g++ make git dpkg-dev file "${MINGW_PACKAGES_i686[@]}" zip python3)
RELEASE_TEST_PACKAGES=(man-db bash-completion unzip)

# The XML parser: Debian's libexpat1-dev in the native builds; the MinGW and
# web builds compile the same version's source, which scripts/fetch-expat
# takes from Debian's source package into build/third-party/.
EXPAT_UPSTREAM_VERSION=2.5.0
ensure_expat_source() { "$ROOT/scripts/fetch-expat"; }

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

# Takes "--build-dir DIR" out of the arguments: BUILD_DIR is DIR as an
# absolute path (empty without the option), ARGS the other arguments in order.
take_build_dir() {
  BUILD_DIR="" ARGS=()
  while (($#)); do
    case $1 in
      --build-dir)
        [[ $# -ge 2 && -d $2 ]] || die "--build-dir needs a build folder"
        BUILD_DIR="$(cd "$2" && pwd)"
        shift 2
        ;;
      *) ARGS+=("$1"); shift ;;
    esac
  done
}

# Counting a script's cases. pass NAME and fail NAME REASON print a line each
# ("ok    NAME", "FAIL  NAME: REASON"); pass without a NAME only counts. After a
# failure, the lines of the file FAIL_LOG names (when set and not empty) follow,
# its last 40, each after the file's name. report_part LABEL prints
# "LABEL: N passed, N failed" for the cases since the last report_part; report
# prints "N passed, N failed" for all of them and fails when any failed.
passed=0 failed=0
reported_passed=0 reported_failed=0
pass() {
  passed=$((passed + 1))
  [[ -z ${1:-} ]] || printf 'ok    %s\n' "$1"
}
fail() {
  failed=$((failed + 1))
  printf 'FAIL  %s: %s\n' "$1" "$2"
  if [[ -n ${FAIL_LOG:-} && -s $FAIL_LOG ]]; then
    tail -n 40 "$FAIL_LOG" | sed "s/^/      $(basename "$FAIL_LOG"): /"
  fi
  return 0
}
report_part() {
  echo "$1: $((passed - reported_passed)) passed, $((failed - reported_failed)) failed"
  reported_passed=$passed reported_failed=$failed
}
report() {
  echo "$passed passed, $failed failed"
  ((failed == 0))
}

# The web page: emscripten builds it, Debian's Chromium runs its tests, npm
# fetches the page's zip library and the tests' tools (web/package-lock.json).
WEB_PACKAGES=(emscripten chromium python3 fonts-dejavu-core)
ensure_web_packages() {
  ensure_packages "${WEB_PACKAGES[@]}"
  # A node from elsewhere may bring its own npm, which Debian's would conflict with.
  command -v npm >/dev/null || ensure_packages npm
}
