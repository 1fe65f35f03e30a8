#!/usr/bin/env bash
# errore's box under Wine on a private Xvfb display, raised by a real stamp: the probe writes
# the built-in texts with a speed board at metre 0, so that the stamp finds cell 1 taken and
# reports 1250. The box is the system's: titled "scenario-compactor", owned by the waiting
# window, the text " Errore n. 1250", one button, OK, and no icon. Closing it (Return, or a
# click on OK) ends the program with status 2 and no compiled file; the source texts are gone.
# Usage: wine_message_box_test.sh WINDOWS-BUILD NATIVE-BUILD SOURCE-DIR
set -u
# shellcheck source=tests/driver/win32/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"
wine_window_start

# True when the box appears within 30 s; false when the probe ends first or the time runs out.
box_appears() {
  local i
  for ((i = 0; i < 600; i++)); do
    window_named scenario-compactor >/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# Starts the probe and waits for its box; sets pid, box and folder.
# On a busy machine Wine's client now and then fails to reach the display at its first try,
# and the probe's errore then ends without a box; it is started again then (twice at most).
open_box() {
  local try
  for try in 1 2 3; do
    folder="$X11_TMP/build-$1-$try"
    mkdir "$folder"
    wine_run 60 "$probe" errore "$(win_path "$folder")" </dev/null >"$X11_TMP/out" 2>"$X11_TMP/err" &
    pid=$!
    X11_CHILDREN+=("$pid")
    box_appears && break
    [ "$try" = 3 ] && fail "no message box appeared: $(cat "$X11_TMP/out" "$X11_TMP/err")"
    echo "no box at try $try: $(tr -d '\r' <"$X11_TMP/err"); starting the probe again"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  done
  box=$(window_named scenario-compactor)
  wait_until 5 bash -c "xwininfo -id $box | grep -q IsViewable" || fail "the box is not viewable"
  wait_until 10 grep -q '^described' "$X11_TMP/out" || fail "the probe did not describe the box: $(cat "$X11_TMP/out")"
}

# The probe must end within the time limit with errore's status, leaving nothing compiled.
expect_errore_end() {
  wait_exit 20 "$pid" || fail "$1: errore did not return"
  [ "$EXIT_STATUS" = 2 ] || fail "$1: exit status $EXIT_STATUS, not 2: $(cat "$X11_TMP/err")"
  [ "$(tr -d '\r' <"$X11_TMP/err")" = " Errore n. 1250" ] || fail "$1: standard error: $(cat "$X11_TMP/err")"
  [ -z "$(ls -A "$folder")" ] || fail "$1: files left after errore: $(ls -A "$folder")"
}

open_box return
tr -d '\r' <"$X11_TMP/out" >"$X11_TMP/said"
cat "$X11_TMP/said"
# What Windows says of the box: owned by the form; the text, one OK button, no icon.
grep -qx 'box owner form' "$X11_TMP/said" || fail "the box is not owned by the waiting window"
grep -qx 'control static \[ Errore n. 1250\]' "$X11_TMP/said" || fail "no text \" Errore n. 1250\""
[ "$(grep -c '^control button' "$X11_TMP/said")" = 1 ] || fail "not exactly one button"
grep -qx 'control button \[OK\]' "$X11_TMP/said" || fail "the button is not OK"
! grep -q '^control icon' "$X11_TMP/said" || fail "the box shows an icon"
# ... and what the display shows: a dialog transient for Form1, text and button, nothing left
# of the text.
form=$(window_named Form1) || fail "no waiting window behind the box"
transient=$(xprop -id "$box" WM_TRANSIENT_FOR | sed -n 's/.*window id # //p')
[ "$((transient))" = "$form" ] || fail "transient for '$transient', not the waiting window $form"
read -r w h <<<"$(xwininfo -id "$box" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w, h}')"
echo "box: ${w}x${h}"
screenshot "$box" box
read -r tn tx0 ty0 tx1 ty1 <<<"$(dark_box box 0 0 $((w - 1)) $((h / 2 - 1)))"
echo "text: $tn dark pixels in x $tx0..$tx1, y $ty0..$ty1"
((tn >= 40 && tx1 - tx0 >= 50 && ty1 - ty0 <= 20)) || fail "no one-line text in the upper half"
read -r bn bx0 by0 bx1 by1 <<<"$(dark_box box 0 $((h / 2)) $((w - 1)) $((h - 1)))"
echo "button: $bn dark pixels in x $bx0..$bx1, y $by0..$by1"
((bn >= 60 && bx1 - bx0 >= 40)) || fail "no button in the lower half"
read -r ln _ <<<"$(dark_box box 0 0 $((tx0 - 1)) $((h / 2 - 1)))"
((ln == 0)) || fail "something is drawn left of the text (an icon?)"

sleep 0.3
kill -0 "$pid" 2>/dev/null || fail "errore returned while its box was still open"
xdotool key Return
expect_errore_end "Return"
wait_until 5 bash -c "[ -z \"\$(xdotool search --name '^(scenario-compactor|Form1)\$' 2>/dev/null)\" ]" ||
  fail "the box or the waiting window is still there"

# A click on OK closes it too.
open_box click
xdotool mousemove --window "$box" $(((bx0 + bx1) / 2)) $(((by0 + by1) / 2)) click 1
expect_errore_end "click"
# The program itself, when the file system stops its build (a folder stands at the name of the
# notes): with no console to print on, it says why in the same kind of box, then ends with the
# Linux build's status, 3.
for side in linux windows; do
  mkdir -p "$X11_TMP/$side/Torvel_Dolvera_565_note.txt"
done
cp "$NATIVE_BUILD/scenario-compactor" "$X11_TMP/linux/"
(cd / && env -u DISPLAY "$X11_TMP/linux/scenario-compactor" >/dev/null 2>&1)
linux_status=$?
cp "$WIN_BUILD/scenario-compactor.exe" "$X11_TMP/windows/"
wine_run 60 "$(win_path "$X11_TMP/windows/scenario-compactor.exe")" </dev/null >"$X11_TMP/out" 2>&1 &
pid=$!
X11_CHILDREN+=("$pid")
wait_until 30 window_named scenario-compactor || fail "no box for the failed build"
box=$(window_named scenario-compactor)
wait_until 5 bash -c "xwininfo -id $box | grep -q IsViewable" || fail "the box is not viewable"
read -r w h <<<"$(xwininfo -id "$box" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w, h}')"
screenshot "$box" failed
read -r tn _ <<<"$(dark_box failed 0 0 $((w - 1)) $((h / 2 - 1)))"
echo "failed build: a ${w}x${h} box, $tn dark pixels of text"
((tn >= 100 && w > 200)) || fail "the box shows no message"
xdotool key Return
wait_exit 20 "$pid" || fail "the program did not end after its box"
[ "$EXIT_STATUS" = "$linux_status" ] && [ "$linux_status" = 3 ] ||
  fail "exit status $EXIT_STATUS, on Linux $linux_status"
echo "PASS: message box"
