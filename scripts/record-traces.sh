#!/usr/bin/env bash
# Records the driver trace and the printed result of every programmer
# operation on every simulated programmer kind into a folder, so that two
# builds can be compared line by line (a refactoring must leave them all
# unchanged). Usage: scripts/record-traces.sh OUT-FOLDER [velmar-cli]
#   then: diff -r OLD-FOLDER NEW-FOLDER
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "$1")
cli=$(realpath "${2:-build/bin/velmar-cli}")
ex=$root/examples
rm -rf "$out"
mkdir -p "$out"

for kind in $("$cli" sim kinds --names); do
  dir=$out/$kind
  mkdir -p "$dir/w"
  n=0
  step() {  # name, command arguments...
    local name=$1
    shift
    n=$((n + 1))
    local tag
    tag=$(printf '%02d-%s' "$n" "$name")
    (cd "$dir" && "$cli" --working-folder w --sim-state s.json --simulate "$kind" --yes \
      --trace "$tag.trace" "$@" >"$tag.out" 2>&1; echo "exit $?" >>"$tag.out")
  }
  step identify identify
  step list list
  step new18 new --family 0 --device PIC18F4520 --hex "$ex/pic18f4520/blink.hex" --description "Blink 18" \
    --set VerifyConfig=1
  step new16 new --family 1 --device PIC16F628A --hex "$ex/pic16f628a/blink.hex" --description "Blink 16" --verify
  step new18j new --family 2 --device PIC18F46J50 --hex "$ex/pic18f46j50/blink.hex" --description "Blink J"
  step new18k new --family 3 --device PIC18F46K22 --hex "$ex/pic18f46k22/blink.hex" --description "Blink K"
  step new24 new --family 4 --device PIC24FJ64GA002 --hex "$ex/pic24fj64ga002/blink.hex" --description "Blink 24"
  step new30 new --family 5 --device dsPIC30F4011 --hex "$ex/dspic30f4011/blink.hex" --description "Blink 30"
  step read read
  step details details --slot 1
  step details2 details --slot 2
  step find find blink
  step replace replace --slot 1 --family 1 --device PIC16F84A --hex "$ex/pic16f84a/blink.hex" --description "Again"
  step copy copy unit.prg
  step delete delete --slot 1
  step load load unit.prg --verify
  step dump dump 0
  step erase erase
  step update update-firmware
  step options options --family 1 --device PIC16F628A
  step settings settings
  # the log holds times; keep only what the operations were
  rm -f "$dir/w/velmar-log.jsonl"
done
