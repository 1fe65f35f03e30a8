#!/usr/bin/env bash
# The default build leaves the same files, byte for byte, and ends with the same status whether
# it shows its waiting window on a display or runs without one.
# Usage: x11_same_files_test.sh PATH-OF-scenario-compactor SOURCE-DIR
set -u
# shellcheck source=tests/driver/x11_lib.sh
source "$(dirname "$0")/x11_lib.sh"
exe=$1
x11_require_tools
command -v xev >/dev/null || fail "xev is missing (scripts/install-deps.sh installs x11-utils)"
start_xvfb

# Every top-level window created on the display, to see that the windowed run showed one.
# On a busy machine a client now and then fails to connect at its first try: xev is started
# again until it listens.
xev_ready() {
  xprop -root -f _SC_XEV_READY 8s -set _SC_XEV_READY 1
  grep -q _SC_XEV_READY "$X11_TMP/xev.log"
}
listening=no
for _ in 1 2 3 4 5; do
  stdbuf -oL xev -root -event substructure -event property >"$X11_TMP/xev.log" 2>&1 &
  xev_pid=$!
  X11_CHILDREN+=("$xev_pid")
  if wait_until 10 xev_ready; then
    listening=yes
    break
  fi
  kill "$xev_pid" 2>/dev/null
done
[ "$listening" = yes ] || fail "xev did not start listening: $(head -c 300 "$X11_TMP/xev.log")"

# Should the build end in errore, its box is answered with Return, as a user would.
xdotool search --sync --name '^scenario-compactor$' key --window %1 Return >/dev/null 2>&1 &
X11_CHILDREN+=($!)

mkdir "$X11_TMP/with" "$X11_TMP/without"
cp "$exe" "$X11_TMP/with/scenario-compactor"
cp "$exe" "$X11_TMP/without/scenario-compactor"
(cd / && timeout 120 "$X11_TMP/with/scenario-compactor" </dev/null >"$X11_TMP/with.out" 2>"$X11_TMP/with.err")
with=$?
(cd / && env -u DISPLAY timeout 120 "$X11_TMP/without/scenario-compactor" </dev/null \
  >"$X11_TMP/without.out" 2>"$X11_TMP/without.err")
without=$?
echo "exit status with a display: $with, without: $without"
((with != 124 && without != 124)) || fail "a build did not end within 120 s"
[ "$with" = "$without" ] || fail "exit status $with with a display, $without without"
cmp "$X11_TMP/with.err" "$X11_TMP/without.err" >/dev/null ||
  fail "different messages: $(cat "$X11_TMP/with.err") / $(cat "$X11_TMP/without.err")"

(cd "$X11_TMP/with" && find . -type f | sort) >"$X11_TMP/with.list"
(cd "$X11_TMP/without" && find . -type f | sort) >"$X11_TMP/without.list"
diff "$X11_TMP/with.list" "$X11_TMP/without.list" >&2 || fail "different sets of files"
files=0
while read -r f; do
  cmp "$X11_TMP/with/$f" "$X11_TMP/without/$f" || fail "$f differs"
  files=$((files + 1))
done <"$X11_TMP/with.list"
echo "$files files identical (the program among them)"
((files > 1)) || fail "the build wrote no file"

# The program itself links nothing of X11 or the fonts: without a display none of it is loaded.
if ldd "$exe" | grep -E 'lib(X11|Xft|fontconfig|freetype)\.so' >&2; then
  fail "the program links the X11 or font libraries itself"
fi
mkdir "$X11_TMP/loaded"
cp "$exe" "$X11_TMP/loaded/scenario-compactor"
(cd / && env -u DISPLAY LD_DEBUG=files "$X11_TMP/loaded/scenario-compactor" </dev/null \
  >/dev/null 2>"$X11_TMP/loaded.log")
if grep -E 'file=[^ ]*(X11|Xft|fontconfig|freetype)' "$X11_TMP/loaded.log" >&2; then
  fail "a run without a display loaded X11 or font libraries"
fi
echo "a run without a display loads nothing of X11 or the fonts"

# A program built with the X11 platform (its module beside the program in the build folder)
# shows its 280 x 179 window on the display; without it it stays headless everywhere.
if [ -f "$(dirname "$exe")/scenario-compactor-x11.so" ]; then
  grep -q 'width 280, height 179' "$X11_TMP/xev.log" || fail "the windowed run showed no waiting window"
  grep -q '^MapNotify' "$X11_TMP/xev.log" || fail "the waiting window was never mapped"
  echo "the windowed run showed its waiting window"
fi
echo "PASS: same files with and without a display"
