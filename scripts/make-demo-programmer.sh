#!/usr/bin/env bash
# Makes a simulated programmer of the given kind that holds a few of the
# shipped example programs, written with `velmar-cli new` exactly as a user
# would: multi-slot kinds get several slots, single-slot kinds one.
# Usage: scripts/make-demo-programmer.sh KIND STATE-FILE [WORKING-FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:?kind}
state=${2:?state file}
work=${3:-$(dirname "$state")}
cli=${VELMAR_CLI:-build/bin/velmar-cli}
mkdir -p "$(dirname "$state")" "$work"

"$cli" sim create "$state" --kind "$kind" --force >/dev/null

new() {  # family device example description
  local log
  if ! log=$("$cli" --sim-state "$state" --working-folder "$work" --yes new \
      --family "$1" --device "$2" --hex "examples/$3/blink.hex" --description "$4" 2>&1); then
    echo "$log" >&2
    return 1
  fi
}

case "$kind" in
  portable|3)
    new 1 PIC16F628A pic16f628a "Blink 628A"
    new 0 PIC18F4520 pic18f4520 "Blink 4520 board"
    new 3 PIC18F46K22 pic18f46k22 "Blink K22"
    new 2 PIC18F46J50 pic18f46j50 "Blink J50 3V3"
    ;;
  8way|8way-v2|2|4)
    new 1 PIC16F628A pic16f628a "Blink 628A"
    new 0 PIC18F4520 pic18f4520 "Blink 4520 board"
    new 1 PIC16F84A pic16f84a "Blink 84A"
    ;;
  *)
    new 0 PIC18F4520 pic18f4520 "Blink 4520 board"
    ;;
esac
echo "Made $state"
