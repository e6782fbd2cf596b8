#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer, UndefinedBehavior-
# Sanitizer, libFuzzer) in ./build-fuzz and fuzzes each for SECONDS (default
# 300), all of them or those named, one after another at the lowest CPU
# priority. Each target starts from its checked-in seeds (tests/fuzz/corpus/
# TARGET) and the inputs earlier runs kept (build-fuzz/corpus/TARGET), with
# its dictionary when it has one. Findings go to build-fuzz/findings/. Prints
# executions, coverage and time per target; fails when a target found
# anything.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]      e.g. scripts/fuzz.sh 60 sim_state_fuzz
#
# FUZZ_MAX_RUNS=N also stops each target after N executions (whichever
# comes first); FUZZ_SKIP_BUILD=1 runs what build-fuzz already holds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-common.sh

seconds=300
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=("${FUZZ_TARGETS[@]}")
for t in "${targets[@]}"; do
  fuzz_known "$t" || { echo "fuzz.sh: no fuzz target '$t' (targets: ${FUZZ_TARGETS[*]})" >&2; exit 2; }
done

fuzz_require_toolchain || exit 1
[[ ${FUZZ_SKIP_BUILD:-0} == 1 ]] || fuzz_build "${targets[@]}"
runs=()
[[ -z ${FUZZ_MAX_RUNS:-} ]] || runs=(-runs="$FUZZ_MAX_RUNS")

mkdir -p build-fuzz/findings build-fuzz/logs
failed=0
printf '%-22s %12s %9s %6s %7s %6s %8s  %s\n' target execs exec/s cov ft secs rss_mb result
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  log="build-fuzz/logs/$t.log"
  status=0
  nice -n 19 "build-fuzz/bin/$t" -max_total_time="$seconds" -max_len=4096 -timeout=30 -print_final_stats=1 "${runs[@]}" \
    $(fuzz_dict_option "$t") -artifact_prefix="build-fuzz/findings/$t-" \
    "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  result=ok
  [[ $status -eq 0 ]] || { result="FOUND (see $log and build-fuzz/findings/)"; failed=1; }
  fuzz_summary "$t" "$log" "$result"
done
exit $failed
