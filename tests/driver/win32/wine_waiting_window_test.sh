#!/usr/bin/env bash
# The Win32 waiting window under Wine on a private Xvfb display: caption "Form1" (its class
# too), no menu, a client area of 280 x 179 (the X window Wine makes for it), Label1
# "Attendere" at 64, 64, 177 x 53 with its dark pixels inside that box, painted before
# showWaitingWindow returned (the probe dispatches no paint afterwards), and the form's grey
# around it.
# Usage: wine_waiting_window_test.sh WINDOWS-BUILD NATIVE-BUILD SOURCE-DIR
set -u
# shellcheck source=tests/driver/win32/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"
wine_window_start

mkfifo "$X11_TMP/hold"
wine_run 60 "$probe" window <"$X11_TMP/hold" >"$X11_TMP/out" 2>"$X11_TMP/err" &
pid=$!
X11_CHILDREN+=("$pid")
exec 7>"$X11_TMP/hold"
wait_until 30 grep -q '^ready' "$X11_TMP/out" || fail "showWaitingWindow did not return: $(cat "$X11_TMP/out" "$X11_TMP/err")"
tr -d '\r' <"$X11_TMP/out" >"$X11_TMP/said"
cat "$X11_TMP/said"

# What Windows itself says of the window.
grep -qx 'client 280 179' "$X11_TMP/said" || fail "client area: $(grep client "$X11_TMP/said")"
grep -qx 'label 64 64 177 53 Attendere' "$X11_TMP/said" || fail "Label1: $(grep label "$X11_TMP/said")"
grep -qx 'menu no' "$X11_TMP/said" || fail "the window has a menu"
grep -qx 'class Form1 caption Form1' "$X11_TMP/said" || fail "$(grep class "$X11_TMP/said")"
# MS Sans Serif (or its substitute), bold, 24 points (32 pixels) or, where the substitute
# would not fit "Attendere" in the label, the size it fits at.
read -r _ height weight face <<<"$(grep '^font ' "$X11_TMP/said")"
((height >= -32 && height <= -8 && weight == 700)) && [ "$face" = "MS Sans Serif" ] ||
  fail "Label1's font: $(grep font "$X11_TMP/said")"
read -r _ advance <<<"$(grep '^advance ' "$X11_TMP/said")"
echo "Label1's text is $advance pixels wide in its font (height $height)"
((advance > 0 && advance <= 175)) || fail "\"Attendere\" is $advance pixels wide: it does not fit"
read -r _ ww wh <<<"$(grep '^window ' "$X11_TMP/said")"
((ww > 280 && wh > 179)) || fail "the window ($ww x $wh) has no frame around its client area"

# What the display shows: Wine's X window for Form1 is its client area.
wait_until 10 window_named Form1 || fail "no single window named Form1 on the display"
win=$(window_named Form1)
wait_until 5 bash -c "xwininfo -id $win | grep -q IsViewable" || fail "Form1 is not viewable"
geometry=$(xwininfo -id "$win")
grep -q 'Width: 280$' <<<"$geometry" || fail "width: $geometry"
grep -q 'Height: 179$' <<<"$geometry" || fail "height: $geometry"

# The paint reaches the display a moment after the window is mapped.
painted() {
  screenshot "$win" form
  read -r count x0 y0 x1 y1 <<<"$(dark_box form)"
  ((count >= 300))
}
for _ in $(seq 20); do
  if painted; then break; fi
  sleep 0.2
done
echo "form: $count dark pixels in x $x0..$x1, y $y0..$y1"
((count >= 300)) || fail "Label1's text is missing ($count dark pixels)"
((x0 >= 64 && y0 >= 64 && x1 <= 240 && y1 <= 116)) || fail "dark pixels outside Label1's box"
# The whole word: its ink stops two pixels or more before the label's right edge (x 240), and
# is as wide as the font's advance, so that a clipped word fails.
((x1 <= 238)) || fail "the text reaches x $x1, the label's right edge (clipped?)"
ink=$((x1 - x0 + 1))
((ink >= advance - 6 && ink <= advance + 2)) || fail "the ink is $ink pixels wide, the advance $advance"
((x0 <= 72 && y0 <= 80)) || fail "the text does not start at the label's top-left"
((x1 - x0 >= 120)) || fail "the text is too narrow for \"Attendere\" ($x0..$x1)"
# One light grey around the label: the form's button face, which Label1 shares.
face=$(pixel form 0 0)
read -r r g b <<<"$face"
((r >= 192 && r == g && g == b)) || fail "the background is $face, not a light grey"
for at in "279 178" "30 100" "260 30" "66 112"; do
  read -r px py <<<"$at"
  [ "$(pixel form "$px" "$py")" = "$face" ] || fail "background at $at is $(pixel form "$px" "$py"), not $face"
done

exec 7>&-
wait_exit 20 "$pid" || fail "closeWaitingWindow did not return"
[ "$EXIT_STATUS" = 0 ] || fail "probe exit status $EXIT_STATUS: $(cat "$X11_TMP/err")"
wait_until 5 bash -c "[ -z \"\$(xdotool search --name '^Form1\$' 2>/dev/null)\" ]" ||
  fail "Form1 still exists after closing"
echo "PASS: waiting window"
