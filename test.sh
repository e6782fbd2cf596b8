#!/usr/bin/env bash
# Second command of the README: installs what is missing, builds, and runs
# every test through ctest. The exit status is the test suite's; arguments
# go to ctest.
#
# With --ci first (what .ci/run uses) it does more, stage by stage, and says
# how long each took: the build with warnings as errors, every test, the
# folder layering check, the layout check (scripts/format.sh --check), then
# the same tests built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (VELMAR_SANITIZE) in build-asan/.
set -euo pipefail
cd "$(dirname "$0")"
ci=0
if [ "${1:-}" = "--ci" ]; then
  ci=1
  shift
fi

scripts/install-deps.sh

run_tests() {  # build folder, ctest arguments...
  local dir=$1
  shift
  (
    cd "$dir"
    exec 9>/tmp/velmar-test.lock
    flock 9
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" "$@"
  )
}

if [ $ci -eq 0 ]; then
  scripts/build.sh
  run_tests "${VELMAR_BUILD_DIR:-build}" "$@"
  exit
fi

start=$(date +%s)
stage_start=$start
stage() {  # name of the stage just finished
  local now
  now=$(date +%s)
  printf '== %s: %d s\n' "$1" $((now - stage_start))
  stage_start=$now
}

VELMAR_CMAKE_ARGS="-DVELMAR_WERROR=ON ${VELMAR_CMAKE_ARGS:-}" scripts/build.sh
stage "build"
run_tests "${VELMAR_BUILD_DIR:-build}" "$@"
stage "tests"
python3 scripts/check-layers.py
stage "layering check"
scripts/format.sh --check
stage "layout check"
# Leaks in the sanitized build would also be reported for the build-time
# tools, which run Qt; the tests check for leaks with the suppressions below.
# The fuzz targets are built in the same tree (only they instrumented for
# coverage), for the fuzz smoke stage that .ci/run runs next.
source scripts/fuzz-common.sh
fuzz_smoke=
[ -z "$(fuzz_missing_toolchain)" ] && fuzz_smoke=-DVELMAR_BUILD_FUZZ_SMOKE=ON
ASAN_OPTIONS=detect_leaks=0 VELMAR_BUILD_DIR=build-asan \
  VELMAR_CMAKE_ARGS="-DCMAKE_CXX_COMPILER=clang++ -DVELMAR_SANITIZE=ON -DVELMAR_BUILD_BENCH=OFF $fuzz_smoke" \
  scripts/build.sh
stage "sanitized build"
# (strict_string_checks stays off: the X11 keyboard library's strndup reads
# a buffer without its terminator, which the window tests under Xvfb reach.)
# The sweep that builds a program for each of the 400 devices runs the same
# code 400 times over; the plain build runs it, the sanitized one leaves it
# out (a third of the sanitized tests' time).
ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_tests build-asan -E '^ShippedDatabase/EveryDevice[.]' "$@"
stage "sanitized tests"
echo "== whole run: $(( $(date +%s) - start )) s"
