#!/usr/bin/env bash
# Runs a command with the USB emulation attached: the real libftdi (and our
# libftdi backend above it) or, with --d2xx, our D2XX backend talk to an
# emulated dual-channel interface chip with the simulated programmer of
# STATE behind channel A, all on virtual time; with STATE1,STATE2,... one
# such chip for each, all with the same serial number, on USB locations
# 1-1, 1-2, ... For tests; no hardware, no root. The state files are
# written back when the command ends.
#
#   scripts/with-emulated-usb.sh [--chip ft2232d|ft2232h] [--eeprom 93c46|93c56|93c66]
#        [--fault NAME[,NAME]] [--timing present|pessimistic] [--report FILE] [--d2xx]
#        STATE[,STATE...] -- COMMAND [ARGS...]
#
# --fault unplug-after=N pulls the interface out after N calls reached it.
# --timing pessimistic charges at least 1 ms per full-speed bulk transfer
# (250 us at high speed) and 3 ms per control transfer.
# --report appends one line of virtual-time figures (total, the program's
# own waits, USB transfers, latency-timer waits, serial clocking) at exit.
# The library is looked for in $VELMAR_BUILD_DIR (default: build)/usbemu.
set -euo pipefail

usage() {
  sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

root=$(cd "$(dirname "$0")/.." && pwd)
build=${VELMAR_BUILD_DIR:-$root/build}
chip=ft2232d
eeprom=
fault=
timing=present
report=
d2xx=0
while [ $# -gt 0 ]; do
  case "$1" in
    --chip) chip=${2:?}; shift 2 ;;
    --eeprom) eeprom=${2:?}; shift 2 ;;
    --fault) fault=${2:?}; shift 2 ;;
    --timing) timing=${2:?}; shift 2 ;;
    --report) report=${2:?}; shift 2 ;;
    --d2xx) d2xx=1; shift ;;
    -h|--help) usage ;;
    --) break ;;
    -*) echo "with-emulated-usb.sh: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -ge 3 ] && [ "$2" = "--" ] || usage
state=$1
shift 2
case "$chip" in ft2232d|ft2232h) ;; *) echo "with-emulated-usb.sh: --chip ft2232d or ft2232h, not $chip" >&2; exit 2 ;; esac
case "$timing" in present|pessimistic) ;; *) echo "with-emulated-usb.sh: --timing present or pessimistic, not $timing" >&2; exit 2 ;; esac
case "$eeprom" in ''|93c46|93c56|93c66) ;; *) echo "with-emulated-usb.sh: --eeprom 93c46, 93c56 or 93c66, not $eeprom" >&2; exit 2 ;; esac
# STATE1,STATE2,...: one programmer for each, every one on its own USB
# location (1-1, 1-2, ... after any other interfaces the first one lists).
states=
IFS=, read -r -a state_list <<<"$state"
for one in "${state_list[@]}"; do
  if [ ! -f "$one" ]; then
    echo "with-emulated-usb.sh: no simulator state file $one (make one with: velmar-cli sim create $one --kind KIND)" >&2
    exit 2
  fi
  states=${states:+$states,}$(cd "$(dirname "$one")" && pwd)/$(basename "$one")
done
lib=$build/usbemu/libvelmar_usbemu.so
if [ ! -f "$lib" ]; then
  echo "with-emulated-usb.sh: $lib is not built (scripts/build.sh --target velmar_usbemu)" >&2
  exit 2
fi

export VELMAR_USB_EMU_STATE=$states
export VELMAR_USB_EMU_CHIP=$chip
export VELMAR_USB_EMU_EEPROM=$eeprom
export VELMAR_USB_EMU_FAULT=$fault
export VELMAR_USB_EMU_TIMING=$timing
export VELMAR_USB_EMU_REPORT=$report
export LD_PRELOAD=$lib${LD_PRELOAD:+:$LD_PRELOAD}
if [ "$d2xx" = 1 ]; then
  export LD_LIBRARY_PATH=$build/usbemu/d2xx${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
fi
exec "$@"
