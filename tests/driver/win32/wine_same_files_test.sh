#!/usr/bin/env bash
# The Windows program under Wine, started as by a double click in a folder whose name is not
# ASCII: it leaves the same six files, byte for byte, as the Linux build and neither source
# text, and ends with the same status; a second run leaves the same bytes again. The two
# source texts themselves, as export writes them, are the Linux ones too.
# Usage: wine_same_files_test.sh WINDOWS-BUILD NATIVE-BUILD SOURCE-DIR
set -u
# shellcheck source=tests/driver/win32/wine_lib.sh
source "$(dirname "$0")/wine_lib.sh"
wine_start
unset DISPLAY  # the window needs no display here; the window tests look at it

linux="$X11_TMP/linux"
windows="$X11_TMP/Città di Dolvera ñ"
mkdir "$linux" "$windows"
cp "$NATIVE_BUILD/scenario-compactor" "$linux/"
cp "$WIN_BUILD/scenario-compactor.exe" "$windows/"
(cd / && timeout 120 "$linux/scenario-compactor" </dev/null >"$X11_TMP/linux.out" 2>&1)
linux_status=$?

listing() { (cd "$1" && find . -type f ! -name 'scenario-compactor*' | sort); }
for run in 1 2; do
  start=$(date +%s%N)
  (cd / && wine_run 120 "$(win_path "$windows/scenario-compactor.exe")" </dev/null \
    >"$X11_TMP/windows.out" 2>&1)
  status=$?
  echo "run $run: exit status $status in $((($(date +%s%N) - start) / 1000000)) ms"
  ((status != 124)) || fail "the Windows build did not end within 120 s"
  [ "$status" = "$linux_status" ] || fail "exit status $status, on Linux $linux_status: $(cat "$X11_TMP/windows.out")"
  [ "$(listing "$windows")" = "$(listing "$linux")" ] ||
    fail "run $run left other files: $(listing "$windows") / on Linux: $(listing "$linux")"
  while read -r f; do
    cmp "$linux/$f" "$windows/$f" || fail "run $run: $f differs from the Linux build's"
  done < <(listing "$linux")
done
[ "$(listing "$linux" | wc -l)" = 6 ] || fail "the Linux build left $(listing "$linux" | wc -l) files, not 6"
for source in Torvel_Dolvera_linea.txt Torvel_Dolvera_565-.txt; do
  [ ! -e "$windows/$source" ] || fail "the source text $source is left behind"
done
# Nothing staged or kept is left beside the files.
[ -z "$(cd "$windows" && find . -name '.*' ! -name .)" ] || fail "temporary files left: $(ls -A "$windows")"

# export: the five texts, the two source texts among them, with the CR LF of the Linux build.
cp "$WIN_BUILD/scenario-compactor-cli.exe" "$windows/"
mkdir "$X11_TMP/export-linux" "$X11_TMP/export-windows"
"$NATIVE_BUILD/scenario-compactor" export "$X11_TMP/export-linux" || fail "Linux export failed"
wine_run 60 "$(win_path "$windows/scenario-compactor-cli.exe")" export \
  "$(win_path "$X11_TMP/export-windows")" >"$X11_TMP/export.out" 2>&1 ||
  fail "export failed: $(cat "$X11_TMP/export.out")"
[ "$(listing "$X11_TMP/export-windows")" = "$(listing "$X11_TMP/export-linux")" ] ||
  fail "export wrote other files: $(listing "$X11_TMP/export-windows")"
while read -r f; do
  cmp "$X11_TMP/export-linux/$f" "$X11_TMP/export-windows/$f" || fail "export: $f differs"
done < <(listing "$X11_TMP/export-linux")
grep -c $'\r$' "$X11_TMP/export-windows/Torvel_Dolvera_linea.txt" >/dev/null || fail "no CR LF in the texts"
echo "PASS: the Windows build leaves the Linux build's files"
