#!/usr/bin/env bash
# The benchmarks that run whole programs, one subcommand each; the goals and
# the current figures are in docs/PERFORMANCE.md (the in-process Google
# Benchmark programs are build/bin/*_bench).
#
#   scripts/bench.sh hex [--check] [ROUNDS]             hex convert against objcopy and srec_cat
#   scripts/bench.sh usb [--driver libftdi|d2xx] [KIND...]  real-USB time per operation, emulated
#   scripts/bench.sh startup                            desktop start-up time and memory per kind
#   scripts/bench.sh verify                             what "Verify after writing" adds
#   scripts/bench.sh all                                --all over 1, 2 and 4 programmers, emulated
set -euo pipefail
here=$(dirname "$0")
case "${1:-}" in
  hex | usb | startup | verify | all)
    bench=$1
    shift
    exec "$here/bench/$bench.sh" "$@"
    ;;
  *)
    sed -n 's/^#   //p' "$0" >&2
    exit 2
    ;;
esac
