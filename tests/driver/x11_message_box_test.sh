#!/usr/bin/env bash
# errore's message box on a private Xvfb display: a modal dialog titled "scenario-compactor",
# transient for the waiting window, showing its text and one OK button; errore returns, and the
# program ends with status 2, when the box is closed by Return, Space, Escape, a click on OK or
# the window manager's close, and when the display goes away under it.
# Usage: x11_message_box_test.sh PATH-OF-scenario-compactor SOURCE-DIR
set -u
# shellcheck source=tests/driver/x11_lib.sh
source "$(dirname "$0")/x11_lib.sh"
start_probe_display "$1"

# Starts the probe's errore and waits for its box; sets pid and box.
# On a busy machine a client now and then fails to connect at its first try and the probe
# runs without a window; it is started again then.
open_box() {
  local attempt
  for attempt in 1 2 3; do
    "$probe" errore >"$X11_TMP/out" 2>"$X11_TMP/err" </dev/null &
    pid=$!
    X11_CHILDREN+=("$pid")
    wait_until 30 bash -c "xdotool search --name '^scenario-compactor\$' >/dev/null 2>&1 || ! kill -0 $pid 2>/dev/null"
    window_named scenario-compactor >/dev/null && break
    wait "$pid" 2>/dev/null
  done
  wait_until 30 window_named scenario-compactor || fail "no message box appeared: $(cat "$X11_TMP/err")"
  box=$(window_named scenario-compactor)
  wait_until 15 bash -c "xwininfo -id $box | grep -q IsViewable" || fail "the box is not viewable"
  # It takes the keyboard focus, so that Return, Space and Escape reach it.
  wait_until 15 bash -c "[ \"\$(xdotool getwindowfocus)\" = $box ]" || fail "the box did not take the focus"
}

# The probe must end within the time limit with errore's status, having said the message.
expect_errore_end() {
  wait_exit 30 "$pid" || fail "$1: errore did not return"
  [ "$EXIT_STATUS" = 2 ] || fail "$1: exit status $EXIT_STATUS, not 2: $(cat "$X11_TMP/err")"
  [ "$(cat "$X11_TMP/err")" = " Errore n. 1250" ] || fail "$1: standard error: $(cat "$X11_TMP/err")"
}

# --- How the box looks, and that it holds errore until closed (closed here by Return). ---
open_box
form=$(window_named Form1) || fail "no waiting window behind the box"
xprop -id "$box" WM_NAME | grep -qx 'WM_NAME(STRING) = "scenario-compactor"' || fail "title: $(xprop -id "$box" WM_NAME)"
xprop -id "$box" _NET_WM_WINDOW_TYPE | grep -q '= _NET_WM_WINDOW_TYPE_DIALOG$' || fail "not a dialog"
xprop -id "$box" _NET_WM_STATE | grep -q '_NET_WM_STATE_MODAL' || fail "not modal"
transient=$(xprop -id "$box" WM_TRANSIENT_FOR | sed -n 's/.*window id # //p')
[ "$((transient))" = "$form" ] || fail "transient for '$transient', not the waiting window $form"

read -r w h <<<"$(xwininfo -id "$box" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w, h}')"
echo "box: ${w}x${h}"
# The box paints on its first Expose, a moment after it is mapped.
button_painted() {
  screenshot "$box" box
  read -r bn bx0 by0 bx1 by1 <<<"$(dark_box box 0 $((h / 2)) $((w - 1)) $((h - 1)))"
  ((bn >= 100))
}
for _ in 1 2 3 4 5 6 7 8 9 10; do
  if button_painted; then break; fi
  sleep 0.2
done
# The OK button: a black frame in the lower part; the text: dark pixels above it.
echo "button: $bn dark pixels in x $bx0..$bx1, y $by0..$by1"
((bn >= 100 && bx1 - bx0 >= 60 && by1 - by0 >= 18)) || fail "no OK button in the lower half"
((by1 < h - 4 && bx0 > 4 && bx1 < w - 4)) || fail "the button touches the edge of the box"
read -r tn tx0 ty0 tx1 ty1 <<<"$(dark_box box 0 0 $((w - 1)) $((by0 - 2)))"
echo "text: $tn dark pixels in x $tx0..$tx1, y $ty0..$ty1"
# " Errore n. 1250": fifteen characters in one line at about 12 pixels.
((tn >= 60 && tx1 - tx0 >= 60 && ty1 - ty0 >= 7 && ty1 - ty0 <= 20)) || fail "no one-line message text above the button"
# The same grey as the waiting window, with no icon: nothing dark left of the text.
[ "$(pixel box 1 1)" = "240 240 240" ] || fail "box background is $(pixel box 1 1)"
read -r ln _ <<<"$(dark_box box 0 0 $((tx0 - 1)) $((by0 - 2)))"
((ln == 0)) || fail "something is drawn left of the text (an icon?)"

sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "errore returned while its box was still open"
xdotool key Return
expect_errore_end "Return"
[ -z "$(xdotool search --name '^scenario-compactor$' 2>/dev/null)" ] || fail "the box is still there"
[ -z "$(xdotool search --name '^Form1$' 2>/dev/null)" ] || fail "the waiting window is still there"

# --- The other ways of closing it. ---
for how in space Escape click wm-close; do
  open_box
  case $how in
    click)
      # Down and up on the middle of the button.
      xdotool mousemove --window "$box" $(((bx0 + bx1) / 2)) $(((by0 + by1) / 2)) click 1
      ;;
    wm-close) "$probe" delete "$box" || fail "could not send WM_DELETE_WINDOW" ;;
    *) xdotool key "$how" ;;
  esac
  expect_errore_end "$how"
done

# A click that leaves the button before the release does not close the box.
open_box
xdotool mousemove --window "$box" $(((bx0 + bx1) / 2)) $(((by0 + by1) / 2)) mousedown 1 \
  mousemove --window "$box" 2 2 mouseup 1
sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "a click released off the button closed the box"
xdotool key Return
expect_errore_end "Return after a cancelled click"

# --- The display goes away while the box is up: errore returns, the program ends as after OK. ---
open_box
stop_xvfb
expect_errore_end "display lost"
echo "PASS: message box"
