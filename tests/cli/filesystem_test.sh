#!/usr/bin/env bash
# File-system failures, end to end through the executable: an output name taken by a folder, a
# file size limit that cuts a file, a folder that cannot be written, a source text that cannot
# be read. Each must end with exit status 3 and one line on standard error that names the file
# and the reason; the compiled files are replaced all together or not at all, and nothing is
# reported as written.
# Usage: filesystem_test.sh PATH/TO/scenario-compactor SOURCE_DIR
set -uo pipefail

exe=${1:?usage: filesystem_test.sh EXE SRCDIR}
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

# run LIMIT_KIB OUT ERR ARGS...: runs the program, with a file size limit when LIMIT_KIB is not
# "-". The limit stays inside the program's subshell and both streams go through pipes, so OUT
# and ERR are always complete. Sets $status.
run() {
  local limit=$1 out=$2 err=$3
  shift 3
  { (
    [ "$limit" = - ] || ulimit -f "$limit"
    exec "$@" </dev/null
  ) 2>&3 | cat >"$out"; } 3>&1 | cat >"$err"
  status=${PIPESTATUS[0]}
}

# The one-line message: exactly one line, naming the file and the reason.
one_line_naming() {  # one_line_naming ERR FILE REASON
  local lines
  lines=$(wc -l <"$1")
  if [ "$lines" != 1 ] || ! grep -qF -- "$2" "$1" || ! grep -qF -- "$3" "$1"; then
    echo "  expected one line naming '$2' and '$3', got:" >&2
    sed 's/^/    /' "$1" >&2
    return 1
  fi
}

status_is() {  # status_is EXPECTED
  [ "$status" = "$1" ] || {
    echo "  exit status $status, expected $1" >&2
    return 1
  }
}

same() { cmp -s "$1" "$2" || { echo "  $2 differs from $1" >&2; return 1; }; }
absent() { [ ! -e "$1" ] || { echo "  $1 exists" >&2; return 1; }; }
empty_file() { [ ! -s "$1" ] || { echo "  $1 is not empty:" >&2; sed 's/^/    /' "$1" >&2; return 1; }; }
no_work_folder() {
  ! compgen -G "$1/.scenario-compactor-*" >/dev/null || {
    echo "  a working folder is left in $1" >&2
    return 1
  }
}

S=Torvel_Dolvera
T=565
compiled=("${S}_linea.dat" "${S}_${T}.sim" "${S}_${T}.dat")
documents=("${S}_${T}_note.txt" "${S}_${T}_rallentamenti.txt" "${S}_${T}_scheda_treno.txt")

# A program folder with a complete earlier build, kept aside for comparison.
prog=$scratch/prog
mkdir -p "$prog" "$scratch/good"
cp "$exe" "$prog/scenario-compactor"
run - "$scratch/out" "$scratch/err" "$prog/scenario-compactor"
if [ "$status" != 0 ]; then
  echo "the default build itself fails (status $status):" >&2
  cat "$scratch/err" >&2
  exit 1
fi
for f in "${compiled[@]}" "${documents[@]}"; do cp "$prog/$f" "$scratch/good/$f"; done

restore() {
  for f in "${compiled[@]}" "${documents[@]}"; do
    rm -rf "${prog:?}/$f"
    cp "$scratch/good/$f" "$prog/$f"
  done
}

# --- the default build ---------------------------------------------------------------------

# The record file's name is taken by a folder: the record file cannot be replaced, so none of
# the three compiled files is, and the earlier plan file stays beside the earlier cells.
restore
rm "$prog/${S}_${T}.sim"
mkdir "$prog/${S}_${T}.sim"
printf 'stale' >"$prog/${S}_linea.dat"
run - "$scratch/out" "$scratch/err" "$prog/scenario-compactor"
check "build, .sim taken by a folder: status 3" status_is 3
check "build, .sim taken by a folder: message" one_line_naming "$scratch/err" "${S}_${T}.sim" \
  "Is a directory"
check "build, .sim taken by a folder: earlier plan file kept" \
  grep -qx stale "$prog/${S}_linea.dat"
check "build, .sim taken by a folder: cell file kept" \
  same "$scratch/good/${S}_${T}.dat" "$prog/${S}_${T}.dat"
for f in "${documents[@]}"; do
  check "build, .sim taken by a folder: $f intact" same "$scratch/good/$f" "$prog/$f"
done
check "build, .sim taken by a folder: nothing on standard output" empty_file "$scratch/out"
rmdir "$prog/${S}_${T}.sim"

# A file size limit of 1000 KiB cuts the plan file: the documents stay whole, the record and
# cell files are never reached and keep the earlier build's bytes.
restore
printf 'stale' >"$prog/${S}_${T}.sim"
cp "$prog/${S}_${T}.sim" "$scratch/stale.sim"
run 1000 "$scratch/out" "$scratch/err" "$prog/scenario-compactor"
check "build, size limit: status 3 (not killed by SIGXFSZ)" status_is 3
check "build, size limit: message" one_line_naming "$scratch/err" "${S}_linea.dat" \
  "File too large"
