#!/usr/bin/env bash
# Safe delivery, end to end through the executable, tried with a hostile eye: inputs named like
# outputs, links planted at output names, interrupts, inputs that are not files or are absurdly
# large, output streams that cannot be written, plan files with impossible coordinates or left
# by an earlier build.
# Usage: safe_delivery_test.sh PATH/TO/scenario-compactor SOURCE_DIR
set -uo pipefail

exe=${1:?usage: safe_delivery_test.sh EXE SRCDIR}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $what" >&2
  fi
}

# run ARGS...: runs the program with a time limit; sets $status, $out and $err.
run() {
  timeout 20 "$exe" "$@" >"$scratch/out" 2>"$scratch/err" </dev/null
  status=$?
  out=$(cat "$scratch/out")
  err=$(cat "$scratch/err")
}
status_is() { [ "$status" = "$1" ] || { echo "  exit status $status, expected $1: $err" >&2; return 1; }; }
err_has() { grep -qF -- "$1" "$scratch/err" || { echo "  stderr lacks '$1': $err" >&2; return 1; }; }
same() { cmp -s "$1" "$2" || { echo "  $2 differs from $1" >&2; return 1; }; }
absent() { [ ! -e "$1" ] && [ ! -L "$1" ] || { echo "  $1 exists" >&2; return 1; }; }
regular() { [ -f "$1" ] && [ ! -L "$1" ] || { echo "  $1 is not a regular file" >&2; return 1; }; }
no_debris() {  # no working folder or temporary file left in the folder
  local left
  left=$(find "$1" -maxdepth 1 -name '.*' ! -name . | head -5)
  [ -z "$left" ] || { echo "  left in $1: $left" >&2; return 1; }
}

S=Torvel_Dolvera
T=565
src=$scratch/src
run export "$src"
check "export" status_is 0
line=$src/${S}_linea.txt
train=$src/${S}_${T}-.txt

# --- no command writes onto a file it reads ------------------------------------------------

# Inputs named like the outputs of the scenario they compile to.
t=$scratch/same
mkdir -p "$t"
cp "$line" "$t/X_linea.dat"
cp "$train" "$t/X_565.sim"
cp "$t/X_linea.dat" "$scratch/keep-line"
cp "$t/X_565.sim" "$scratch/keep-train"
run compile "$t/X_linea.dat" "$t/X_565.sim" -o "$t/" --scenario X --train-number 565
check "inputs named like outputs: refused as usage" status_is 64
check "inputs named like outputs: names the input" err_has "is the input $t/X_linea.dat"
check "inputs named like outputs: line text kept" same "$scratch/keep-line" "$t/X_linea.dat"
check "inputs named like outputs: train text kept" same "$scratch/keep-train" "$t/X_565.sim"
check "inputs named like outputs: nothing else written" absent "$t/X_565.dat"
check "inputs named like outputs: no debris" no_debris "$t"

# The same through another spelling of the folder and through a hard link.
ln "$t/X_565.sim" "$t/hard_565-.txt"
run compile "$t/X_linea.dat" "$t/hard_565-.txt" -o "$t/./" --scenario X
check "input linked to an output: refused" status_is 64

# export keeps texts already there; --force replaces them.
echo "my edit" >>"$line"
cp "$line" "$scratch/edited"
run export "$src"
check "export over texts: refused" status_is 64
check "export over texts: names the file" err_has "${S}_linea.txt: exists"
check "export over texts: edit kept" same "$scratch/edited" "$line"
run export --force "$src"
check "export --force" status_is 0
check "export --force: replaced" same "$src/../src/${S}_linea.txt" "$line"
check "export --force: the edit is gone" test "$(tail -c 8 "$line")" != "my edit"

# plot -o onto a compiled file it draws from.
good=$scratch/good
run compile "$line" "$train" -o "$good"
check "compile" status_is 0
cp "$good/${S}_${T}.dat" "$scratch/keep-dat"
run plot "$good" -o "$good/${S}_${T}.dat"
check "plot onto its own cell file: refused" status_is 64
check "plot onto its own cell file: kept" same "$scratch/keep-dat" "$good/${S}_${T}.dat"

# --- links at destination names --------------------------------------------------------------

shared=$scratch/shared
outside=$scratch/outside
mkdir -p "$shared" "$outside"
chmod 1777 "$shared"
for name in "${S}_linea.dat" "${S}_${T}.sim" "${S}_${T}.dat"; do
  ln -s "$outside/$name" "$shared/$name"
done
run compile "$line" "$train" -o "$shared"
check "dangling links at outputs: compiled" status_is 0
for name in "${S}_linea.dat" "${S}_${T}.sim" "${S}_${T}.dat"; do
  check "dangling link $name: replaced by the file" regular "$shared/$name"
  check "dangling link $name: nothing outside" absent "$outside/$name"
  check "dangling link $name: the compiled bytes" same "$good/$name" "$shared/$name"
done
ln -s "$outside/plot.svg" "$shared/plot.svg"
run plot "$good" -o "$shared/plot.svg"
check "dangling link at plot -o: plotted" status_is 0
check "dangling link at plot -o: replaced" regular "$shared/plot.svg"
check "dangling link at plot -o: nothing outside" absent "$outside/plot.svg"
exp=$scratch/exp
mkdir -p "$exp"
ln -s "$outside/notes" "$exp/${S}_${T}_note.txt"
run export --force "$exp"
check "dangling link at export: exported" status_is 0
check "dangling link at export: replaced" regular "$exp/${S}_${T}_note.txt"
check "dangling link at export: nothing outside" absent "$outside/notes"

