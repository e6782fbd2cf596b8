#!/usr/bin/env bash
# CI's fuzz smoke stage: builds every fuzz target (build-fuzz, through
# scripts/build.sh) and runs each once over its checked-in seeds and
# regression inputs (tests/fuzz/corpus/TARGET), without mutating them; a
# crash, sanitizer report or broken invariant fails the stage. Skipped, with
# the reason, where clang or libFuzzer is missing. With FUZZ_SMOKE_BUILD_DIR
# set it builds the targets in that tree instead, one configured with
# -DVELMAR_BUILD_FUZZ_SMOKE=ON (CI's sanitized tree), so the core library is
# not compiled a third time.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/fuzz-common.sh

why=$(fuzz_missing_toolchain)
if [[ -n $why ]]; then
  echo "fuzz smoke: SKIPPED: $why"
  exit 0
fi
dir=${FUZZ_SMOKE_BUILD_DIR:-}
if [[ -n $dir ]] && ! grep -qx 'VELMAR_BUILD_FUZZ_SMOKE:BOOL=ON' "$dir/CMakeCache.txt" 2>/dev/null; then
  echo "fuzz smoke: $dir was not configured with -DVELMAR_BUILD_FUZZ_SMOKE=ON; building build-fuzz instead"
  dir=
fi
if [[ -n $dir ]]; then
  args=()
  for t in "${FUZZ_TARGETS[@]}"; do args+=(--target "$t"); done
  VELMAR_BUILD_DIR=$dir scripts/build.sh "${args[@]}"
else
  fuzz_build "${FUZZ_TARGETS[@]}"
  dir=build-fuzz
fi

mkdir -p "$dir/logs"
failed=0
for t in "${FUZZ_TARGETS[@]}"; do
  log="$dir/logs/$t.smoke.log"
  if "$dir/bin/$t" -runs=0 -timeout=30 -max_len=4096 "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    echo "fuzz smoke: $t: $(ls "tests/fuzz/corpus/$t" | wc -l) inputs, $(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)"
  else
    echo "fuzz smoke: $t FAILED:"
    tail -30 "$log"
    failed=1
  fi
done
exit $failed
