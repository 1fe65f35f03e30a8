#!/usr/bin/env bash
# Ctrl+C (Wine turns SIGINT into the console's CTRL_C_EVENT) during a long compile of the
# Windows console program: it ends with 130 as on Linux, the private working folder and every
# temporary file are gone, and the compiled set is entirely old or entirely new.
# Usage: wine_interrupt_test.sh WINDOWS-BUILD NATIVE-BUILD SOURCE-DIR
set -u
# shellcheck source=tests/driver/win32/wine_lib.sh
source "$(dirname "$0")/../../driver/win32/wine_lib.sh"
wine_start
unset DISPLAY
S=Torvel_Dolvera
T=565
big="$X11_TMP/big"
mkdir "$big"
"$NATIVE_BUILD/scenario-compactor" export "$big" >/dev/null || fail "export failed"
# Rows no rule takes, before the end, so that the compile takes a while.
perl -0pi -e 's/\[fine\]/"nota, 1, 2, 3, 4, 5, 6, 7, 8, 9\r\n" x 1500000 . "[fine]"/e' \
  "$big/${S}_linea.txt"

for delay in 0 0.2 0.5; do
  o="$X11_TMP/out-$delay"
  mkdir "$o"
  for name in "${S}_linea.dat" "${S}_${T}.sim" "${S}_${T}.dat"; do echo earlier >"$o/$name"; done
  "$WINE" "$WIN_BUILD/scenario-compactor-cli.exe" compile "$(win_path "$big/${S}_linea.txt")" \
    "$(win_path "$big/${S}_${T}-.txt")" -o "$(win_path "$o")" >"$X11_TMP/out" 2>&1 &
  pid=$!  # Wine itself, not a time limit in between: the signal goes to the program
  X11_CHILDREN+=("$pid")
  wait_until 30 compgen -G "$o/.scenario-compactor-*" || fail "the compile made no working folder"
  sleep "$delay"
  kill -INT "$pid"
  wait_exit 30 "$pid" || fail "the compile did not end after Ctrl+C"
  echo "Ctrl+C after $delay s: status $EXIT_STATUS, left: $(ls -A "$o" | tr '\n' ' ')"
  [ "$EXIT_STATUS" = 130 ] || fail "status $EXIT_STATUS, not 130: $(cat "$X11_TMP/out")"
  [ -z "$(cd "$o" && find . -name '.*' ! -name .)" ] || fail "debris left: $(cd "$o" && find . -name '.*' -exec ls -ld {} +)"
  olds=$(grep -lx earlier "$o"/* 2>/dev/null | wc -l)
  [ "$olds" = 0 ] || [ "$olds" = 3 ] || fail "a mixed set: $olds of 3 files are the earlier ones"
done
echo "PASS: Ctrl+C leaves no debris"
