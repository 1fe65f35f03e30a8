#!/usr/bin/env bash
# A compiled file that cannot be replaced (made immutable): the build fails with status 3,
# naming it, and no compiled file of the set is replaced, so inspect still finds the earlier
# set whole. Needs root and a file system with chattr; skipped (77) elsewhere.
# Usage: immutable_output_test.sh PATH/TO/scenario-compactor SOURCE_DIR
set -uo pipefail

exe=${1:?usage: immutable_output_test.sh EXE SRCDIR}
scratch=$(mktemp -d)
cleanup() {
  chattr -i "$scratch"/prog/* 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

S=Torvel_Dolvera
T=565
prog=$scratch/prog
mkdir -p "$prog"
cp "$exe" "$prog/scenario-compactor"
"$prog/scenario-compactor" 2>/dev/null || { echo "the default build fails" >&2; exit 1; }
if ! chattr +i "$prog/${S}_${T}.dat" 2>/dev/null; then
  echo "SKIP: chattr +i is not available here (needs root and a file system that has it)"
  exit 77
fi
# The earlier set differs from what the build writes: the plan file is an earlier one.
chattr -i "$prog/${S}_${T}.dat"
printf 'earlier plan' >"$prog/${S}_linea.dat"
cp "$prog/${S}_${T}.sim" "$scratch/sim"
chattr +i "$prog/${S}_${T}.dat"

"$prog/scenario-compactor" 2>"$scratch/err"
status=$?
fails=0
[ "$status" = 3 ] || { echo "FAILED: status $status, expected 3" >&2; fails=1; }
grep -qF "${S}_${T}.dat" "$scratch/err" || { echo "FAILED: the message does not name the cell file" >&2; fails=1; }
[ "$(cat "$prog/${S}_linea.dat")" = "earlier plan" ] || { echo "FAILED: the plan file was replaced" >&2; fails=1; }
cmp -s "$scratch/sim" "$prog/${S}_${T}.sim" || { echo "FAILED: the record file changed" >&2; fails=1; }
left=$(find "$prog" -maxdepth 1 -name '.*' ! -name . | head -3)
[ -z "$left" ] || { echo "FAILED: left behind: $left" >&2; fails=1; }
[ "$fails" = 0 ] && echo "immutable output: passed"
exit "$fails"
