#!/usr/bin/env bash
# The whole test suite under AddressSanitizer and UndefinedBehaviorSanitizer (g++):
# configures BUILD_DIR (default: build-asan in the checkout) with -DSC_SANITIZE=ON, builds
# every target and runs CTest. Any sanitizer finding ends its test with a failure.
# Usage: scripts/sanitize.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-asan}")
jobs=${JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSC_SANITIZE=ON \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="$([ -n "${CI:-}" ] && echo ON || echo OFF)" >/dev/null
cmake --build "$build" -j "$jobs"

# Leaks count as findings; a finding stops the process with a stack. Two kinds are not ours to
# free: fontconfig (under Xft) keeps what it parsed from its configuration for the life of the
# process, and when the X display is lost the window's Xft font and drawables cannot be given
# back to a server that is gone (the X11 platform's display-lost path ends the program).
printf '%s\n' 'leak:libfontconfig.so' 'leak:XftFontOpenInfo' 'leak:XftDrawCreate' \
  'leak:XftFontCheckGlyph' >"$build/lsan.supp"
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$build/lsan.supp:print_suppressions=0}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$jobs"
