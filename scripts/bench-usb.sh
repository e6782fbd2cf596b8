#!/usr/bin/env bash
# What real USB adds to each operation, per programmer kind, chip and
# driver, measured with the USB emulation (docs/USB-EMULATION.md) on virtual
# time. Each operation runs through velmar-cli on the real libftdi or on our
# D2XX backend over the emulated interface chip; the emulation's report
# gives the total, the loader's own waits, the serial clocking and the USB
# part (packets, frame waits, latency-timer waits). The floor is the waits
# plus the clocking: what the protocol takes on any driver.
#
#   scripts/bench-usb.sh [KIND...]     (default: 8way portable)
#
# Prints the Markdown table rows of docs/PERFORMANCE.md's real-USB section:
# seconds, floor and estimate, latency-timer waits, and the USB share.
# "new (full slot)" writes every page of a slot ("EraseWholeSlot" on).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/build.sh --target velmar-cli velmar_data velmar_usbemu >/dev/null
cli=$root/build/bin/velmar-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(8way portable)
name() { case "$1" in 8way) echo 8-way ;; 8way-v2) echo "8-way v2" ;; *) echo "$1" ;; esac; }
ops=("--yes update-firmware" identify list
     "new --family 1 --device PIC16F628A --hex $root/examples/pic16f628a/blink.hex --description Bench"
     "--yes copy $work/unit.prg" "--yes erase" "--yes load $work/unit.prg"
     "full --yes new --family 1 --device PIC16F628A --hex $root/examples/pic16f628a/blink.hex --description Full")
echo "| Operation | Kind | Chip | Driver | Floor (s) | Estimated (s) | Latency-timer waits (s) | USB share |"
echo "|---|---|---|---|---|---|---|---|"
for kind in "${kinds[@]}"; do
  for chip in ft2232d ft2232h; do
    for driver in libftdi d2xx; do
      state=$work/$kind.state
      "$cli" --working-folder "$work" sim create "$state" --kind "$kind" --version 100 --force >/dev/null
      flag=
      [ "$driver" = d2xx ] && flag=--d2xx
      for op in "${ops[@]}"; do
        report=$work/report
        rm -f "$report"
        label=${op#--yes }
        label=${label%% *}
        if [ "${op%% *}" = full ]; then
          op=${op#full }
          label="new (full slot)"
          printf '[ProgSettings]\nEraseWholeSlot=1\n' >"$work/setting.ini"
        fi
        (cd "$work" && nice -n 19 "$root/scripts/with-emulated-usb.sh" --chip "$chip" \
           --report "$report" $flag "$state" -- "$cli" --working-folder "$work" --driver "$driver" $op \
           >/dev/null 2>&1) || { echo "$op failed on $kind $chip $driver" >&2; exit 1; }
        rm -f "$work/setting.ini"  # the next chip and driver start with the usual settings
        tail -n 1 "$report" | awk -v op="$label" -v kind="$(name "$kind")" -v chip="$chip" -v driver="$driver" '{
          for (i = 1; i < NF; i += 2) v[$i] = $(i + 1)
          floor = (v["total_us"] - v["usb_us"]) / 1e6
          total = v["total_us"] / 1e6
          printf "| %s | %s | %s | %s | %.1f | %.1f | %.1f | %.0f%% |\n", op, kind, chip, driver, floor, total,
                 v["latency_us"] / 1e6, 100 * v["usb_us"] / v["total_us"]
        }'
      done
    done
  done
done | sort -t'|' -k2,2 -k3,3 -k4,4 -k5,5
