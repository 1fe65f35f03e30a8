#!/usr/bin/env bash
# The waiting window on a private Xvfb display: caption "Form1", client area 280 x 179, Label1
# "Attendere" painted inside its box (64, 64, 177 x 53) before showWaitingWindow returns, gone
# when the window is closed.
# Usage: x11_waiting_window_test.sh PATH-OF-scenario-compactor SOURCE-DIR
set -u
# shellcheck source=tests/driver/x11_lib.sh
source "$(dirname "$0")/x11_lib.sh"
start_probe_display "$1"

mkfifo "$X11_TMP/hold"
# On a busy machine a client now and then fails to connect at its first try and the probe
# shows no window (its font line is then empty); it is started again then.
for attempt in 1 2 3; do
  "$probe" window <"$X11_TMP/hold" >"$X11_TMP/out" 2>"$X11_TMP/err" &
  pid=$!
  X11_CHILDREN+=("$pid")
  exec 7>"$X11_TMP/hold"
  wait_until 30 grep -q '^shown$' "$X11_TMP/out" || fail "showWaitingWindow did not return: $(cat "$X11_TMP/err")"
  grep -q '^font .' "$X11_TMP/out" && break
  exec 7>&-
  wait "$pid" 2>/dev/null
done

# Found by its caption, through both WM_NAME and _NET_WM_NAME.
win=$(window_named Form1) || fail "no single window named Form1"
xprop -id "$win" WM_NAME | grep -qx 'WM_NAME(STRING) = "Form1"' || fail "WM_NAME: $(xprop -id "$win" WM_NAME)"
xprop -id "$win" _NET_WM_NAME | grep -qx '_NET_WM_NAME(UTF8_STRING) = "Form1"' ||
  fail "_NET_WM_NAME: $(xprop -id "$win" _NET_WM_NAME)"
geometry=$(xwininfo -id "$win")
grep -q 'Width: 280$' <<<"$geometry" || fail "width: $geometry"
grep -q 'Height: 179$' <<<"$geometry" || fail "height: $geometry"
grep -q 'Map State: IsViewable' <<<"$geometry" || fail "not viewable: $geometry"
# The window manager places it: the program asks for no position.
xprop -id "$win" WM_NORMAL_HINTS | grep -qi 'specified location' && fail "the window asks for a position"

# The probe handles no events after showWaitingWindow returned: what is on the screen now was
# painted before it returned.
screenshot "$win" form
read -r count x0 y0 x1 y1 <<<"$(dark_box form)"
echo "form: $count dark pixels in x $x0..$x1, y $y0..$y1"
((count >= 300)) || fail "Label1's text is missing ($count dark pixels)"
((x0 >= 64 && y0 >= 64 && x1 <= 240 && y1 <= 116)) || fail "dark pixels outside Label1's box"
# The text starts at the label's top-left corner and runs across most of its width.
((x0 <= 72 && y0 <= 80)) || fail "the text does not start at the label's top-left"
((x1 - x0 >= 120)) || fail "the text is too narrow for \"Attendere\" ($x0..$x1)"
# The whole word: its ink stops two pixels or more before the label's right edge (x 240), and
# is as wide as the chosen font's advance of "Attendere", so that a clipped word fails.
grep '^font ' "$X11_TMP/out"
advance=$(sed -n 's/^font .*, advance \([0-9]*\)$/\1/p' "$X11_TMP/out")
[ -n "$advance" ] || fail "the probe did not say the label's font"
((x1 <= 238)) || fail "the text reaches x $x1, the label's right edge (clipped?)"
ink=$((x1 - x0 + 1))
((ink >= advance - 6 && ink <= advance + 2)) || fail "the ink is $ink pixels wide, the advance $advance"
# The form's grey background around the label.
for at in "0 0" "279 178" "30 100" "260 30"; do
  read -r px py <<<"$at"
  rgb=$(pixel form "$px" "$py")
  [ "$rgb" = "240 240 240" ] || fail "background at $at is $rgb, not the button-face grey"
done

# Closing the window (standard input closes) ends the probe and removes the window.
exec 7>&-
wait_exit 10 "$pid" || fail "closeWaitingWindow did not return"
[ "$EXIT_STATUS" = 0 ] || fail "probe exit status $EXIT_STATUS: $(cat "$X11_TMP/err")"
[ -z "$(xdotool search --name '^Form1$' 2>/dev/null)" ] || fail "Form1 still exists after closing"
# Nothing on standard error but, where the font had to be taken down to fit, that one line.
! grep -v 'pixels wide in the label' "$X11_TMP/err" >/dev/null || fail "unexpected messages: $(cat "$X11_TMP/err")"

# The display goes away under the shown window (a dropped remote session): closing it later
# still ends normally and quietly, so a build would end with its own status.
"$probe" window <"$X11_TMP/hold" >"$X11_TMP/out" 2>"$X11_TMP/err" &
pid=$!
X11_CHILDREN+=("$pid")
exec 7>"$X11_TMP/hold"
wait_until 10 grep -q '^shown$' "$X11_TMP/out" || fail "showWaitingWindow did not return"
stop_xvfb
exec 7>&-
wait_exit 10 "$pid" || fail "closeWaitingWindow did not return after the display went away"
[ "$EXIT_STATUS" = 0 ] || fail "exit status $EXIT_STATUS after the display went away"
! grep -v 'pixels wide in the label' "$X11_TMP/err" >/dev/null || fail "unexpected messages: $(cat "$X11_TMP/err")"
echo "PASS: waiting window"
