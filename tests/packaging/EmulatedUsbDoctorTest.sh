#!/usr/bin/env bash
# velmar-cli doctor against the emulated interface chip (libusb and D2XX
# stand-ins preloaded by scripts/with-emulated-usb.sh): it lists the chip
# through libusb, finds it can be opened, identifies the programmer behind
# it with libftdi and with the D2XX library, and reports success; and
# `doctor --link-test` through both finds the two pacings read the same,
# unless the firmware needs time to load each reply byte (reply_prep_us),
# where fast pacing differs and the test fails.
# Skips (77) when the emulation is not part of this build.
set -euo pipefail
build=$1
source_dir=$2
cli=$build/bin/velmar-cli
emu=$source_dir/scripts/with-emulated-usb.sh
if [ ! -x "$emu" ] || [ ! -f "$build/usbemu/libvelmar_usbemu.so" ]; then
  echo "skipped: no USB emulation in this build"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
"$cli" sim create "$scratch/p.state" --kind portable >/dev/null

for mode in libftdi d2xx; do
  args=()
  [ "$mode" = d2xx ] && args=(--d2xx)
  out=$(VELMAR_BUILD_DIR=$build "$emu" "${args[@]}" "$scratch/p.state" -- \
        "$cli" --working-folder "$scratch/work" --driver "$mode" --json doctor --udev-root "$scratch") ||
    fail "$mode: doctor failed: $out"
  python3 - "$mode" "$out" <<'PY' || fail "$mode: $out"
import json, sys
mode, report = sys.argv[1], json.loads(sys.argv[2])
assert report["ok"] is True, "no answer"
assert report["listed_with"] == "libusb", report["listed_with"]
chips = [d for d in report["devices"] if d["id"] == "0403:6010"]
assert len(chips) == 1, report["devices"]
assert chips[0]["can_open"] is True
assert chips[0]["serial"] == "QRX", chips[0]["serial"]
assert len(chips[0]["interfaces"]) == 2
assert report["programmer"]["kind"] == 3
assert report["driver"] == mode
assert (report["d2xx"] == "loads") == (mode == "d2xx")
# Only the missing udev rule (a scratch root) may be a problem.
assert [p for p in report["problems"] if "udev rule" not in p["problem"]] == [], report["problems"]
PY
done

"$cli" --working-folder "$scratch/work" --sim-state "$scratch/p.state" --yes new --family 1 --device PIC16F628A \
  --hex "$source_dir/examples/pic16f628a/blink.hex" --description Blink >/dev/null 2>&1 || fail "new failed"
cp "$scratch/p.state" "$scratch/slow.state"
echo "reply_prep_us=300" >>"$scratch/slow.state"
for mode in libftdi d2xx; do
  args=()
  [ "$mode" = d2xx ] && args=(--d2xx)
  for state in p slow; do
    status=0
    out=$(VELMAR_BUILD_DIR=$build "$emu" "${args[@]}" "$scratch/$state.state" -- \
          "$cli" --working-folder "$scratch/work" --driver "$mode" --json doctor --link-test 2>/dev/null) || status=$?
    python3 - "$state" "$status" "$out" <<'PY' || fail "$mode $state (status $status): $out"
import json, sys
state, status, report = sys.argv[1], int(sys.argv[2]), json.loads(sys.argv[3])
test = report["link_test"]
assert test["compared"] is True and test["pages"] > 0, test
if state == "p":
    assert status == 0 and test["identical"] is True and test["differences"] == [], test
    assert test["fast_ms"] < test["exact_ms"], "fast exchanges save USB round trips"
else:
    assert status == 1 and test["identical"] is False and test["differences"], test
PY
  done
done
echo ok
