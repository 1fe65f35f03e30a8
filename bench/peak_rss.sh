#!/usr/bin/env bash
# Peak resident memory of one compile of the generated 1000000-metre scenario, with the plan
# table. Usage: bench/peak_rss.sh PATH/TO/sc_compile_once [LENGTH]. Reports; never fails on
# the figure itself (the goal is below 64 MiB).
set -euo pipefail
exe=${1:?usage: peak_rss.sh PATH/TO/sc_compile_once [LENGTH]}
length=${2:-1000000}
goal_kib=$((64 * 1024))
if [ -x /usr/bin/time ]; then
  out=$(/usr/bin/time -v "$exe" "$length" 2>&1)
  kib=$(sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' <<<"$out")
else
  # Without GNU time the program's own getrusage figure is the same number.
  out=$("$exe" "$length")
  kib=$(sed -n 's/^peak resident memory: \([0-9]*\) KiB$/\1/p' <<<"$out")
fi
grep -E '^compiled' <<<"$out" || true
verdict="within the goal of 64 MiB"
[ "$kib" -lt "$goal_kib" ] || verdict="ABOVE the goal of 64 MiB"
awk -v l="$length" -v k="$kib" -v v="$verdict" \
  'BEGIN { printf "peak RSS of the %s m compile: %d KiB (%.1f MiB), %s\n", l, k, k / 1024, v }'
