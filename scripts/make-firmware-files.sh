#!/usr/bin/env bash
# Makes the shipped firmware files data/FirmWare/*.upd again: the flash image
# of each simulated firmware, at the version data/progsetting.ini expects,
# enciphered with the firmware file encoder. Both steps are deterministic, so
# the files come out byte for byte the same. Usage: scripts/make-firmware-files.sh [velmar-cli]
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-build/bin/velmar-cli}
settings=data/progsetting.ini
out=data/FirmWare
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

setting() {
  local value
  value=$(grep -i "^$1=" "$settings" | head -1 | cut -d= -f2 | tr -d '\r ')
  [ -n "$value" ] || { echo "$settings has no $1" >&2; exit 1; }
  echo "$value"
}

make_one() {  # firmware controller version-key file
  local version
  version=$(setting "$3")
  "$cli" sim firmware-hex "$work/$4.hex" --firmware "$1" --controller "$2" --version "$version"
  "$cli" firmware pack --version "$version" --hex "$work/$4.hex" "$out/$4"
}

make_one pic atmega8515 SVERQRX qrxpicusb.upd
make_one pic24 atmega8515 SVERQRX24 qrxpic24.upd
make_one portable atmega128 SVERQRXPRIMA primafw.upd
