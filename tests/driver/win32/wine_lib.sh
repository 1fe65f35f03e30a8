# Helpers for the Wine tests, sourced by tests/*/win32/*_test.sh: the Windows executables and
# the native ones to compare with, a private Wine prefix in a temporary folder, bounded runs.
# Builds on tests/driver/x11_lib.sh (temporary folder, Xvfb, screenshots, polling, cleanup).
# Every test takes: WINDOWS-BUILD-DIR NATIVE-BUILD-DIR SOURCE-DIR.
# shellcheck shell=bash

# shellcheck source=tests/driver/x11_lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/../x11_lib.sh"

WIN_BUILD=$(realpath -m "$1")
NATIVE_BUILD=$(realpath -m "$2")
# shellcheck disable=SC2034  # read by the tests that source this file
SOURCE_DIR=$3
WINE=""
WINESERVER=""

wine_cleanup() {
  # The prefix's server and every program still running in it, then the files.
  if [ -n "$WINESERVER" ] && [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    timeout 20 "$WINESERVER" -k 2>/dev/null
  fi
  x11_cleanup
}
trap wine_cleanup EXIT

# Exits 77 (skipped) when Wine or the builds are missing; sets WINE and WINESERVER, makes a
# private prefix and initialises it (within a time limit).
wine_start() {
  local w
  for w in "$(command -v wine64 2>/dev/null)" /usr/lib/wine/wine64 "$(command -v wine 2>/dev/null)"; do
    if [ -n "$w" ] && [ -x "$w" ]; then
      WINE=$w
      break
    fi
  done
  if [ -z "$WINE" ]; then
    echo "SKIP: Wine is not installed (scripts/install-deps.sh windows installs it)"
    exit 77
  fi
  for w in "$(dirname "$WINE")/wineserver64" "$(dirname "$WINE")/wineserver" \
    "$(command -v wineserver 2>/dev/null)"; do
    if [ -n "$w" ] && [ -x "$w" ]; then
      WINESERVER=$w
      break
    fi
  done
  [ -n "$WINESERVER" ] || fail "no wineserver beside $WINE"
  [ -x "$WIN_BUILD/scenario-compactor.exe" ] || fail "no $WIN_BUILD/scenario-compactor.exe (make windows)"
  [ -x "$NATIVE_BUILD/scenario-compactor" ] || fail "no native build at $NATIVE_BUILD (make build)"
  export WINEPREFIX="$X11_TMP/wineprefix" WINEDEBUG=-all WINEARCH=win64
  # No desktop integration, no Mono or Gecko prompts: the prefix is thrown away afterwards.
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
  mkdir -p "$WINEPREFIX"
  timeout 120 env -u DISPLAY "$WINE" wineboot --init >"$X11_TMP/wineboot.log" 2>&1
  local status=$?
  ((status != 124)) || fail "wineboot --init did not end within 120 s"
  # The server writes the prefix's registry when it ends.
  timeout 60 "$WINESERVER" -w || fail "the Wine server did not end within 60 s"
  [ -f "$WINEPREFIX/system.reg" ] || fail "wineboot made no prefix: $(cat "$X11_TMP/wineboot.log")"
}

# win_path UNIX-PATH: the name Wine's drive Z: gives it.
win_path() {
  printf 'Z:%s' "${1//\//\\}"
}

# wine_run SECONDS PROGRAM ARGS...: runs a Windows program to its end; its status is the
# function's, 124 after the time limit.
wine_run() {
  local limit=$1
  shift
  timeout "$limit" "$WINE" "$@"
}

# wine_window_start: what the window tests need before their first window: the X tools, a
# private prefix, a private display and the probe, whose path it sets in $probe.
wine_window_start() {
  x11_require_tools
  wine_start
  start_xvfb
  probe="$WIN_BUILD/win32_probe.exe"
  [ -f "$probe" ] || fail "no $probe"
}
