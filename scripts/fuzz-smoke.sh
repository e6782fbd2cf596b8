#!/usr/bin/env bash
# CI's fuzz smoke stage: builds every fuzz target (build-fuzz, through
# scripts/build.sh) and runs each once over its checked-in seeds and
# regression inputs (tests/fuzz/corpus/TARGET), without mutating them; a
# crash, sanitizer report or broken invariant fails the stage. Skipped, with
# the reason, where clang or libFuzzer is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-common.sh

why=$(fuzz_missing_toolchain)
if [[ -n $why ]]; then
  echo "fuzz smoke: SKIPPED: $why"
  exit 0
fi
fuzz_build "${FUZZ_TARGETS[@]}"

mkdir -p build-fuzz/logs
failed=0
for t in "${FUZZ_TARGETS[@]}"; do
  log="build-fuzz/logs/$t.smoke.log"
  if "build-fuzz/bin/$t" -runs=0 -timeout=30 -max_len=4096 "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    echo "fuzz smoke: $t: $(ls "tests/fuzz/corpus/$t" | wc -l) inputs, $(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)"
  else
    echo "fuzz smoke: $t FAILED:"
    tail -30 "$log"
    failed=1
  fi
done
exit $failed
