#!/usr/bin/env bash
# (Run as scripts/bench.sh verify; was scripts/bench-verify.sh.)
# What "Verify after writing" adds to New and Load Unit, per programmer
# kind, on the simulated programmer (virtual clock: the protocol time the
# operation would take on the wire). New writes the largest example a kind
# offers; Load Unit loads the copy of the programmer holding that one slot.
# Prints the protocol time without and with the read-back.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/build.sh --target velmar-cli velmar_data >/dev/null
cli=build/bin/velmar-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ms() { sed -n 's/.*"protocol_ms":\([0-9]*\).*/\1/p'; }
printf '%-11s %12s %12s %8s %12s %12s %8s\n' kind new_ms new_v_ms extra load_ms load_v_ms extra
for kind in $("$cli" sim kinds --names); do
  if [ "$kind" = single-old ]; then
    program=(--family 2 --device PIC18F46J50 --hex examples/pic18f46j50/blink.hex)
  else
    program=(--family 3 --device PIC18F46K22 --hex examples/pic18f46k22/blink.hex)
  fi
  results=()
  for verify in "" --verify; do
    state="$work/$kind.state"
    "$cli" --working-folder "$work" sim create "$state" --kind "$kind" --force >/dev/null
    results+=("$("$cli" --working-folder "$work" --sim-state "$state" --yes --json new "${program[@]}" \
                 --description Bench $verify 2>/dev/null | ms)")
  done
  "$cli" --working-folder "$work" --sim-state "$state" --yes copy "$work/unit.prg" >/dev/null 2>&1
  for verify in "" --verify; do
    results+=("$("$cli" --working-folder "$work" --sim-state "$state" --yes --json load "$work/unit.prg" \
                 $verify 2>/dev/null | ms)")
  done
  printf '%-11s %12s %12s %7s%% %12s %12s %7s%%\n' "$kind" "${results[0]}" "${results[1]}" \
    "$(( (results[1] - results[0]) * 100 / results[0] ))" "${results[2]}" "${results[3]}" \
    "$(( (results[3] - results[2]) * 100 / results[2] ))"
done