# --- interrupts --------------------------------------------------------------------------------

# A line text long enough that the compile takes a while: rows no rule takes, before the end.
big=$scratch/big
mkdir -p "$big"
python3 - "$line" "$big/${S}_linea.txt" <<'EOF'
import sys
text = open(sys.argv[1], 'rb').read()
at = text.index(b'[fine]')
open(sys.argv[2], 'wb').write(text[:at] + b'nota, 1, 2, 3, 4, 5, 6, 7, 8, 9\r\n' * 1500000 + text[at:])
EOF
cp "$train" "$big/"
for sig in INT TERM HUP; do
  o=$scratch/int-$sig
  rm -rf "$o"
  mkdir -p "$o"
  for name in "${S}_linea.dat" "${S}_${T}.sim" "${S}_${T}.dat"; do echo "earlier" >"$o/$name"; done
  "$exe" compile "$big/${S}_linea.txt" "$big/${S}_${T}-.txt" -o "$o" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 1 400); do
    compgen -G "$o/.scenario-compactor-*" >/dev/null && break
    sleep 0.005
  done
  kill -s "$sig" "$pid"
  wait "$pid"
  status=$?
  want=$((128 + $(kill -l "$sig")))
  check "SIG$sig mid-compile: status $want" status_is "$want"
  check "SIG$sig mid-compile: no debris" no_debris "$o"
  olds=$(grep -lx earlier "$o"/* 2>/dev/null | wc -l)
  check "SIG$sig mid-compile: the set is all old or all new" test "$olds" = 0 -o "$olds" = 3
done

# --- bounded input -----------------------------------------------------------------------------

mkfifo "$scratch/fifo.dat"
run inspect "$scratch/fifo.dat"
check "inspect FIFO: refused, not waited on" status_is 3
check "inspect FIFO: says why" err_has "a FIFO, not a regular file"
run compile /dev/zero "$train" --scenario Z -o "$scratch/z"
check "compile /dev/zero: refused" status_is 3
check "compile /dev/zero: says why" err_has "a device, not a regular file"
sparse=$scratch/sparse
cp -r "$good" "$sparse"
truncate -s 1G "$sparse/${S}_linea.dat"
# Memory is bounded to 256 MiB, except under AddressSanitizer, which cannot run so bounded.
limit=262144
ldd "$exe" 2>/dev/null | grep -q libasan && limit=unlimited
(ulimit -v "$limit"; timeout 20 "$exe" inspect "$sparse" >"$scratch/out" 2>"$scratch/err")
status=$?
err=$(cat "$scratch/err")
check "inspect 1 GB plan file: refused within 256 MiB" status_is 3
check "inspect 1 GB plan file: says why" err_has "more than the"
head -c $((65 * 1024 * 1024)) /dev/zero | tr '\0' 'x' >"$scratch/huge_linea.txt"
run compile "$scratch/huge_linea.txt" "$train" --train-number 565 -o "$scratch/h"
check "compile of a 65 MiB text: refused" status_is 3
check "compile of a 65 MiB text: says why" err_has "bytes a source text can have"

# --- impossible coordinates, stale plans -------------------------------------------------------

nan=$scratch/nan
cp -r "$good" "$nan"
# Row 2's x entry starts at byte 8 (rows 0 and 1 are 4-byte integers); its real follows the tag.
printf '\x00\x00\x00\x00\x00\x00\xf8\x7f' | dd of="$nan/${S}_linea.dat" bs=1 seek=10 conv=notrunc 2>/dev/null
run inspect "$nan"
check "inspect NaN coordinate: a problem" status_is 1
check "inspect NaN coordinate: says which" err_has "x of row 2 is nan"
run plot "$nan" -o "$scratch/nan.svg"
check "plot of a file with problems: status 1" status_is 1

stale=$scratch/stale
cp -r "$good" "$stale"
sleep 0.05
run compile "$line" "$train" -o "$stale" --no-plan
check "compile --no-plan" status_is 0
run inspect "$stale"
check "inspect stale plan: not a failure" status_is 0
check "inspect stale plan: warned with both times" err_has "is older than the cell file"
run inspect "$good"
check "inspect fresh set: no warning" test -z "$err"

# --- output streams ----------------------------------------------------------------------------

timeout 20 "$exe" inspect "$good" >/dev/full 2>"$scratch/err"
status=$?
err=$(cat "$scratch/err")
check "inspect >/dev/full: status 3" status_is 3
check "inspect >/dev/full: says so" err_has "standard output: cannot write"
timeout 20 "$exe" inspect "$good" >&- 2>"$scratch/err"
status=$?
check "inspect with stdout closed: status 3" status_is 3
timeout 20 "$exe" plot "$good" >/dev/full 2>/dev/null
status=$?
check "plot >/dev/full: status 3" status_is 3

# --- usage mends -------------------------------------------------------------------------------

run compile "$line" "$train" -o ''
check "compile -o '': usage" status_is 64
run compile "$scratch/missing/${S}_linea.txt" "$train"
check "missing line text: status 3" status_is 3
check "missing line text: named as missing" err_has "$scratch/missing/${S}_linea.txt: cannot open: No such file"

echo "safe delivery: $passed passed, $failed failed"
[ "$failed" = 0 ]
