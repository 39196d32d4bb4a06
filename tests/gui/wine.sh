# Shared by scripts/gui-test and scripts/screenshot: which Windows build runs
# here and its packages, building the program and the test driver,
# and a private Wine prefix that is removed on the way out.
# shellcheck shell=bash

GUI_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# ensure_packages, shared with the project's other scripts.
source "$GUI_ROOT/scripts/lib.sh"

gui_say() { printf '\n== %s\n' "$*" >&2; }
gui_fail() { printf 'gui-test: %s\n' "$*" >&2; exit 1; }

# A 91-byte static i386 program that only exits: whether this kernel runs
# 32-bit code at all (some virtual machines cannot).
gui_runs_32bit_code() {
  local probe
  probe="$(mktemp)"
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5b\x00\x00\x00\x5b\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xc0\x40\x31\xdb\xcd\x80' >"$probe"
  chmod +x "$probe"
  local status=0
  "$probe" 2>/dev/null || status=1
  rm -f "$probe"
  return "$status"
}

# True when 32-bit programs would only run through an emulator registered
# with binfmt_misc. Under qemu-i386 7.2 on two cores, making a 32-bit prefix
# alone took over 25 minutes, so such a machine tests the 64-bit build.
gui_32bit_is_emulated() {
  grep -qs '^magic 7f454c4601010100000000000000000002000300' /proc/sys/fs/binfmt_misc/* 2>/dev/null
}

# i686 (the shipped 32-bit program) where 32-bit code runs natively, else
# x86_64: the same sources built for 64-bit Windows under a 64-bit Wine.
# GUI_TEST_ARCH chooses explicitly.
gui_choose_arch() {
  if [[ -n ${GUI_TEST_ARCH:-} ]]; then
    [[ $GUI_TEST_ARCH == i686 || $GUI_TEST_ARCH == x86_64 ]] ||
      gui_fail "GUI_TEST_ARCH must be i686 or x86_64"
    echo "$GUI_TEST_ARCH"
  elif ! gui_32bit_is_emulated && gui_runs_32bit_code; then
    echo i686
  else
    echo x86_64
  fi
}

# Sets the build and Wine settings of architecture $1.
gui_configure_arch() {
  GUI_ARCH="$1"
  if [[ $GUI_ARCH == i686 ]]; then
    GUI_PACKAGES=(cmake make g++-mingw-w64-i686-win32 wine wine32:i386 fonts-wine xvfb)
    GUI_PRESET=mingw
    GUI_DEFAULT_BUILD="$GUI_ROOT/build/mingw"
    GUI_WINE=wine
    export WINEARCH=win32
    if gui_32bit_is_emulated; then
      # qemu must leave Wine the top of the 32-bit address space (shared
      # user data); emulated, everything takes about ten times as long.
      export QEMU_RESERVED_VA=0xffff0000
      GUI_TIME_SCALE=${GUI_TEST_TIME_SCALE:-10}
    fi
  else
    GUI_PACKAGES=(cmake make g++-mingw-w64-x86-64-win32 wine wine64 fonts-wine xvfb)
    GUI_PRESET=mingw-x86_64
    GUI_DEFAULT_BUILD="$GUI_ROOT/build/mingw-x86_64"
    # /usr/bin/wine prefers the 32-bit loader whenever wine32 is installed.
    GUI_WINE=/usr/lib/wine/wine64
    export WINEARCH=win64
  fi
  GUI_TIME_SCALE=${GUI_TIME_SCALE:-${GUI_TEST_TIME_SCALE:-1}}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# Builds the program (and the driver, when the project includes tests/gui)
# into $GUI_BUILD.
gui_build_program() {
  gui_say "Building PatchConverter.exe ($GUI_ARCH) in ${GUI_BUILD#"$GUI_ROOT"/}"
  if [[ $GUI_BUILD == "$GUI_DEFAULT_BUILD" ]]; then
    (cd "$GUI_ROOT" && timeout 900 cmake --preset "$GUI_PRESET" >/dev/null &&
      timeout 1800 cmake --build --preset "$GUI_PRESET" -j"$(nproc)" >/dev/null)
  else
    timeout 900 cmake -S "$GUI_ROOT" -B "$GUI_BUILD" -DCMAKE_TOOLCHAIN_FILE="$GUI_ROOT/cmake/mingw.cmake" \
      -DMINGW_ARCH="$GUI_ARCH" \
      -DCMAKE_BUILD_TYPE=MinSizeRel -DPATCHCONV_BUILD_TESTS=OFF -DPATCHCONV_WERROR=ON >/dev/null
    timeout 1800 cmake --build "$GUI_BUILD" -j"$(nproc)" >/dev/null
  fi
}

# The driver and its probe: built with the project when it includes
# tests/gui, otherwise as a project of their own beside it.
gui_find_or_build_driver() {
  GUI_DRIVER="$GUI_BUILD/tests/gui/gui_tests.exe"
  [[ -f $GUI_DRIVER ]] && return 0
  local own="$GUI_BUILD/gui-tests"
  timeout 900 cmake -S "$GUI_ROOT/tests/gui" -B "$own" -DCMAKE_TOOLCHAIN_FILE="$GUI_ROOT/cmake/mingw.cmake" \
      -DMINGW_ARCH="$GUI_ARCH" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DPATCHCONV_WERROR=ON >/dev/null
  timeout 1800 cmake --build "$own" -j"$(nproc)" >/dev/null
  GUI_DRIVER="$own/gui_tests.exe"
}

# Checks that the given programs, the driver and its probe import only
# system DLLs (Wine finds no MinGW runtime DLL either) and that the probe
# exports its hook under the very name the driver asks GetProcAddress for.
gui_check_imports() {
  local hook
  hook="$(sed -n 's/^inline constexpr char kHookProcName\[\] = "\(.*\)";$/\1/p' \
    "$GUI_ROOT/tests/gui/probe_protocol.h")"
  [[ -n $hook ]] || gui_fail "no kHookProcName in tests/gui/probe_protocol.h"
  "$GUI_ROOT/scripts/check-imports" "$@" "$GUI_DRIVER" \
    --exports "$hook" "$(dirname "$GUI_DRIVER")/gui_probe.dll"
}

# A Windows path for a Unix one: Wine's drive Z: is the Unix root.
gui_winpath() { local path="${1//\//\\}"; printf 'Z:%s' "$path"; }

gui_cleanup() {
  if [[ -n ${WINEPREFIX:-} && -d $WINEPREFIX ]]; then
    timeout 60 wineserver -k >/dev/null 2>&1 || true
    timeout 60 wineserver -w >/dev/null 2>&1 || true
  fi
  [[ -n ${GUI_WORK:-} ]] && rm -rf "$GUI_WORK"
  return 0
}

# A private prefix in a fresh work folder, removed by gui_cleanup (trapped).
# A caller that runs several suites makes it once and names it in
# GUI_SHARED_PREFIX (with GUI_TEST_ARCH set to its architecture); the suites
# then use it and leave it to the caller.
gui_make_prefix() {
  GUI_WORK="$(mktemp -d /tmp/patchconv-gui.XXXXXX)"
  trap gui_cleanup EXIT
  trap 'exit 130' INT TERM
  if [[ -n ${GUI_SHARED_PREFIX:-} ]]; then
    [[ -d $GUI_SHARED_PREFIX ]] || gui_fail "no Wine prefix at $GUI_SHARED_PREFIX"
    export WINEPREFIX="$GUI_SHARED_PREFIX"
    return 0
  fi
  export WINEPREFIX="$GUI_WORK/prefix"
  gui_say "Making a $WINEARCH Wine prefix"
  timeout 600 "$GUI_WINE" wineboot -u >/dev/null 2>&1 || gui_fail "wineboot failed or timed out"
  timeout 300 wineserver -w || gui_fail "the prefix did not settle"
  timeout 120 "$GUI_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
    /t REG_DWORD /d 0 /f >/dev/null 2>&1 || gui_fail "cannot turn off Wine's crash dialog"
  # Without a window manager, Wine waits up to 2 s for one to withdraw each
  # managed window that closes; unmanaged windows need none.
  timeout 120 "$GUI_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed \
    /t REG_SZ /d N /f >/dev/null 2>&1 || gui_fail "cannot make Wine's windows unmanaged"
  timeout 120 wineserver -w || true
}
