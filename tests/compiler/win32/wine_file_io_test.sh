#!/usr/bin/env bash
# The Win32 file primitives under the shared delivery, under Wine: the Nth write, flush or
# rename fails, for every N over a whole default build and a whole compile; after each, every
# destination is the old file or the new one, never a mix or a cut file, and no temporary
# file is left (the probe checks, as tests/compiler/file_io_test.cpp does on Linux).
# Usage: wine_file_io_test.sh WINDOWS-BUILD NATIVE-BUILD SOURCE-DIR
set -u
# shellcheck source=tests/driver/win32/wine_lib.sh
source "$(dirname "$0")/../../driver/win32/wine_lib.sh"
wine_start
unset DISPLAY
mkdir "$X11_TMP/faults"
wine_run 120 "$WIN_BUILD/win32_probe.exe" faults "$(win_path "$X11_TMP/faults")" >"$X11_TMP/out" 2>&1
status=$?
tr -d '\r' <"$X11_TMP/out"
((status == 0)) || fail "status $status"
read -r _ build compile <<<"$(tr -d '\r' <"$X11_TMP/out" | grep '^steps ')"
((build > 20 && compile > 10)) || fail "too few steps to mean anything: $build, $compile"
echo "PASS: all old or all new after a failure at each of $build + $compile steps"
