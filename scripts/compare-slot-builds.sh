#!/usr/bin/env bash
# Builds the same slot from an example with the Linux velmar-cli (build/)
# and the Windows one under Wine (build-win/ or the folder given), writes it
# into a simulated 8-way programmer and saves the whole unit, and checks
# that every file made (the intermediate kf_*.hex pieces and the unit image)
# is byte-identical. Exit status 0 when they all are.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
win_build=${1:-build-win}
linux_cli=$root/build/bin/velmar-cli
windows_cli=$root/$win_build/bin/velmar-cli.exe
export WINEPREFIX=${WINEPREFIX:-$root/$win_build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {  # folder, command...
  local folder=$1
  shift
  mkdir -p "$folder/w"
  cp examples/pic18f4520/blink.hex "$folder/"
  (
    cd "$folder"
    "$@" --working-folder w --sim-state s.json --simulate 8way --yes new --family 0 --device PIC18F4520 \
      --hex blink.hex --description "Blink" --set VerifyConfig=1 >new.txt
    "$@" --working-folder w --sim-state s.json --simulate 8way --yes copy unit.prg >copy.txt
  )
}

run "$work/linux" "$linux_cli"
run "$work/windows" wine "$windows_cli"

status=0
for f in w/kf_flash.hex w/kf_eeprom.hex w/kf_header.hex w/kf_flashtest.hex unit.prg; do
  if [ ! -f "$work/linux/$f" ]; then
    echo "missing from the Linux build: $f"
    status=1
  elif cmp "$work/linux/$f" "$work/windows/$f"; then
    echo "identical: $f ($(stat -c %s "$work/linux/$f") bytes)"
  else
    status=1
  fi
done
exit $status