check "build, size limit: plan file kept whole" \
  same "$scratch/good/${S}_linea.dat" "$prog/${S}_linea.dat"
check "build, size limit: record file not reached" same "$scratch/stale.sim" "$prog/${S}_${T}.sim"
check "build, size limit: cell file not reached" \
  same "$scratch/good/${S}_${T}.dat" "$prog/${S}_${T}.dat"
for f in "${documents[@]}"; do
  check "build, size limit: $f intact" same "$scratch/good/$f" "$prog/$f"
done
check "build, size limit: nothing on standard output" empty_file "$scratch/out"

# No byte can be written at all (a limit of 0): the first text fails, and nothing of the
# earlier build is touched.
restore
run 0 "$scratch/out" "$scratch/err" "$prog/scenario-compactor"
check "build, nothing writable: status 3" status_is 3
check "build, nothing writable: message" one_line_naming "$scratch/err" "${S}_linea.txt" \
  "File too large"
for f in "${compiled[@]}" "${documents[@]}"; do
  check "build, nothing writable: $f intact" same "$scratch/good/$f" "$prog/$f"
done

# --- compile -------------------------------------------------------------------------------

src=$scratch/src
run - "$scratch/out" "$scratch/err" "$exe" export "$src"
check "export works" status_is 0
line=$src/${S}_linea.txt
train=$src/${S}_${T}-.txt
good_out=$scratch/good-out
run - "$scratch/out" "$scratch/err" "$exe" compile "$line" "$train" -o "$good_out"
check "compile works" status_is 0

fresh_out() {  # a folder holding an earlier compile's files
  rm -rf "$1"
  mkdir -p "$1"
  for f in "${compiled[@]}"; do cp "$good_out/$f" "$1/$f"; done
}

# An output folder whose parent is a regular file cannot be created.
touch "$scratch/plainfile"
run - "$scratch/out" "$scratch/err" "$exe" compile "$line" "$train" -o "$scratch/plainfile/out"
check "compile, output under a file: status 3" status_is 3
check "compile, output under a file: message" one_line_naming "$scratch/err" \
  "$scratch/plainfile/out" "Not a directory"

# The record file's name is taken by a folder in the output folder: nothing is delivered, the
# plan and cell files keep the earlier compile's bytes.
out=$scratch/out-folder
fresh_out "$out"
rm "$out/${S}_${T}.sim"
mkdir "$out/${S}_${T}.sim"
printf 'stale' >"$out/${S}_linea.dat"
run - "$scratch/out" "$scratch/err" "$exe" compile "$line" "$train" -o "$out"
check "compile, .sim taken by a folder: status 3" status_is 3
check "compile, .sim taken by a folder: message" one_line_naming "$scratch/err" \
  "$out/${S}_${T}.sim" "Is a directory"
check "compile, .sim taken by a folder: earlier plan file kept" \
  grep -qx stale "$out/${S}_linea.dat"
check "compile, .sim taken by a folder: cell file kept" \
  same "$good_out/${S}_${T}.dat" "$out/${S}_${T}.dat"
check "compile, .sim taken by a folder: nothing reported written" empty_file "$scratch/out"
check "compile, .sim taken by a folder: no working folder left" no_work_folder "$out"

# A file size limit of 50 KiB cuts the cell file (no plan): nothing is delivered and the
# earlier compile's files stay.
out=$scratch/out-limit
fresh_out "$out"
run 50 "$scratch/out" "$scratch/err" "$exe" compile "$line" "$train" -o "$out" --no-plan
check "compile, size limit: status 3" status_is 3
check "compile, size limit: message" one_line_naming "$scratch/err" "${S}_${T}.dat" \
  "File too large"
for f in "${compiled[@]}"; do
  check "compile, size limit: $f kept" same "$good_out/$f" "$out/$f"
done
check "compile, size limit: nothing reported written" empty_file "$scratch/out"
check "compile, size limit: no working folder left" no_work_folder "$out"

# Source texts that cannot be read: a folder, a missing file. Nothing is written.
mkdir -p "$scratch/folder-src/${S}_linea.txt"
out=$scratch/out-unread
for case in "folder line text:$scratch/folder-src/${S}_linea.txt:$train:not a regular file" \
  "missing line text:$scratch/missing/${S}_linea.txt:$train:No such file or directory" \
  "missing train text:$line:$scratch/missing/${S}_${T}-.txt:No such file or directory"; do
  IFS=: read -r what l t reason <<<"$case"
  rm -rf "$out"
  run - "$scratch/out" "$scratch/err" "$exe" compile "$l" "$t" -o "$out"
  unreadable=$l
  [ "$what" = "missing train text" ] && unreadable=$t
  check "compile, $what: status 3" status_is 3
  check "compile, $what: message" one_line_naming "$scratch/err" "$unreadable" "$reason"
  check "compile, $what: nothing written" absent "$out"
done

echo "filesystem: $passed passed, $failed failed"
[ "$failed" = 0 ]
