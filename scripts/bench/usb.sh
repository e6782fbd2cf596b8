#!/usr/bin/env bash
# What real USB adds to each operation, per programmer kind and chip, in
# both link pacings and under both timings of the USB emulation
# (docs/USB-EMULATION.md), on virtual time. Each operation runs through
# velmar-cli on the real libftdi (or, with --driver d2xx, on our D2XX
# backend) over the emulated interface chip; the emulation's report gives
# the total and the USB part (packets, frame waits, latency-timer waits).
# The floor is the total less the USB part: the protocol's waits plus the
# serial clocking, the same on any driver and in either pacing.
#
#   scripts/bench.sh usb [--driver libftdi|d2xx] [KIND...]   (default: 8way portable; was scripts/bench-usb.sh)
#
# Prints the Markdown table of docs/PERFORMANCE.md's real-USB section:
# seconds, the floor, then the estimate in exact and fast pacing, each
# with the present and the pessimistic timing. "new (full slot)" writes
# every page of a slot ("EraseWholeSlot" on).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
driver=libftdi
if [ "${1:-}" = --driver ]; then
  driver=${2:?}
  shift 2
fi
scripts/build.sh --target velmar-cli velmar_data velmar_usbemu >/dev/null
cli=$root/build/bin/velmar-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(8way portable)
name() { case "$1" in 8way) echo 8-way ;; 8way-v2) echo "8-way v2" ;; *) echo "$1" ;; esac; }
ops=("--yes update-firmware" identify list "dump 0 --count 21845"
     "new --family 1 --device PIC16F628A --hex $root/examples/pic16f628a/blink.hex --description Bench"
     "--yes copy $work/unit.prg" "--yes erase" "--yes load $work/unit.prg"
     "full --yes new --family 1 --device PIC16F628A --hex $root/examples/pic16f628a/blink.hex --description Full")
flag=
[ "$driver" = d2xx ] && flag=--d2xx

# One run of every operation on a fresh programmer; prints "LABEL FLOOR TOTAL" per operation.
run_all() {
  local kind=$1 chip=$2 pacing=$3 timing=$4
  local state=$work/$kind.state
  "$cli" --working-folder "$work" sim create "$state" --kind "$kind" --version 100 --force >/dev/null
  for op in "${ops[@]}"; do
    local report=$work/report label
    rm -f "$report"
    label=${op#--yes }
    label=${label%% *}
    if [ "${op%% *}" = full ]; then
      op=${op#full }
      label="new-full"
      printf '[ProgSettings]\nEraseWholeSlot=1\n' >"$work/setting.ini"
    fi
    (cd "$work" && nice -n 19 "$root/scripts/with-emulated-usb.sh" --chip "$chip" --timing "$timing" \
       --report "$report" $flag "$state" -- "$cli" --working-folder "$work" --driver "$driver" \
       --link-pacing "$pacing" $op >/dev/null 2>&1) ||
      { echo "$op failed on $kind $chip $pacing $timing" >&2; exit 1; }
    rm -f "$work/setting.ini"
    tail -n 1 "$report" | awk -v op="$label" '{
      for (i = 1; i < NF; i += 2) v[$i] = $(i + 1)
      printf "%s %.1f %.1f\n", op, (v["total_us"] - v["usb_us"]) / 1e6, v["total_us"] / 1e6
    }'
  done
}

echo "| Operation | Kind | Chip | Floor (s) | exact (s) | exact, pessimistic (s) | fast (s) | fast, pessimistic (s) |"
echo "|---|---|---|---|---|---|---|---|"
for kind in "${kinds[@]}"; do
  for chip in ft2232d ft2232h; do
    for combo in "exact present" "exact pessimistic" "fast present" "fast pessimistic"; do
      run_all "$kind" "$chip" $combo >"$work/${combo// /-}.txt"
    done
    paste -d' ' "$work/exact-present.txt" "$work/exact-pessimistic.txt" "$work/fast-present.txt" \
      "$work/fast-pessimistic.txt" |
      awk -v kind="$(name "$kind")" -v chip="$chip" '{
        op = $1 == "new-full" ? "new (full slot)" : $1
        printf "| %s | %s | %s | %s | %s | %s | %s | %s |\n", op, kind, chip, $2, $3, $6, $9, $12
      }'
  done
done
