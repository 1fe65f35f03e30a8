# Helpers for the window tests, sourced by tests/driver/x11_*_test.sh: a private Xvfb display,
# polling with a time limit, screenshots as lists of dark pixels, cleanup on every exit path.
# shellcheck shell=bash

X11_TMP=$(mktemp -d)
XVFB_PID=""
X11_CHILDREN=()

x11_cleanup() {
  local pid
  for pid in "${X11_CHILDREN[@]}"; do kill "$pid" 2>/dev/null; done
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
  fi
  rm -rf "$X11_TMP"
}
trap x11_cleanup EXIT
trap 'exit 130' INT TERM

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Exits 77 (skipped) with a message when the machine cannot run the window tests at all.
x11_require_tools() {
  local tool
  if ! command -v Xvfb >/dev/null; then
    echo "SKIP: Xvfb is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
  for tool in xdotool xwininfo xprop xwd convert; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
  done
}

# For the tests that drive the probe: finds it beside the program (PROGRAM is the test's first
# argument), skips when the build has no X11, and starts Xvfb. Sets probe.
start_probe_display() {
  probe="$(dirname "$1")/x11_probe"
  x11_require_tools
  if [ ! -x "$probe" ]; then
    echo "SKIP: built without the X11 libraries (headless only)"
    exit 77
  fi
  start_xvfb
}

# Starts Xvfb on a display number it picks itself (free by construction) and sets DISPLAY.
start_xvfb() {
  local fdfile="$X11_TMP/display.$RANDOM"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" 2>"$X11_TMP/xvfb.log" &
  XVFB_PID=$!
  wait_until 30 grep -q '^[0-9]' "$fdfile" || {
    cat "$X11_TMP/xvfb.log" >&2
    fail "Xvfb did not start"
  }
  DISPLAY=":$(head -n 1 "$fdfile")"
  export DISPLAY
}

stop_xvfb() {
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}

# wait_until SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds; false on time-out.
wait_until() {
  local limit=$(($1 * 20)) i
  shift
  for ((i = 0; i < limit; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.05
  done
  return 1
}

# wait_exit SECONDS PID: waits for a child to end and leaves its exit status in EXIT_STATUS;
# false when it is still running after the time limit.
wait_exit() {
  wait_until "$1" bash -c "! kill -0 $2" || return 1
  wait "$2"
  # shellcheck disable=SC2034  # read by the tests that source this file
  EXIT_STATUS=$?
  return 0
}

# The one window of that exact name, as a decimal id; empty when there is none.
window_named() {
  local ids
  ids=$(xdotool search --name "^$1\$" 2>/dev/null)
  [ "$(printf '%s\n' "$ids" | grep -c .)" = 1 ] && printf '%s' "$ids"
}

# screenshot WINDOW NAME: the window's pixels through the X server's own dump, as NAME.png in
# the temporary folder (and in $SC_SCREENSHOT_DIR when set, to look at) and as NAME.txt, one
# line "x y r g b" per pixel.
screenshot() {
  local png="$X11_TMP/$2.png"
  xwd -silent -id "$1" -out "$X11_TMP/$2.xwd" || fail "xwd could not dump window $1"
  convert "xwd:$X11_TMP/$2.xwd" "$png" || fail "convert could not read the dump"
  if [ -n "${SC_SCREENSHOT_DIR:-}" ]; then cp "$png" "$SC_SCREENSHOT_DIR/"; fi
  convert "$png" -depth 8 -type TrueColor txt:- |
    sed -n 's/^\([0-9]*\),\([0-9]*\): *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3 \4 \5/p' \
      >"$X11_TMP/$2.txt"
  [ -s "$X11_TMP/$2.txt" ] || fail "no pixels read from the screenshot $2"
}

# dark_box NAME [X0 Y0 X1 Y1]: "count minX minY maxX maxY" of the dark pixels (text, frames)
# of a screenshot, within the given rectangle (inclusive) or the whole picture.
dark_box() {
  awk -v x0="${2:--1}" -v y0="${3:--1}" -v x1="${4:-1e9}" -v y1="${5:-1e9}" '
    $1 >= x0 && $1 <= x1 && $2 >= y0 && $2 <= y1 && $3 + $4 + $5 < 3 * 100 {
      n++
      if (n == 1 || $1 < ax) ax = $1; if (n == 1 || $2 < ay) ay = $2
      if (n == 1 || $1 > bx) bx = $1; if (n == 1 || $2 > by) by = $2 }
    END { printf "%d %d %d %d %d\n", n, ax, ay, bx, by }' "$X11_TMP/$1.txt"
}

# pixel NAME X Y: "r g b" of one pixel of a screenshot.
pixel() {
  awk -v x="$2" -v y="$3" '$1 == x && $2 == y { print $3, $4, $5 }' "$X11_TMP/$1.txt"
}
