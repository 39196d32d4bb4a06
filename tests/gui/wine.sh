# Running the Windows programs under Wine, for the scripts that do (gui-test,
# patchconv-exe-test, screenshot, run, test): which Windows build runs here,
# building the program and the test driver, and a private Wine prefix that is
# removed on the way out. It brings scripts/lib.sh.
# shellcheck shell=bash

source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/lib.sh"

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
      die "GUI_TEST_ARCH must be i686 or x86_64"
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
    GUI_PACKAGES=("${MINGW_PACKAGES_i686[@]}" "${WINE_PACKAGES_i686[@]}")
    GUI_PRESET=mingw
    GUI_DEFAULT_BUILD="$ROOT/build/mingw"
    GUI_WINE=wine
    export WINEARCH=win32
    if gui_32bit_is_emulated; then
      # qemu must leave Wine the top of the 32-bit address space (shared
      # user data); emulated, everything takes about ten times as long.
      export QEMU_RESERVED_VA=0xffff0000
      GUI_TIME_SCALE=${GUI_TEST_TIME_SCALE:-10}
    fi
  else
    GUI_PACKAGES=("${MINGW_PACKAGES_x86_64[@]}" "${WINE_PACKAGES_x86_64[@]}")
    GUI_PRESET=mingw-x86_64
    GUI_DEFAULT_BUILD="$ROOT/build/mingw-x86_64"
    # /usr/bin/wine prefers the 32-bit loader whenever wine32 is installed.
    GUI_WINE=/usr/lib/wine/wine64
    export WINEARCH=win64
  fi
  GUI_TIME_SCALE=${GUI_TIME_SCALE:-${GUI_TEST_TIME_SCALE:-1}}
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# Builds the programs and the driver of the architecture's preset in its
# folder, $GUI_DEFAULT_BUILD.
gui_build_program() {
  ensure_expat_source
  say "Building PatchConverter.exe ($GUI_ARCH) in ${GUI_DEFAULT_BUILD#"$ROOT"/}"
  (cd "$ROOT" && timeout 2700 cmake --workflow --preset "$GUI_PRESET" >/dev/null)
}

# The start of each script that runs a Windows program: chooses the
# architecture, installs its packages and those named, and builds unless
# BUILD_DIR (take_build_dir) names a build. GUI_BUILD is the build used.
gui_prepare_build() {
  local arch
  arch="$(gui_choose_arch)"
  gui_configure_arch "$arch"
  ensure_packages "${GUI_PACKAGES[@]}" "$@"
  GUI_BUILD="${BUILD_DIR:-$GUI_DEFAULT_BUILD}"
  [[ -n ${BUILD_DIR:-} ]] || gui_build_program
}

# Prints the path of the program RELATIVE (app/PatchConverter.exe) in
# GUI_BUILD, which must be there.
gui_program() {
  [[ -f $GUI_BUILD/$1 ]] || die "no program at $GUI_BUILD/$1"
  printf '%s\n' "$GUI_BUILD/$1"
}

# The driver and its probe: built with the project when it includes
# tests/gui, otherwise as a project of their own beside it.
gui_find_or_build_driver() {
  GUI_DRIVER="$GUI_BUILD/tests/gui/gui_tests.exe"
  [[ -f $GUI_DRIVER ]] && return 0
  local own="$GUI_BUILD/gui-tests"
  timeout 900 cmake -S "$ROOT/tests/gui" -B "$own" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw.cmake" \
    -DMINGW_ARCH="$GUI_ARCH" -DCMAKE_BUILD_TYPE=MinSizeRel -DPATCHCONV_WERROR=ON >/dev/null
  timeout 1800 cmake --build "$own" >/dev/null
  GUI_DRIVER="$own/gui_tests.exe"
}

# Checks that the given programs, the driver and its probe import only
# system DLLs (Wine finds no MinGW runtime DLL either) and that the probe
# exports its hook under the very name the driver asks GetProcAddress for.
gui_check_imports() {
  local hook
  hook="$(sed -n 's/^inline constexpr char kHookProcName\[\] = "\(.*\)";$/\1/p' \
    "$ROOT/tests/gui/probe_protocol.h")"
  [[ -n $hook ]] || die "no kHookProcName in tests/gui/probe_protocol.h"
  "$ROOT/scripts/check-imports" "$@" "$GUI_DRIVER" \
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
    [[ -d $GUI_SHARED_PREFIX ]] || die "no Wine prefix at $GUI_SHARED_PREFIX"
    export WINEPREFIX="$GUI_SHARED_PREFIX"
    return 0
  fi
  export WINEPREFIX="$GUI_WORK/prefix"
  say "Making a $WINEARCH Wine prefix"
  timeout 600 "$GUI_WINE" wineboot -u >/dev/null 2>&1 || die "wineboot failed or timed out"
  timeout 300 wineserver -w || die "the prefix did not settle"
  timeout 120 "$GUI_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
    /t REG_DWORD /d 0 /f >/dev/null 2>&1 || die "cannot turn off Wine's crash dialog"
  # Without a window manager, Wine waits up to 2 s for one to withdraw each
  # managed window that closes; unmanaged windows need none.
  timeout 120 "$GUI_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed \
    /t REG_SZ /d N /f >/dev/null 2>&1 || die "cannot make Wine's windows unmanaged"
  timeout 120 wineserver -w || true
}
