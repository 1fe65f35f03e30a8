# Checks shared by the command-line shell tests, sourced by tests/cli/*_test.sh: a counter of
# passed and failed checks, and the comparisons they make of files and exit statuses.
# shellcheck shell=bash

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

# Ends the test with the tally: "NAME: N passed, M failed", failing when one did.
finish() {  # finish NAME
  echo "$1: $passed passed, $failed failed"
  [ "$failed" = 0 ]
}

status_is() {  # status_is EXPECTED (the status the last run left in $status)
  [ "$status" = "$1" ] || {
    echo "  exit status $status, expected $1" >&2
    return 1
  }
}

same() { cmp -s "$1" "$2" || { echo "  $2 differs from $1" >&2; return 1; }; }
absent() { [ ! -e "$1" ] && [ ! -L "$1" ] || { echo "  $1 exists" >&2; return 1; }; }
