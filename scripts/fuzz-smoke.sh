#!/usr/bin/env bash
# A bounded fuzz run of every target: builds the fuzz targets of fuzz/ (the main build with -DSC_FUZZ=ON) with clang (libFuzzer, ASan, UBSan), writes
# the seed corpora, then runs each target a fixed number of times from a fixed seed, two
# targets at a time, the decompiler's round trip last and alone. Fails when a target crashes,
# hangs, leaks or breaks a property; the input that did it is left in BUILD_DIR/artifacts.
# About six minutes on two cores.
# Usage: scripts/fuzz-smoke.sh [BUILD_DIR]
#   FUZZ_RUNS      runs of each compile target (default 4000; the field stream gets 5x)
#   FUZZ_SEED      libFuzzer's random seed (default 1)
#   FUZZ_CXX       the clang to use (default clang++-14, else clang++)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-fuzz}")
runs=${FUZZ_RUNS:-4000}
seed=${FUZZ_SEED:-1}
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
if [ -z "$cxx" ]; then
  echo "fuzz-smoke: no clang++ found (scripts/install-deps.sh installs it)" >&2
  exit 1
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSC_FUZZ=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build" -j 2

rm -rf "$build/seeds" "$build/smoke" "$build/artifacts"
mkdir -p "$build/smoke" "$build/artifacts"
"$build/make_seeds" "$build/seeds"

# run TARGET RUNS [SEEDS]: one bounded run; its own temporary folder, a fresh corpus beside the
# seeds (those of SEEDS, by default the target's own).
run() {
  local target=$1 n=$2 seeds=${3:-$1}
  local dir=$build/smoke/$target
  mkdir -p "$dir/corpus" "$dir/tmp"
  if TMPDIR=$dir/tmp "$build/${target}_fuzz" -runs="$n" -seed="$seed" -timeout=30 \
    -rss_limit_mb=2048 -dict="$root/fuzz/scenario.dict" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$dir/corpus" "$build/seeds/$seeds" \
    >"$dir/log" 2>&1; then
    echo "fuzz-smoke: $target: $(grep -m1 '^stat::number_of_executed_units' "$dir/log" |
      sed 's/.*: *//') runs, no finding"
  else
    echo "fuzz-smoke: $target FAILED; the end of its log ($dir/log):" >&2
    tail -n 60 "$dir/log" >&2
    return 1
  fi
}

status=0
run field_stream $((runs * 5)) & a=$!
run line_reader "$runs" & b=$!
wait $a || status=1
wait $b || status=1
run train_reader "$runs" & a=$!
run compile "$runs" & b=$!
wait $a || status=1
wait $b || status=1
# The decompiler's round trip reads the compile target's inputs.
run decompile "$runs" compile || status=1

if [ "$status" != 0 ]; then
  echo "fuzz-smoke: findings in $build/artifacts:" >&2
  ls -l "$build/artifacts" >&2
fi
exit $status
